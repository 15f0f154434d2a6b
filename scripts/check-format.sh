#!/usr/bin/env bash
# Checks that every C++ source is formatted by .clang-format; --fix formats them in place.
# Usage: scripts/check-format.sh [--fix] [file or folder...]   (default: the whole tree)
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format="${CLANG_FORMAT:-clang-format}"

fix=false
if [ "${1:-}" = "--fix" ]; then
    fix=true
    shift
fi

# Build folders are generated code; everything else of ours is checked.
mapfile -t files < <(find "${@:-.}" \( -path './build*' -o -path './.git' -o -path './.cache' \) -prune \
    -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)

if $fix; then
    "$clang_format" -i "${files[@]}"
    exit 0
fi

unformatted=()
for file in "${files[@]}"; do
    if ! "$clang_format" "$file" | diff -u --label "$file" --label "$file (formatted)" "$file" - >&2; then
        unformatted+=("$file")
    fi
done

if [ ${#unformatted[@]} -gt 0 ]; then
    echo "Not formatted (run scripts/check-format.sh --fix):" >&2
    printf '    %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "All ${#files[@]} sources are formatted."
