#!/usr/bin/env bash
# Renders the application icon into the usual hicolor PNG sizes. The SVG in
# app/icons is the one source of the art; rerun this after changing it.
set -euo pipefail
cd "$(dirname "$0")/.."
for size in 16 24 32 48 64 128 256; do
    out="packaging/icons/hicolor/${size}x${size}/apps"
    mkdir -p "$out"
    rsvg-convert -w "$size" -h "$size" app/icons/scrivlist.svg -o "$out/example.quillmark.Scrivlist.png"
done
