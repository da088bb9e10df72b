#!/bin/sh
# Renders the menu's and the balloons' pictures from their SVG sources and
# draws the menu button's picture pixel by pixel. Run after editing a source;
# the PNGs are committed so the build needs neither tool.
#   resources/images/menu/render.sh
set -eu
cd "$(dirname "$0")/.."
for svg in menu/*.svg hints/*.svg; do
    rsvg-convert --format=png --output="${svg%.svg}.png" "$svg"
done
# 24-bit, no alpha: magenta (the bottom-left pixel's colour) marks what is
# transparent, so nothing may be blended with it.
convert -size 16x16 xc:'#ff00ff' +antialias \
    -fill '#1c5cc4' -stroke '#0e3a85' -draw 'rectangle 1,1 14,14' \
    -fill white -stroke white -draw 'polygon 4,6 11,6 7,10' \
    -define png:color-type=2 -strip btnmenu.png
