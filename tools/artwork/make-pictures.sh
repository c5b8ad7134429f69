#!/bin/sh
# Draws the program's own pictures with ImageMagick: the program icon (icon 128), the button icons
# (icons 260, 261, 290, 291, 292, 296), the tip-of-the-day header (bitmap 102), the splash picture
# (GIF 180), the about box's animation (GIF 176), the percentage dialog's animation (GIF 250) and
# the score-history dialog's buttons and background.
# Run by hand after changing it; its output under res/pictures/ is committed.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../res/pictures"
font=${VELTORA_ART_FONT:-WenQuanYi-Micro-Hei}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out/icon" "$out/bitmap" "$out/gif"

# Program icon, 32 × 32: a blue tile with three rising bars and a trend line.
convert -size 32x32 xc:none \
    -fill '#174a8b' -draw 'roundrectangle 1,1 30,30 6,6' \
    -fill '#2f6fc0' -draw 'roundrectangle 3,3 28,15 5,5' \
    -fill white -draw 'rectangle 7,18 11,26' -draw 'rectangle 14,13 18,26' -draw 'rectangle 21,8 25,26' \
    -stroke '#ffd23f' -strokewidth 2 -fill none -draw 'polyline 6,16 13,11 19,9 26,4' \
    "$out/icon/128.png"

# Button icons, 20 × 20: exit (260), cancel (261), settings (290), OK (291), print (292).
convert -size 20x20 xc:none \
    -fill '#8b5a2b' -draw 'rectangle 3,2 12,17' -fill '#d9b98c' -draw 'rectangle 5,4 10,17' \
    -fill '#c0392b' -draw 'polygon 10,10 15,6 15,8 19,8 19,12 15,12 15,14' \
    "$out/icon/260.png"
convert -size 20x20 xc:none \
    -fill '#c0392b' -draw 'circle 10,10 10,2' \
    -stroke white -strokewidth 2.5 -draw 'line 6.5,6.5 13.5,13.5' -draw 'line 13.5,6.5 6.5,13.5' \
    "$out/icon/261.png"
convert -size 20x20 xc:none \
    -fill '#4a5a6a' -draw 'circle 10,10 10,2' \
    -fill '#4a5a6a' -draw 'rectangle 8,0 12,19' -draw 'rectangle 0,8 19,12' \
    -draw 'polygon 2,4 4,2 17,15 15,17' -draw 'polygon 15,2 17,4 4,17 2,15' \
    -fill '#e8eef4' -draw 'circle 10,10 10,6.5' \
    "$out/icon/290.png"
convert -size 20x20 xc:none \
    -fill '#27ae60' -draw 'circle 10,10 10,2' \
    -stroke white -strokewidth 2.5 -fill none -draw 'polyline 5.5,10.5 8.5,13.5 14.5,6.5' \
    "$out/icon/291.png"
convert -size 20x20 xc:none \
    -fill white -stroke '#555555' -draw 'rectangle 5,2 14,8' \
    -fill '#7f8c8d' -stroke '#34495e' -draw 'roundrectangle 1,7 18,14 2,2' \
    -fill white -stroke '#555555' -draw 'rectangle 5,12 14,18' \
    -stroke '#95a5a6' -draw 'line 7,14 12,14' -draw 'line 7,16 12,16' \
    -stroke none -fill '#2ecc71' -draw 'rectangle 15,9 16,10' \
    "$out/icon/292.png"
# Distribution (296), 20 × 20: bars under a bell curve.
convert -size 20x20 xc:none \
    -fill '#5b8fd0' -stroke '#2c5a94' -strokewidth 1 \
    -draw 'rectangle 2,14 5,18' -draw 'rectangle 6,8 9,18' -draw 'rectangle 10,6 13,18' -draw 'rectangle 14,12 17,18' \
    -stroke '#d0392b' -strokewidth 1.5 -fill none -draw 'bezier 1,18 6,17 7,3 10,3 13,3 14,17 19,18' \
    "$out/icon/296.png"

# Tip of the day: a light bulb and "你知道吗……" across the top of the white panel.
convert -size 400x56 xc:white \
    -stroke '#f2c230' -strokewidth 2 \
    -draw 'line 28,3 28,7' -draw 'line 12,10 15,13' -draw 'line 44,10 41,13' -draw 'line 8,24 12,24' -draw 'line 44,24 48,24' \
    -stroke '#b8860b' -strokewidth 1 -fill '#ffe066' -draw 'circle 28,24 28,12' \
    -stroke none -fill '#fff6c4' -draw 'circle 24,20 24,16' \
    -fill '#8a8a8a' -draw 'rectangle 22,36 34,39' -fill '#6d6d6d' -draw 'rectangle 22,40 34,43' \
    -fill '#8a8a8a' -draw 'rectangle 24,44 32,46' \
    -font "$font" -pointsize 20 -fill '#1f3f7f' -annotate +60+33 '你知道吗……' \
    -fill '#c8c8c8' -draw 'rectangle 10,52 390,52' \
    -type TrueColor "BMP3:$out/bitmap/102.bmp"

# Splash, 560 × 360. The program writes its version at (width - w - 250, height - h - 262), on
# the light panel below the title.
convert -size 560x360 gradient:'#0d3b66'-'#1b998b' \
    -fill '#f4f8fb' -draw 'roundrectangle 20,20 540,112 12,12' \
    -font "$font" -pointsize 38 -fill '#0d3b66' -annotate +40+70 'Veltora' \
    -pointsize 26 -fill '#1b6f8b' -annotate +212+68 '成绩分析系统' \
    -fill '#7fa7c4' -draw 'rectangle 40,80 200,82' \
    -fill '#ffffff60' -draw 'rectangle 330,300 360,330' -draw 'rectangle 370,260 400,330' \
    -draw 'rectangle 410,220 440,330' -draw 'rectangle 450,180 480,330' -draw 'rectangle 490,150 520,330' \
    -stroke '#ffd23f' -strokewidth 3 -fill none -draw 'polyline 345,288 385,248 425,208 465,168 505,138' \
    -stroke none -fill white -pointsize 20 -annotate +34+292 '中小学考试成绩管理与统计分析' \
    -pointsize 14 -fill '#d8eef0' -annotate +34+326 'tavrin studio' \
    -colors 128 "$out/gif/180.gif"

# About box: 64 × 64, four bars rising in turn on a transparent ground (eight frames, 150 ms).
i=0
for heights in "8 4 4 4" "16 8 4 4" "24 16 8 4" "32 24 16 8" "40 32 24 16" "40 40 32 24" "40 40 40 32" "40 40 40 40"; do
    set -- $heights
    convert -size 64x64 xc:none \
        -fill '#174a8b' -draw 'rectangle 4,56 59,58' \
        -fill '#e4572e' -draw "rectangle 8,$((55 - $1)) 17,55" \
        -fill '#f2c230' -draw "rectangle 21,$((55 - $2)) 30,55" \
        -fill '#29a36a' -draw "rectangle 34,$((55 - $3)) 43,55" \
        -fill '#2f6fc0' -draw "rectangle 47,$((55 - $4)) 56,55" \
        "$work/frame$i.png"
    i=$((i + 1))
done
convert -delay 15 -dispose Background -loop 0 "$work"/frame[0-7].png "$out/gif/176.gif"

# Percentage dialog: 48 × 48, a pie whose highlighted share grows from 12.5 % to the whole
# (eight frames, 200 ms).
i=0
for angle in 45 90 135 180 225 270 315 360; do
    end=$((angle - 90))
    x=$(awk "BEGIN { printf \"%d\", 24 + 20 * cos($end * 3.14159265 / 180) }")
    y=$(awk "BEGIN { printf \"%d\", 24 + 20 * sin($end * 3.14159265 / 180) }")
    large=0
    [ "$angle" -gt 180 ] && large=1
    if [ "$angle" -eq 360 ]; then
        share="circle 24,24 24,4"
    else
        share="path 'M 24,24 L 24,4 A 20,20 0 $large,1 $x,$y Z'"
    fi
    eval convert -size 48x48 xc:none \
        -fill "'#d8e4f2'" -stroke "'#174a8b'" -strokewidth 1 -draw "'circle 24,24 24,4'" \
        -fill "'#e4572e'" -stroke "'#174a8b'" -draw "\"$share\"" \
        "$work/pie$i.png"
    i=$((i + 1))
done
convert -delay 20 -dispose Background -loop 0 "$work"/pie[0-7].png "$out/gif/250.gif"

# The score-history dialog's buttons, 32 × 32: the font (262, lit for hovering: 263), the search
# (280) and the spreadsheet export (286); and its background, bitmap 288 of the resource library.
for lit in 0 1; do
    if [ "$lit" = 1 ]; then tile='#ffe9a8'; ink='#b03a12'; id=263; else tile='#e8eef7'; ink='#1f3f7f'; id=262; fi
    convert -size 32x32 xc:none \
        -fill "$tile" -stroke '#7a8aa6' -draw 'roundrectangle 1,1 30,30 5,5' -stroke none \
        -font DejaVu-Serif-Bold -pointsize 22 -fill "$ink" -annotate +4+23 'A' \
        -font DejaVu-Sans-Bold -pointsize 13 -fill '#c0392b' -annotate +19+27 'a' \
        "$out/icon/$id.png"
done
convert -size 32x32 xc:none \
    -stroke '#1f3f7f' -strokewidth 3 -fill '#d9ecff' -draw 'circle 13,13 13,4' \
    -stroke none -fill '#ffffffb0' -draw 'circle 10,10 10,7' \
    -stroke '#8a5a1c' -strokewidth 5 -draw 'line 20,20 28,28' \
    "$out/icon/280.png"
convert -size 32x32 xc:none \
    -fill white -stroke '#1e6b3a' -strokewidth 1 -draw 'rectangle 3,4 28,27' \
    -fill '#2e8b57' -stroke none -draw 'rectangle 4,5 27,10' \
    -stroke '#7fbf95' -draw 'line 4,16 27,16' -draw 'line 4,21 27,21' -draw 'line 12,11 12,26' -draw 'line 20,11 20,26' \
    -stroke none -fill white -font DejaVu-Sans-Bold -pointsize 7 -annotate +7+10 'XLS' \
    "$out/icon/286.png"
mkdir -p "$here/../../platform/drensil/pictures/bitmap"
convert -size 611x397 gradient:'#f3f7fc'-'#d6e2f1' \
    -fill '#ffffff55' -draw 'circle 560,360 560,250' -draw 'circle 40,380 40,330' \
    -fill '#c4d4ea60' -draw 'polygon 0,300 611,250 611,397 0,397' \
    "$here/../../platform/drensil/pictures/bitmap/288.png"

echo "pictures written to $out"
