#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into its own folder
# and runs the whole test suite there. The first report ends the test that made it, and fails the run.
# Usage: scripts/sanitize.sh [build folder]   (default: build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build-asan}"

sanitize="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all"
# Out-of-range indexing in standard containers aborts too.
checks="-D_GLIBCXX_ASSERTIONS"
cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="-O1 $sanitize $checks" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
    -DCMAKE_SHARED_LINKER_FLAGS="$sanitize"
cmake --build "$build_dir" -j"$(nproc)"

# Leaks are reported when a test ends; only Qt's own are suppressed.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
ctest --test-dir "$build_dir" --output-on-failure -j2
