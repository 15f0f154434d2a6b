#!/usr/bin/env bash
# Installs what building and running need and is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
scripts/build.sh build
exec build/scrivlist
