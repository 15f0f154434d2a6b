#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) into build-fuzz and runs each from its seeds.
# Usage: scripts/fuzz.sh [libFuzzer option...] [target...]
#   scripts/fuzz.sh                                           every target, a short fixed number of runs
#   scripts/fuzz.sh -max_total_time=600 fuzz_clipboard_text   one target for ten minutes (see fuzz/README.md)
# With options given, the corpus that fuzzing grows is kept in build-fuzz/corpus between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${FUZZ_BUILD_DIR:-build-fuzz}"
short_runs=200000

options=()
targets=()
for arg in "$@"; do
    case "$arg" in
        -*) options+=("$arg") ;;
        *) targets+=("$arg") ;;
    esac
done
if [ ${#targets[@]} -eq 0 ]; then
    for seeds in fuzz/corpus/*/; do
        targets+=("$(basename "$seeds")")
    done
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DSCRIVLIST_FUZZ=ON -DSCRIVLIST_TESTS=OFF >/dev/null
cmake --build "$build_dir" --target "${targets[@]}"

# libFuzzer reports every input it keeps and proposes a dictionary; the start, the end and any
# failure are what matter here.
drop_progress() { grep -Ev '^(#[0-9]+[[:space:]]+(NEW|REDUCE|pulse)|"|######|INFO:|[[:space:]]+NEW_FUNC)' || true; }

mkdir -p "$build_dir/crashes"
for target in "${targets[@]}"; do
    corpus="$build_dir/corpus/$target"
    if [ ${#options[@]} -eq 0 ]; then
        # CI: the same short run from the committed seeds every time.
        rm -rf "$corpus"
        run_options=(-runs="$short_runs" -seed=1)
    else
        run_options=("${options[@]}")
    fi
    mkdir -p "$corpus"
    echo "== $target ${run_options[*]}"
    start=$SECONDS
    # New inputs go to the first folder; the committed seeds stay as they are.
    set +e
    "$build_dir/$target" "${run_options[@]}" -timeout=10 \
        -artifact_prefix="$build_dir/crashes/$target-" "$corpus" "fuzz/corpus/$target" 2>&1 | drop_progress
    status=${PIPESTATUS[0]}
    set -e
    if [ "$status" -ne 0 ]; then
        echo "$target failed; the input is in $build_dir/crashes/" >&2
        exit 1
    fi
    echo "$target: $((SECONDS - start)) s"
done
