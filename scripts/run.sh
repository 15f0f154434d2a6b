#!/usr/bin/env bash
# Installs what building and running need and is missing, builds the program (not the tests), and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake -S . -B build -G Ninja
cmake --build build --target scrivlist -j"$(nproc)"
exec build/scrivlist
