#!/usr/bin/env bash
# Builds the test suite with ThreadSanitizer into its own folder and runs it, all but the
# end-to-end test and the benchmark runs (they drive whole windows and time them). The first
# report ends the test that made it, and fails the run.
# Usage: scripts/tsan.sh [build folder]   (default: build-tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build-tsan}"

sanitize="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS="-O1 $sanitize" \
    -DCMAKE_CXX_FLAGS="-O1 $sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
    -DCMAKE_SHARED_LINKER_FLAGS="$sanitize"
# Only the tests: the program and the benchmark are not run here.
mapfile -t targets < <(sed -n 's/^scrivlist_test(\(tst_[a-z0-9_]*\) .*/\1/p' tests/CMakeLists.txt tests/*.cmake)
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]}"

# Debian's Qt is not instrumented: the calls its own code makes are not judged, ours all are
# (see the suppressions file for why, and for the narrow entries it may hold).
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$PWD/tests/sanitizer/tsan.supp"
ctest --test-dir "$build_dir" --output-on-failure -j2 -R '^tst_'
