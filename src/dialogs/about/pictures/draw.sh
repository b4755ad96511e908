#!/usr/bin/env bash
# Draws the About window's two pictures with ImageMagick: author.jpg
# (160 x 195) and address.gif (512 x 48). Run by hand after changing the
# drawing; the pictures are committed, the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"

# author.jpg: a face-up piece with a smiling face, and the two players' mice
# with their cables meeting under it.
convert -size 160x195 gradient:'#7fd4d4'-'#1f6f7a' \
    -fill '#ffe0c0' -stroke '#505050' -strokewidth 2 -draw "roundrectangle 38,18 122,102 8,8" \
    -fill none -stroke black -strokewidth 3 -draw "circle 80,60 80,30" \
    -fill black -stroke none -draw "circle 69,50 69,45" -draw "circle 91,50 91,45" \
    -fill none -stroke black -strokewidth 3 -draw "arc 62,52 98,78 20,160" \
    -fill none -stroke '#f0f0f0' -strokewidth 3 \
    -draw "bezier 42,150 42,120 80,130 80,104" -draw "bezier 118,150 118,120 80,130 80,104" \
    -stroke '#303030' -strokewidth 1 \
    -fill '#e4e8aa' -draw "ellipse 42,165 16,24 0,360" \
    -fill '#c8e5f8' -draw "ellipse 118,165 16,24 0,360" \
    -stroke '#303030' -strokewidth 2 -draw "line 42,141 42,160" -draw "line 118,141 118,160" \
    -draw "line 27,160 57,160" -draw "line 103,160 133,160" \
    -quality 90 -strip author.jpg

# address.gif: the game's name on a band in the table's colour, grey below
# where the two link labels sit.
convert -size 512x48 xc:'#c0c0c0' \
    -fill '#00a0a8' -draw "rectangle 0,0 511,22" \
    -fill '#006870' -draw "rectangle 0,22 511,23" \
    -font DejaVu-Sans-Bold -pointsize 13 -fill white -draw "text 10,16 'LUMBRAST'" \
    -font DejaVu-Sans -pointsize 11 -draw "text 100,16 'a pairs game for two players, two mice and one computer'" \
    -stroke '#404040' -strokewidth 1 \
    -fill '#e4e8aa' -draw "rectangle 440,4 453,17" -fill '#ffe0c0' -draw "rectangle 456,4 469,17" \
    -fill '#c8e5f8' -draw "rectangle 472,4 485,17" -fill '#e4e8aa' -draw "rectangle 488,4 501,17" \
    -colors 32 -strip address.gif
