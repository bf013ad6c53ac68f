#!/usr/bin/env bash
# Regenerates the launcher icons in program/desktop/icons from the window
# icon art in program/icons. Needs ImageMagick and fonts-noto-cjk; the
# results are committed, so the build does not need either.
#   32 and 64: the art itself; 16 and 48: the art scaled down;
#   128 and 256: the same design drawn again at full size, so it stays sharp.
set -euo pipefail
cd "$(dirname "$0")/.."
art=program/icons
out=program/desktop/icons
mkdir -p "$out"


cp "$art/app.png" "$out/pellomar-32.png"
cp "$art/app@2x.png" "$out/pellomar-64.png"
convert "$art/app.png" -filter Lanczos -resize 16x16 -strip "PNG32:$out/pellomar-16.png"
convert "$art/app@2x.png" -filter Lanczos -resize 48x48 -strip "PNG32:$out/pellomar-48.png"

for size in 128 256; do
  u=$((size / 64))             # one pixel of the 64-pixel art
  last=$((size - 1 - u))
  radius=$((12 * u))
  convert -size "${size}x${size}" gradient:'#E23E3E-#9C2B2B' \
    \( -size "${size}x${size}" xc:none -fill white \
       -draw "roundrectangle $u,$u,$last,$last,$radius,$radius" \) \
    -compose DstIn -composite -compose Over \
    -fill none -stroke '#7E2222' -strokewidth $((2 * u)) \
    -draw "roundrectangle $((2 * u)),$((2 * u)),$((last - u)),$((last - u)),$radius,$radius" \
    -stroke none -fill white -font Noto-Sans-CJK-SC-Bold -pointsize $((40 * u)) \
    -gravity center -annotate +0+$((1 * u)) '会' \
    -depth 8 -strip "PNG32:$out/pellomar-$size.png"
done
