#!/usr/bin/env bash
# Builds the Debian package scrivlist_<version>_<arch>.deb from a Release build in build-release/
# (apart from the test build) and places it in build/.
# Usage: scripts/package.sh [extra CMake options]   then: sudo apt-get install ./build/scrivlist_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
release_dir=build-release

# The hardening flags Debian builds its own packages with.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$release_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCRIVLIST_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "$@"
cmake --build "$release_dir" --target scrivlist scrivlist_samples scrivlist_docs
rm -f "$release_dir"/scrivlist_*.deb build/scrivlist_*.deb
(cd "$release_dir" && cpack -G DEB)

mkdir -p build
cp "$release_dir"/scrivlist_*.deb build/
ls build/scrivlist_*.deb
