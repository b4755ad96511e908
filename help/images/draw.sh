#!/usr/bin/env bash
# Draws the help pictures (a sketch of the game window and a close-up of its
# table) with ImageMagick. Run by hand after changing the drawing; the PNG
# files are committed, the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"

font=DejaVu-Sans
bold=DejaVu-Sans-Bold

button() { # x y w h caption [text colour]
    local x=$1 y=$2 w=$3 h=$4 cap=$5 col=${6:-black}
    echo "fill #e0e0e0 stroke #707070 roundrectangle $x,$y $((x + w - 1)),$((y + h - 1)) 3,3"
    echo "stroke none fill $col text $((x + w / 2 - ${#cap} * 3)),$((y + h / 2 + 4)) '$cap'"
}

frame() { # x y w h caption
    local x=$1 y=$2 w=$3 h=$4 cap=$5
    echo "fill none stroke #808080 rectangle $x,$((y + 6)) $((x + w - 1)),$((y + h - 1))"
    if [ -n "$cap" ]; then
        echo "stroke none fill #c0c0c0 rectangle $((x + 6)),$y $((x + 10 + ${#cap} * 5)),$((y + 12))"
        echo "fill black text $((x + 9)),$((y + 10)) '$cap'"
    fi
}

piece() { # x y colour
    echo "fill $3 stroke #606060 rectangle $1,$2 $(($1 + 63)),$(($2 + 63))"
}

face() { # centre x, centre y, smile (1) or frown (0)
    local cx=$1 cy=$2
    echo "fill none stroke black stroke-width 2 circle $cx,$cy $((cx + 20)),$cy"
    echo "fill black stroke none circle $((cx - 7)),$((cy - 6)) $((cx - 5)),$((cy - 6))"
    echo "circle $((cx + 7)),$((cy - 6)) $((cx + 9)),$((cy - 6))"
    if [ "$3" = 1 ]; then
        echo "fill none stroke black stroke-width 2 arc $((cx - 11)),$((cy - 6)) $((cx + 11)),$((cy + 12)) 20,160"
    else
        echo "fill none stroke black stroke-width 2 arc $((cx - 11)),$((cy + 5)) $((cx + 11)),$((cy + 20)) 200,340"
    fi
    echo "stroke-width 1"
}

keyboard() { # centre x, centre y
    local cx=$1 cy=$2 r c
    echo "fill #303030 stroke none roundrectangle $((cx - 24)),$((cy - 13)) $((cx + 24)),$((cy + 13)) 3,3"
    for r in 0 1 2; do
        for c in 0 1 2 3 4 5; do
            echo "fill white rectangle $((cx - 21 + c * 7)),$((cy - 10 + r * 7)) $((cx - 17 + c * 7)),$((cy - 6 + r * 7))"
        done
    done
}

mouse() { # centre x, centre y
    local cx=$1 cy=$2
    echo "fill #303030 stroke none ellipse $cx,$((cy + 4)) 13,19 0,360"
    echo "stroke white stroke-width 2 line $cx,$((cy - 14)) $cx,$((cy - 2))"
    echo "line $((cx - 12)),$((cy - 2)) $((cx + 12)),$((cy - 2))"
    echo "stroke black line $cx,$((cy - 15)) $cx,$((cy - 26)) stroke-width 1 stroke none"
}

{
    # menu bar
    echo "fill #ececec rectangle 0,0 428,18"
    echo "fill black text 8,13 'File    Mice    Options    Music    Help'"
    # list of mice
    frame 6 22 417 113 ""
    echo "fill white stroke #808080 rectangle 14,34 415,127"
    echo "fill #e4e4e4 stroke none rectangle 15,35 414,49"
    echo "fill black text 20,46 'Mice - Device Description' text 300,46 'hDevice'"
    echo "text 20,63 'USB Optical Mouse' text 300,63 '10'"
    echo "text 20,79 'Wireless Mouse' text 300,79 '11'"
    # game frame
    frame 6 140 417 273 "Feeling lucky?"
    echo "fill black text 14,174 'Mice - Device Description' text 246,174 'hDevice' text 334,174 'Players:'"
    echo "text 14,198 'USB Optical Mouse' text 246,198 '10'"
    echo "text 14,222 'Wireless Mouse' text 246,222 '11'"
    button 310 180 21 21 1
    button 310 204 21 21 2
    echo "fill white stroke #808080 rectangle 334,181 414,199 rectangle 334,205 414,223"
    echo "stroke none fill black text 338,195 'Ann' text 338,219 'Ben'"
    # score panel
    echo "fill black text 62,256 'Ann' text 100,256 'Ben'"
    echo "text 14,279 'Points:' text 14,305 'Sets:' text 14,331 'Match'"
    echo "fill black rectangle 60,264 95,286 rectangle 99,264 134,286"
    echo "fill white rectangle 60,290 95,312 rectangle 99,290 134,312 rectangle 60,316 95,338 rectangle 99,316 134,338"
    echo "font $bold fill white text 71,281 '5' text 110,281 '3'"
    echo "fill #0000c0 text 71,307 '1' text 110,307 '0' text 71,333 '0' text 110,333 '0' font $font"
    # table
    echo "fill #00c0c0 stroke #606060 rectangle 142,244 294,404"
    piece 150 260 '#e4e8aa'
    piece 222 260 '#ffe0c0'
    piece 150 332 '#c8e5f8'
    piece 222 332 '#ffe0c0'
    keyboard 182 292
    face 254 292 0
    mouse 182 366
    face 254 364 1
    echo "fill #004040 stroke none rectangle 214,321 222,333"
    # first move, timer, buttons
    frame 310 247 105 33 "Select First Move"
    echo "fill white stroke black circle 322,268 327,268 circle 367,268 372,268"
    echo "fill black stroke none circle 322,268 324,268 text 331,272 'P1' text 376,272 'P2'"
    echo "fill black rectangle 310,292 334,313"
    echo "font $bold fill white text 313,308 '00' font $font"
    button 342 292 73 25 Start
    button 342 324 73 25 Pause '#909090'
    button 342 380 73 25 Exit
} > window.draw

convert -size 429x420 xc:'#c0c0c0' -font "$font" -pointsize 10 -draw "$(cat window.draw)" -depth 8 -strip window.png
convert window.png -crop 288x176+136+238 +repage -depth 8 -strip table.png
rm window.draw
