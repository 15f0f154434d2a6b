#!/usr/bin/env bash
# Installs what is missing, checks the format, builds, runs every test, builds and checks the
# Debian package, then clang-tidy, the whole suite again under ASan + UBSan and under TSan, and
# a short run of every fuzz target.
# Any failure ends the run; the time of every stage is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

timings=()
current=""
current_start=$SECONDS
end_stage() {
    if [ -n "$current" ]; then
        timings+=("$(printf '%-12s %5d s' "$current" $((SECONDS - current_start)))")
        echo "== $current took $((SECONDS - current_start)) s"
    fi
    current=""
}
stage() {
    end_stage
    current=$1
    current_start=$SECONDS
    echo "== $1"
}
summary() {
    local status=$?
    if [ $status -ne 0 ] && [ -n "$current" ]; then
        echo "== $current FAILED"
    fi
    end_stage
    echo "== stage timings"
    printf '   %s\n' "${timings[@]}"
    echo "   total        $(printf '%5d' "$SECONDS") s"
}
trap summary EXIT

stage "install"
scripts/install-deps.sh

# Seconds, so first: an unformatted file fails before anything is built.
stage "format"
scripts/check-format.sh

stage "build"
werror=OFF
if [ "${CI:-}" = "true" ]; then
    werror=ON
fi
scripts/build.sh build -DSCRIVLIST_WERROR="$werror"

stage "tests"
ctest --test-dir build --output-on-failure -j2

# The Debian package from its own Release build, checked unpacked in a throwaway root.
stage "package"
scripts/check-package.sh

stage "tidy"
scripts/tidy.sh build

stage "sanitizers"
scripts/sanitize.sh build-asan

stage "tsan"
scripts/tsan.sh build-tsan

stage "fuzz"
scripts/fuzz.sh

end_stage
