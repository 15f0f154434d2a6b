#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

stage_start=$SECONDS
stage() {
    echo "== $1 ($((SECONDS - stage_start)) s so far)"
}

stage "install"
scripts/install-deps.sh

stage "build"
werror=OFF
if [ "${CI:-}" = "true" ]; then
    werror=ON
fi
scripts/build.sh build -DSCRIVLIST_WERROR="$werror"

stage "tests"
ctest --test-dir build --output-on-failure -j2

stage "done"
