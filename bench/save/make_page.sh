#!/usr/bin/env bash
# Writes a page-like 1280 x 12800 PNG to $1 with ImageMagick: eight screens, each with a
# coloured title bar, paragraphs of text, a row of colour blocks, a photo-like picture and a
# gradient band, so that the writers see the flat areas, sharp text and smooth tones of a capture.
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

words="the quick brown fox jumps over the lazy dog while seven wizards quietly judge boxing
matches and a dozen liquor jugs sit on the shelf beside the old clock that ticks every second"
lines() {  # $1 lines of about $2 characters
  for _ in $(seq 30); do echo "$words"; done | tr '\n' ' ' | fold -s -w "$2" | head -n "$1"
}

for screen in $(seq 0 7); do
  hue=$((screen * 45))
  convert -size 1280x1600 xc:white \
    -fill "hsl($hue,60%,35%)" -draw 'rectangle 0,0 1279,80' \
    -font DejaVu-Sans-Bold -pointsize 28 -fill white -annotate +32+52 "Chapter $((screen + 1))" \
    -font DejaVu-Sans -pointsize 14 -fill '#202020' -annotate +32+120 "$(lines 24 80)" \
    \( -size 480x360 -seed $((screen + 7)) plasma:"hsl($hue,70%,55%)"-navy -blur 0x2 \) \
    -geometry +760+110 -composite \
    -fill "hsl($((hue + 120)),70%,50%)" -draw 'rectangle 32,560 300,700' \
    -fill "hsl($((hue + 200)),70%,50%)" -draw 'rectangle 330,560 600,700' \
    -fill '#ffcc00' -draw 'rectangle 630,560 900,700' \
    \( -size 140x1216 gradient:white-"hsl($hue,65%,40%)" -rotate 90 \) -geometry +32+730 -composite \
    -font DejaVu-Serif -pointsize 16 -fill '#102060' -annotate +32+920 "$(lines 12 120)" \
    -font DejaVu-Sans-Mono -pointsize 12 -fill '#444444' -annotate +32+1180 "$(lines 20 170)" \
    "$work/screen$screen.png"
done
convert "$work"/screen{0..7}.png -append -strip -depth 8 PNG24:"$out"
