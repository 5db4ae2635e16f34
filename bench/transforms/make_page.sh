#!/usr/bin/env bash
# Writes a page-like test image, 1280 x 12800 PNG, to $1: eight screens of a web page, each with
# a coloured header bar, columns of text, a photo-like plasma picture, a gradient band and a
# tinted box, so the transforms see the mix of flat areas, edges and smooth tones a capture has.
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

words="lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt
ut labore et dolore magna aliqua enim ad minim veniam quis nostrud exercitation ullamco laboris
nisi aliquip ex ea commodo consequat duis aute irure in reprehenderit voluptate velit esse cillum"
paragraph() {  # $1 lines of about $2 characters
  local text
  text=$(for _ in $(seq 40); do echo "$words"; done | tr '\n' ' ' | fold -s -w "$2" | head -n "$1")
  printf '%s\n' "$text"
}

for screen in $(seq 0 7); do
  convert -size 1280x1600 xc:white \
    -fill "hsl($((screen * 45)),55%,30%)" -draw 'rectangle 0,0 1279,88' \
    -font DejaVu-Sans-Bold -pointsize 30 -fill white -annotate +40+58 "Section $((screen + 1)) of the page" \
    -font DejaVu-Sans -pointsize 15 -fill '#222222' -annotate +40+140 "$(paragraph 22 70)" \
    \( -size 560x380 -seed $((screen + 1)) plasma:"hsl($((screen * 45)),70%,60%)"-steelblue -blur 0x3 \) \
    -geometry +680+130 -composite \
    \( -size 1200x120 gradient:"#f7f7f7"-"hsl($((screen * 45 + 90)),60%,45%)" -rotate 90 -resize 1200x120! \) \
    -geometry +40+560 -composite \
    -fill '#eef3fa' -stroke '#9ab' -draw 'rectangle 40,720 1240,1000' -stroke none \
    -font DejaVu-Serif -pointsize 17 -fill '#1a1a6a' -annotate +60+760 "$(paragraph 10 110)" \
    -font DejaVu-Sans -pointsize 13 -fill '#555555' -annotate +40+1060 "$(paragraph 28 150)" \
    "$work/screen$screen.png"
done
convert "$work"/screen{0..7}.png -append -strip -depth 8 PNG24:"$out"
