#!/usr/bin/env bash
# Prints the threads of a process before and after five searches stopped over a listing that
# hangs and ten openings of the result list's menu over a lookup that hangs, and once the hangs
# are released. Usage: scripts/thread-count.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
cmake --build "$build_dir" --target tst_threads
QT_QPA_PLATFORM=offscreen "$build_dir/tst_threads" threadBoundsAcrossRepeatedStopAndStart 2>&1 | grep -E '^QINFO|^(PASS|FAIL)'
