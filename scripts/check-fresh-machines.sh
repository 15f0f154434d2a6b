#!/usr/bin/env bash
# Tries the project as a newcomer would, on fresh minimal Debian 12 (bookworm) and Debian 13 (trixie)
# roots: in each, installs the package built here (scripts/package.sh) with apt, without recommended
# packages, and starts it; in the Debian 13 root it also runs the README's test command from a clone of
# this repository's HEAD.
#
# The roots are made once with debootstrap and kept pristine in the cache folder; each run works on an
# overlay of them that is thrown away at the end. Downloaded packages are kept beside them, so a second
# run fetches nothing it already has. Every mount made is undone, also on failure.
# Inside the Debian 13 root, the end-to-end tests run on an X server and a compositor of their own
# (Xvfb, headless weston); FUSE comes from this machine's /dev, bound in.
#
# Usage: sudo scripts/check-fresh-machines.sh [bookworm|trixie...]   (default: both)
# Environment:
#   SCRIVLIST_FRESH_CACHE   the cache folder (default /var/cache/scrivlist-fresh-roots)
#   SCRIVLIST_FRESH_STAGES  the test command's stages in the Debian 13 root (default "all": every one but
#                           this check; or a list such as "install format build tests")
#   SCRIVLIST_MIRROR        the Debian mirror (default http://deb.debian.org/debian)
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${SCRIVLIST_FRESH_CACHE:-/var/cache/scrivlist-fresh-roots}
stages=${SCRIVLIST_FRESH_STAGES:-all}
mirror=${SCRIVLIST_MIRROR:-http://deb.debian.org/debian}
suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=(bookworm trixie)

fail() {
    echo "check-fresh-machines: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot and mounts): sudo $0 $*"
for suite in "${suites[@]}"; do
    case "$suite" in
        bookworm | trixie) ;;
        *) fail "unknown release '$suite' (bookworm or trixie)" ;;
    esac
done

# --- steps and their times -------------------------------------------------------------------------------

timings=()
step_name=""
step_start=$SECONDS
end_step() {
    if [ -n "$step_name" ]; then
        timings+=("$(printf '%-44s %5d s' "$step_name" $((SECONDS - step_start)))")
        echo "== $step_name took $((SECONDS - step_start)) s"
    fi
    step_name=""
}
step() {
    end_step
    step_name=$1
    step_start=$SECONDS
    echo "== $1"
}

# --- mounts, undone in reverse order whatever happens -------------------------------------------------------

work=""
mounts=()
mount_at() { # mount arguments..., the mount point last
    mount "$@"
    mounts+=("${!#}")
}
undo_mounts() {
    local index
    for ((index = ${#mounts[@]} - 1; index >= 0; index--)); do
        umount "${mounts[index]}" 2>/dev/null || umount -l "${mounts[index]}" || true
    done
    mounts=()
}
# Ends every process whose root is the given folder: what a chroot started, wrappers or not.
end_processes_in() {
    local folder=$1 proc pids=()
    for proc in /proc/[0-9]*; do
        [ "$(readlink "$proc/root" 2>/dev/null)" = "$folder" ] && pids+=("${proc#/proc/}")
    done
    [ ${#pids[@]} -gt 0 ] || return 0
    kill "${pids[@]}" 2>/dev/null || true
    sleep 1
    kill -KILL "${pids[@]}" 2>/dev/null || true
}
root=""
finish() {
    local status=$?
    if [ $status -ne 0 ] && [ -n "$step_name" ]; then
        echo "== $step_name FAILED"
    fi
    end_step
    [ -z "$root" ] || end_processes_in "$root"
    undo_mounts
    if [ -n "$work" ]; then
        # Never delete through a mount left behind: that would reach into this machine's /dev.
        if findmnt -rno TARGET | grep -q "^$work/"; then
            echo "check-fresh-machines: mounts under $work remain; it is left in place" >&2
            status=1
        else
            rm -rf "$work"
        fi
    fi
    if [ ${#timings[@]} -gt 0 ]; then
        echo "== step timings"
        printf '   %s\n' "${timings[@]}"
        echo "   $(printf '%-44s %5d s' total "$SECONDS")"
    fi
    exit $status
}
trap finish EXIT
trap 'exit 130' INT TERM

# --- what every root needs ---------------------------------------------------------------------------------

for suite in "${suites[@]}"; do
    wget -q --spider --timeout=20 --tries=2 "$mirror/dists/$suite/InRelease" \
        || fail "the Debian mirror $mirror cannot be reached (for $suite)"
done

mkdir -p "$cache"
work=$(mktemp -d /var/tmp/scrivlist-fresh.XXXXXX)

step "build the package on this machine"
scripts/package.sh >"$work/package.log" 2>&1 || fail "scripts/package.sh failed: $(tail -n 30 "$work/package.log")"
version=$(sed -n 's/^project(Scrivlist VERSION \([0-9.]*\)$/\1/p' CMakeLists.txt)
deb="build/scrivlist_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "scripts/package.sh made no $deb"
echo "$deb, built on Debian $(cat /etc/debian_version)"
end_step

# The pristine root of a release, made when the cache lacks it.
make_root() {
    local suite=$1
    if [ -d "$cache/$suite" ]; then
        return
    fi
    step "$suite: debootstrap a minimal root into $cache"
    rm -rf "$cache/$suite.partial"
    debootstrap --variant=minbase "$suite" "$cache/$suite.partial" "$mirror" >"$cache/debootstrap-$suite.log" 2>&1 \
        || fail "debootstrap $suite failed; see $cache/debootstrap-$suite.log"
    mv "$cache/$suite.partial" "$cache/$suite"
    end_step
}

# A throwaway overlay of the pristine root with what a chroot needs mounted; prints its path.
open_root() {
    local suite=$1
    local layer="$work/$suite"
    mkdir -p "$layer/upper" "$layer/scratch" "$layer/root" "$cache/archives-$suite/partial"
    mount_at -t overlay overlay -o "lowerdir=$cache/$suite,upperdir=$layer/upper,workdir=$layer/scratch" "$layer/root"
    root=$layer/root
    mount_at -t proc proc "$root/proc"
    mount_at -t sysfs sysfs "$root/sys"
    mount_at --bind /dev "$root/dev"
    mount_at --bind /dev/pts "$root/dev/pts"
    mount_at -t tmpfs tmpfs "$root/dev/shm"
    mount_at --bind "$cache/archives-$suite" "$root/var/cache/apt/archives"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
}

# Runs a command as root inside the root, in a plain environment.
plain_env=(/usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
    LANG=C.UTF-8 TERM=dumb DEBIAN_FRONTEND=noninteractive)
in_root() {
    chroot "$root" "${plain_env[@]}" "$@"
}

install_package() {
    local suite=$1
    step "$suite: apt-get install the package, no recommended packages"
    cp "$deb" "$root/tmp/"
    in_root apt-get update -qq
    in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")" >"$work/$suite-install.log" 2>&1 \
        || fail "apt-get install failed on $suite: $(tail -n 20 "$work/$suite-install.log")"
    grep -E '^[0-9]+ upgraded, [0-9]+ newly installed' "$work/$suite-install.log" || true
    grep -E '^Need to get|^After this operation' "$work/$suite-install.log" || true
    local svg
    svg=$(in_root dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" && /svg/ { printf " %s", $2 }')
    echo "installed packages named *svg*:${svg:- none}"
    end_step
}

start_program() {
    local suite=$1
    step "$suite: start it (offscreen) and check it runs"
    in_root mkdir -p /tmp/start/home /tmp/start/config
    in_root install -d -m 700 /tmp/start/runtime
    # Each command execs the next, so the process started is the program itself.
    (exec chroot "$root" "${plain_env[@]}" QT_QPA_PLATFORM=offscreen HOME=/tmp/start/home \
        XDG_CONFIG_HOME=/tmp/start/config XDG_RUNTIME_DIR=/tmp/start/runtime scrivlist) >"$work/$suite-program.log" 2>&1 &
    local started=$!
    sleep 3
    kill -0 "$started" 2>/dev/null || fail "on $suite the program ended within 3 s: $(cat "$work/$suite-program.log")"
    [ -f "$root/tmp/start/config/Quillmark.conf" ] || fail "on $suite the window did not load: no settings written"
    kill "$started"
    wait "$started" || true
    [ ! -s "$work/$suite-program.log" ] || fail "on $suite the program printed: $(cat "$work/$suite-program.log")"
    echo "ran 3 s on Debian $(cat "$root/etc/debian_version"), printed nothing, wrote its settings"
    end_step
}

run_test_command() {
    local suite=$1
    step "$suite: the README's test command from a clone ($stages)"
    git clone -q "$PWD" "$root/root/scrivlist"
    echo "clone of $(git rev-parse --short HEAD)$(git diff --quiet HEAD || echo ', uncommitted changes left out')"
    local wanted=$stages
    [ "$wanted" != all ] || wanted=$(scripts/test.sh --list-stages | sed 's/ *\bfresh\b//')
    # The stage lines and timings here; everything else only should it fail.
    set +e
    in_root env CI=true SCRIVLIST_STAGES="$wanted" bash -c 'cd /root/scrivlist && scripts/test.sh' 2>&1 \
        | tee "$work/$suite-test.log" | grep --line-buffered -E '^(== |   |Installing: )'
    local status=${PIPESTATUS[0]}
    set -e
    [ "$status" -eq 0 ] || fail "the test command failed on $suite: $(grep -v '^== ' "$work/$suite-test.log" | tail -n 60)"
    end_step
}

for suite in "${suites[@]}"; do
    make_root "$suite"
    open_root "$suite"
    install_package "$suite"
    start_program "$suite"
    if [ "$suite" = trixie ]; then
        run_test_command "$suite"
    fi
    end_processes_in "$root"
    undo_mounts
done
echo "== fresh machines passed: ${suites[*]}"
