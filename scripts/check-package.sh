#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh) and checks it without installing it on this machine:
# its name and fields, lintian, its file list, then, unpacked into a throwaway root, the desktop entry
# and metainfo, the program started on the offscreen platform, and the demonstration search in a
# real window under Xvfb.
# Usage: scripts/check-package.sh [extra CMake options for the Release build]
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "check-package: $*" >&2
    exit 1
}

scratch=$(mktemp -d)
program_pid=""
cleanup() {
    if [ -n "$program_pid" ]; then
        kill "$program_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

scripts/package.sh "$@"

echo "== name and fields"
version=$(sed -n 's/^project(Scrivlist VERSION \([0-9.]*\)$/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in the project() line of CMakeLists.txt"
deb="build/scrivlist_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb; build/ holds: $(ls build/*.deb 2>/dev/null || true)"
[ "$(dpkg-deb -f "$deb" Package)" = scrivlist ] || fail "the package is not named scrivlist"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The run-time font and what dpkg-shlibdeps found in the binary; nothing of Qt's private API, whose
# package name changes with every Qt release and would tie the package to one Debian release.
for needed in fonts-liberation libqt6widgets6 libqt6dbus6 libc6; do
    grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed"
done
! grep -qE 'qt6-[a-z]+-abi' <<<"$depends" || fail "Depends names Qt's private API: $depends"
[ "$(dpkg-deb -f "$deb" Recommends)" = qt6-wayland ] || fail "Recommends is not qt6-wayland"

echo "== lintian"
lintian --fail-on error "$deb"

echo "== file list"
program=./usr/lib/scrivlist
{
    printf '%s\n' ./usr/bin/scrivlist "$program/scrivlist" \
        ./usr/share/applications/example.quillmark.Scrivlist.desktop \
        ./usr/share/kio/servicemenus/example.quillmark.Scrivlist-search.desktop \
        ./usr/share/nemo/actions/example.quillmark.Scrivlist-search.nemo_action \
        ./usr/share/metainfo/example.quillmark.Scrivlist.metainfo.xml \
        ./usr/share/icons/hicolor/scalable/apps/example.quillmark.Scrivlist.svg \
        ./usr/share/doc/scrivlist/copyright ./usr/share/doc/scrivlist/changelog.gz \
        ./usr/share/man/man1/scrivlist.1.gz ./usr/share/lintian/overrides/scrivlist
    (cd Samples && find . -type f | sed "s|^\.|$program/Samples|")
    (cd packaging/icons && find . -type f | sed 's|^\.|./usr/share/icons|')
} | sort >"$scratch/expected"
dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort >"$scratch/packed"
diff -u --label expected --label packed "$scratch/expected" "$scratch/packed" || fail "the file list differs"

echo "== unpacked into a throwaway root"
root="$scratch/root"
dpkg -x "$deb" "$root"
[ "$(readlink "$root/usr/bin/scrivlist")" = ../lib/scrivlist/scrivlist ] || fail "/usr/bin/scrivlist is no link to the program"
file "$root/usr/lib/scrivlist/scrivlist" | grep -q ', stripped' || fail "the program is not stripped"
zcat "$root/usr/share/doc/scrivlist/changelog.gz" >"$scratch/changelog"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$version" ] || fail "the changelog's last entry is not $version"
grep -q "<release version=\"$version\" date=\"[0-9-]*\">" "$root"/usr/share/metainfo/*.metainfo.xml \
    || fail "the metainfo has no release $version"
grep -q '^License: Expat' "$root/usr/share/doc/scrivlist/copyright" || fail "the copyright file names no license"
desktop-file-validate "$root"/usr/share/applications/*.desktop
# Folders arrive as arguments, but the program never becomes the desktop's way to open a folder.
entry="$root/usr/share/applications/example.quillmark.Scrivlist.desktop"
grep -qx 'Exec=scrivlist %F' "$entry" || fail "the desktop entry's Exec does not take %F"
! grep -q '^MimeType=' "$entry" || fail "the desktop entry claims file types"
# A KDE service menu is a Service with a MimeType and Actions, which the validator allows only
# to applications; every other finding counts.
service_menu="$root/usr/share/kio/servicemenus/example.quillmark.Scrivlist-search.desktop"
findings=$(desktop-file-validate "$service_menu" | grep -v 'but the type is "Service" while this key is only valid for type "Application"' || true)
[ -z "$findings" ] || fail "the service menu: $findings"
grep -q '^MimeType=inode/directory;$' "$service_menu" || fail "the service menu is not offered on folders"
nemo_action="$root/usr/share/nemo/actions/example.quillmark.Scrivlist-search.nemo_action"
grep -qx 'Extensions=dir;' "$nemo_action" || fail "the Nemo action is not offered on folders"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

echo "== started on the offscreen platform"
mkdir -p "$scratch/home" && mkdir -m 700 "$scratch/runtime"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen HOME="$scratch/home" \
    XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" \
    "$root/usr/bin/scrivlist" >"$scratch/program.log" 2>&1 &
program_pid=$!
sleep 3
kill -0 "$program_pid" 2>/dev/null || fail "the program ended within 3 s: $(cat "$scratch/program.log")"
running=$(readlink "/proc/$program_pid/exe")
[ "$running" = "$root/usr/lib/scrivlist/scrivlist" ] || fail "the running program is $running"
[ -f "$(dirname "$running")/Samples/Sample1.txt" ] || fail "no Samples folder beside $running"
[ -f "$scratch/config/Quillmark.conf" ] || fail "the window did not load: no settings written"
# Ended as a session ends it; killed should it linger.
kill "$program_pid"
for _ in $(seq 50); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
kill -KILL "$program_pid" 2>/dev/null || true
wait "$program_pid" || true
program_pid=""
[ ! -s "$scratch/program.log" ] || fail "the program printed: $(cat "$scratch/program.log")"
echo "ran 3 s, printed nothing, wrote its settings"

echo "== demonstration search in a real window"
timeout 120 dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \
    /usr/bin/python3 tests/e2e/sample_search.py --exe "$root/usr/bin/scrivlist"

echo "== $deb passed"
