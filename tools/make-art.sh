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

# The card shown beside each certificate, in 16 colours, drawn afresh at the
# small-icon size of 100, 125, 150 and 200 % on whole pixels: the tree takes
# the size the system asks for.
card() {
  local s=$1
  at() { awk "BEGIN { printf \"%d\", $1 * $s / 16 + 0.5 }"; }
  local line=$(($(at 1) - 1))
  convert -size "${s}x${s}" xc:none -fill '#1f4e8c' \
    -draw "roundrectangle $(at 1),$(at 3) $(at 14),$(at 12) $(at 2),$(at 2)" \
    -fill '#d9a520' -draw "rectangle $(at 3),$(at 6) $(at 6),$(at 9)" -fill white \
    -draw "rectangle $(at 8),$(at 6) $(at 12),$(($(at 6) + line))" \
    -draw "rectangle $(at 8),$(at 9) $(at 11),$(($(at 9) + line))" \
    -colors 16 "$tmp/card$s.png"
}
for s in 16 20 24 32; do card $s; done
convert "$tmp/card16.png" "$tmp/card20.png" "$tmp/card24.png" "$tmp/card32.png" Card.ico

# The key drawn large once, for the banners at every scale.
convert -size 256x256 xc:none -fill '#1f4e8c' -draw "scale 4,4 roundrectangle 14,6 50,50 7,7" \
  -fill '#f2f5fa' -draw "scale 4,4 circle 32,18 32,12" -fill '#1f4e8c' -draw "scale 4,4 circle 32,18 32,15" \
  -fill '#d9a520' -draw "scale 4,4 rectangle 22,50 42,60" \
  -fill '#8a6a10' -draw "scale 4,4 rectangle 26,53 29,57" -draw "scale 4,4 rectangle 35,53 38,57" \
  -fill '#f2f5fa' -draw "scale 4,4 rectangle 22,30 42,33" -draw "scale 4,4 rectangle 22,37 36,40" \
  "$tmp/key256.png"

# A banner at its 96-dpi size (w x h) times percent, drawn afresh at each scale
# rather than resized, as an 8-bit palette PNG without dates so that a rerun
# gives the same bytes. The program scales the nearest one to its control.
banner() {
  local w=$1 h=$2 percent=$3 title=$4 size=$5 out=$6
  local W=$((w * percent / 100)) H=$((h * percent / 100)) pad=$((16 * percent / 100))
  local k=$((h * 42 * percent / 10000))
  local plate=$((k + pad)) top=$(((h * percent / 100 - k - pad) / 2))
  local text=$((pad + plate + 18 * percent / 100))
  convert -size "${W}x${H}" gradient:'#163a6b'-'#2f6db5' \
    -fill 'rgba(255,255,255,0.16)' \
    -draw "roundrectangle $pad,$top $((pad + plate)),$((top + plate)) $((pad / 2)),$((pad / 2))" \
    \( "$tmp/key256.png" -resize "${k}x${k}" \) -gravity west -geometry "+$((pad + pad / 2))+0" -composite \
    -font "$font" -fill white -pointsize $((size * percent / 100)) \
    -annotate "+$text-$((size * percent / 200))" "$title" \
    -fill '#cfe0f5' -pointsize $((size * 58 * percent / 10000)) \
    -annotate "+$text+$((size * 85 * percent / 10000))" "网上银行 UsbKey" \
    -dither None -colors 256 -strip -define png:exclude-chunks=date,time PNG8:"$out"
}
for percent in 100 150 200; do
  suffix=$([[ $percent == 100 ]] && echo "" || echo "-$percent")
  banner 448 136 $percent "Qelmora UsbKey 管理工具" 24 "Banner$suffix.png"
  banner 324 98 $percent "Qelmora UsbKey" 22 "AboutBanner$suffix.png"
done
