#!/usr/bin/env bash
# Installs the Debian packages that building and running need (run), or those and everything the
# checks need as well (test). Only what is missing is installed; nothing happens when all are present.
# A name that differs between releases is chosen from what this machine's apt offers.
# Usage: scripts/install-deps.sh run|test   (--list: print the names chosen, install nothing)
set -euo pipefail

usage() {
    echo "usage: scripts/install-deps.sh run|test [--list]" >&2
    exit 2
}
[ $# -ge 1 ] || usage
what=$1
list_only=false
[ "${2:-}" = "--list" ] && list_only=true

run_packages=(
    # build
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # run: Arial resolves to a metric-compatible face; the native plugin of a Wayland session
    fonts-liberation qt6-wayland
)
# @CLANG@: the major version of the clang that is installed, or else of the one apt would install.
test_packages=(
    # sanitizers and fuzzing need the clang runtime of the very clang that builds; format and lint
    clang libclang-rt-@CLANG@-dev clang-format clang-tidy
    # end-to-end test in a real window, under X11 and under a headless Wayland compositor
    xvfb xauth dbus dbus-x11 at-spi2-core python3-gi gir1.2-atspi-2.0 python3-xlib xdotool xclip x11-utils
    imagemagick weston
    # benchmark: the share and slow-disk stand-in, the finders the command line is compared with, and GNU time
    # for their peak memory
    libfuse3-dev fuse3 fd-find bfs time
    # the Debian package: build tools, shlibdeps (which reads binaries with file), lint, validators
    dpkg-dev file lintian desktop-file-utils appstream
    # fresh Debian roots for the package and the test command
    debootstrap git
)

case "$what" in
    run) wanted=("${run_packages[@]}") ;;
    test) wanted=("${run_packages[@]}" "${test_packages[@]}") ;;
    *) usage ;;
esac

# What dpkg has installed, asked once.
declare -A on_machine=()
while read -r status package; do
    [ "$status" != ii ] || on_machine[$package]=1
done < <(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n')
installed() {
    [ -n "${on_machine[$1]:-}" ]
}
offered() {
    local policy
    policy=$(apt-cache policy "$1" 2>/dev/null)
    [[ $policy == *"Candidate: "[^\(]* ]]
}
lists_fresh=false
refresh_lists() {
    if ! $lists_fresh; then
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
        lists_fresh=true
    fi
}

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi

clang_major() {
    if command -v clang >/dev/null; then
        clang -dumpversion | cut -d. -f1
        return
    fi
    apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n 1
}

# Sets picked to the name to install for one entry, or to nothing when it is installed already
# (with --list, to the installed name too).
picked=""
choose() {
    local name=$1
    picked=""
    if [[ $name == *@CLANG@* ]]; then
        local major
        major=$(clang_major)
        if [ -z "$major" ]; then
            refresh_lists
            major=$(clang_major)
        fi
        [ -n "$major" ] || {
            echo "install-deps: apt offers no clang" >&2
            return 1
        }
        name=${name//@CLANG@/$major}
    fi
    if installed "$name"; then
        if $list_only; then
            picked=$name
        fi
        return 0
    fi
    offered "$name" || refresh_lists
    offered "$name" || {
        echo "install-deps: apt offers no $name" >&2
        return 1
    }
    picked=$name
}

chosen=()
for entry in "${wanted[@]}"; do
    choose "$entry" || exit 1
    [ -z "$picked" ] || chosen+=("$picked")
done

if $list_only; then
    printf '%s\n' "${chosen[@]}"
    exit 0
fi
if [ ${#chosen[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${chosen[*]}"
refresh_lists
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${chosen[@]}"
