#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only what is missing is installed; nothing happens when all are present.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # run: Arial resolves to a metric-compatible face; the SVG icon
    fonts-liberation libqt6svg6 qt6-image-formats-plugins
    # checks: sanitizers, fuzzing, format and lint
    clang libclang-rt-14-dev clang-format clang-tidy
    # end-to-end test in a real window
    xvfb xauth dbus dbus-x11 at-spi2-core python3-pyatspi python3-xlib xdotool xclip x11-utils imagemagick
    # benchmark: the share and slow-disk stand-in, and a parallel finder to compare with
    libfuse3-dev fuse3 fd-find
    # packaging validators
    desktop-file-utils appstream
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
