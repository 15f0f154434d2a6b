#!/usr/bin/env bash
# Runs clang-tidy with .clang-tidy over the project's own sources; any finding fails.
# Usage: scripts/tidy.sh [build folder]   (default: build; it must be built, so that moc's output exists)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
clang_tidy="${CLANG_TIDY:-clang-tidy}"

# Our sources from the compile database; moc and rcc output lives in build folders and stays out.
mapfile -t sources < <(grep -o '"file": *"[^"]*"' "$build_dir/compile_commands.json" | sed 's/^"file": *"\(.*\)"$/\1/' \
    | grep "^$PWD/" | grep -v "^$PWD/build[^/]*/" | sort -u)
if [ ${#sources[@]} -eq 0 ]; then
    echo "No sources in $build_dir/compile_commands.json" >&2
    exit 1
fi

# clang-tidy also tells how many warnings it hid in headers that are not ours: noise here.
drop_counts() { grep -Ev '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' || true; }

echo "clang-tidy over ${#sources[@]} sources"
# The database holds GCC's flags; clang need not know every warning option.
status=0
printf '%s\n' "${sources[@]}" \
    | xargs -P "$(nproc)" -n 1 "$clang_tidy" -p "$build_dir" --quiet --extra-arg=-Wno-unknown-warning-option 2>&1 \
    | drop_counts || status=$?
if [ $status -ne 0 ]; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: no findings"
