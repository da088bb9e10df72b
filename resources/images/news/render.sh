#!/bin/sh
# Renders the tool bar pictures (30 x 30, 32-bit with alpha) from their SVG
# drawings. The PNGs are committed; run this after changing a drawing.
set -e
cd "$(dirname "$0")"
for name in voltar avancar atualizar sair; do
    rsvg-convert --width 30 --height 30 --format png --output "$name.png" "$name.svg"
done
