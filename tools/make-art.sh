#!/bin/bash
# Draws the program's artwork (icons and banners) into res/. Run by hand when
# the artwork changes; the results are committed so the build needs no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/../res"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

# The key: a navy body with a gold contact plate and a ring for the lanyard.
key() {
  local s=$1 out=$2
  convert -size 64x64 xc:none \
    -fill '#1f4e8c' -draw "roundrectangle 14,6 50,50 7,7" \
    -fill '#f2f5fa' -draw "circle 32,18 32,12" -fill '#1f4e8c' -draw "circle 32,18 32,15" \
    -fill '#d9a520' -draw "rectangle 22,50 42,60" \
    -fill '#8a6a10' -draw "rectangle 26,53 29,57" -draw "rectangle 35,53 38,57" \
    -fill '#f2f5fa' -draw "rectangle 22,30 42,33" -draw "rectangle 22,37 36,40" \
    -resize "${s}x${s}" "$out"
}
for s in 48 32 24 16; do key $s "$tmp/key$s.png"; done
convert "$tmp/key48.png" "$tmp/key32.png" "$tmp/key24.png" "$tmp/key16.png" KeyTool.ico

# The card shown beside each certificate: 16 x 16 in 16 colours.
convert -size 16x16 xc:none -fill '#1f4e8c' -draw "roundrectangle 1,3 14,12 2,2" \
  -fill '#d9a520' -draw "rectangle 3,6 6,9" -fill white -draw "rectangle 8,6 12,6" \
  -draw "rectangle 8,9 11,9" -colors 16 "$tmp/card.png"
convert "$tmp/card.png" Card.ico

banner() {
  local w=$1 h=$2 title=$3 out=$4
  convert -size "${w}x${h}" gradient:'#163a6b'-'#2f6db5' \
    \( "$tmp/key48.png" \) -gravity west -geometry +14+0 -composite \
    -font "$font" -fill white -pointsize 22 -gravity west -annotate +76-10 "$title" \
    -fill '#cfe0f5' -pointsize 13 -annotate +76+18 "网上银行 UsbKey" \
    -type TrueColor BMP3:"$out"
}
banner 467 98 "Qelmora UsbKey 管理工具" Banner.bmp
banner 327 98 "Qelmora UsbKey" AboutBanner.bmp
