#!/usr/bin/env bash
# Draws the product's icons with ImageMagick: a lens over a page, in colour (pagelens.ico) and
# gray (pagelens_gray.ico), each with 16, 20, 24, 32 and 48 pixel images. Run it here after
# changing the drawing and commit the .ico files with it; the build does not run it.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The drawing is laid out on a 32-unit grid; u scales a unit to pixels at the given size.
draw_size() {
  local size=$1 out=$2
  u() { awk -v v="$1" -v s="$size" 'BEGIN { printf "%.2f", v * s / 32 }'; }
  w() { awk -v v="$1" -v s="$size" 'BEGIN { x = v * s / 32; if (x < 1) x = 1; printf "%.2f", x }'; }
  convert -size "${size}x${size}" xc:none \
    -stroke '#5a6478' -strokewidth "$(w 1.5)" -fill white \
    -draw "polygon $(u 5),$(u 2) $(u 19),$(u 2) $(u 26),$(u 9) $(u 26),$(u 29) $(u 5),$(u 29)" \
    -fill '#d6dce6' -draw "polygon $(u 19),$(u 2) $(u 19),$(u 9) $(u 26),$(u 9)" \
    -stroke '#8c96a8' -strokewidth "$(w 1.5)" -fill none \
    -draw "line $(u 9),$(u 8) $(u 16),$(u 8)" \
    -draw "line $(u 9),$(u 12) $(u 21),$(u 12)" \
    -draw "line $(u 9),$(u 16) $(u 12),$(u 16)" \
    -draw "line $(u 9),$(u 20) $(u 11),$(u 20)" \
    -draw "line $(u 9),$(u 24) $(u 12),$(u 24)" \
    -stroke '#463228' -strokewidth "$(w 4)" -draw "line $(u 23),$(u 23) $(u 30),$(u 30)" \
    -stroke '#1e50a0' -strokewidth "$(w 2.5)" -fill '#bedefaE0' \
    -draw "circle $(u 18),$(u 18) $(u 18),$(u 10.5)" \
    -stroke white -strokewidth "$(w 1.2)" -fill none \
    -draw "arc $(u 13),$(u 13) $(u 23),$(u 23) 190,260" \
    "PNG32:$out"
}

sizes=(16 20 24 32 48)
colour=() gray=()
for size in "${sizes[@]}"; do
  draw_size "$size" "$work/colour-$size.png"
  convert "$work/colour-$size.png" -colorspace Gray -colorspace sRGB "PNG32:$work/gray-$size.png"
  colour+=("$work/colour-$size.png")
  gray+=("$work/gray-$size.png")
done
convert "${colour[@]}" pagelens.ico
convert "${gray[@]}" pagelens_gray.ico
identify pagelens.ico pagelens_gray.ico
