#!/usr/bin/env bash
# Takes the README's screenshots of the window in a private X server and writes docs/screenshot.png and
# docs/context-menu.png.
# Usage: scripts/screenshot.sh [build folder]   (default: build; it is built first)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"

scripts/install-deps.sh test
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" -G Ninja >/dev/null
fi
cmake --build "$build_dir" --target scrivlist
mkdir -p docs
dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \
    /usr/bin/python3 tests/e2e/readme_screenshot.py --exe "$build_dir/scrivlist" --output docs/screenshot.png \
    --menu-output docs/context-menu.png
