#!/usr/bin/env bash
# Installs what is missing, checks the format, builds, runs every test, builds and checks the
# Debian package, then clang-tidy, the whole suite again under ASan + UBSan and under TSan, and
# a short run of every fuzz target.
# Last, the package and the test command on fresh Debian 12 and 13 roots (needs root and the mirror).
# Any failure ends the run; the time of every stage is printed at the end.
# SCRIVLIST_STAGES="install format build tests" runs only the stages named; --list-stages prints them all.
set -euo pipefail
cd "$(dirname "$0")/.."

all_stages=(install format build tests package tidy sanitizers tsan fuzz fresh)
if [ "${1:-}" = --list-stages ]; then
    echo "${all_stages[*]}"
    exit 0
fi
read -ra chosen_stages <<<"${SCRIVLIST_STAGES:-${all_stages[*]}}"
for name in "${chosen_stages[@]}"; do
    [[ " ${all_stages[*]} " == *" $name "* ]] || {
        echo "test.sh: no stage '$name' (stages: ${all_stages[*]})" >&2
        exit 2
    }
done
wanted() { [[ " ${chosen_stages[*]} " == *" $1 "* ]]; }

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

echo "== stages: ${chosen_stages[*]}"

if wanted install; then
    stage "install"
    scripts/install-deps.sh test
fi

# Seconds, so first: an unformatted file fails before anything is built.
if wanted format; then
    stage "format"
    scripts/check-format.sh
fi

if wanted build; then
    stage "build"
    werror=OFF
    if [ "${CI:-}" = "true" ]; then
        werror=ON
    fi
    scripts/build.sh build -DSCRIVLIST_WERROR="$werror"
fi

if wanted tests; then
    stage "tests"
    ctest --test-dir build --output-on-failure -j2
fi

# The Debian package from its own Release build, checked unpacked in a throwaway root.
if wanted package; then
    stage "package"
    scripts/check-package.sh
fi

if wanted tidy; then
    stage "tidy"
    scripts/tidy.sh build
fi

if wanted sanitizers; then
    stage "sanitizers"
    scripts/sanitize.sh build-asan
fi

if wanted tsan; then
    stage "tsan"
    scripts/tsan.sh build-tsan
fi

if wanted fuzz; then
    stage "fuzz"
    scripts/fuzz.sh
fi

# The package installed and started on fresh Debian 12 and 13 roots, and every other stage of this
# command run again in the Debian 13 one.
if wanted fresh; then
    stage "fresh"
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" scripts/check-fresh-machines.sh
fi

end_stage
