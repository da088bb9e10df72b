#!/bin/sh
# Renders the About window's banner from banner.svg into banner.jpg
# (562 x 193, baseline JPEG without metadata, so a rerun gives the same file
# on the same tool versions). Needs rsvg-convert (librsvg2-bin), ImageMagick
# and the DejaVu fonts.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rsvg-convert --width 562 --height 193 --background-color '#1d4e96' \
    -o "$tmp/banner.png" "$here/banner.svg"
convert "$tmp/banner.png" -strip -interlace none -sampling-factor 2x2 \
    -quality 90 -define jpeg:dct-method=integer "$here/banner.jpg"
