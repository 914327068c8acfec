#!/usr/bin/env bash
# Draws every picture of the program (button faces, logo, busy spinner, icon)
# with ImageMagick and writes them into app/resources/art/.
#
# The pictures are checked in; run this again only when the artwork changes.
# Needs ImageMagick's `convert` and the Noto CJK fonts (Debian: imagemagick,
# fonts-noto-cjk). Output is byte-for-byte repeatable: no dates or comments are
# written into the files, so a rerun leaves git clean.
#
# Usage: tools/make-artwork.sh [output-dir]
set -euo pipefail
# Text is cut into single characters below; that needs a UTF-8 locale.
export LC_ALL=C.UTF-8

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${1:-$here/../app/resources/art}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Simplified-Chinese faces: the SC variants draw 查/询/息 the mainland way.
font_bold=Noto-Sans-CJK-SC-Bold
font_regular=Noto-Sans-CJK-SC
for f in "$font_bold" "$font_regular"; do
    if ! convert -list font | grep -q "Font: $f\$"; then
        echo "make-artwork: font $f not found (install fonts-noto-cjk)" >&2
        exit 1
    fi
done

# Keep files free of timestamps and comments so reruns are identical.
png_opts=(-strip -define 'png:exclude-chunks=date,time')
jpg_opts=(-strip -sampling-factor 4:4:4 -quality 94)

# ---------------------------------------------------------------------------
# Button faces, 128 x 33: a vertical gradient with a dark rim, a light line
# under the top edge, a white symbol on the left and the white caption.
# $1 file, $2 top colour, $3 bottom colour, $4 rim colour, $5 caption,
# $6 caption point size, $7 caption centre x, rest: ImageMagick draw
# arguments for the symbol.
button() {
    local file=$1 top=$2 bottom=$3 rim=$4 caption=$5 point=$6 centre_x=$7
    shift 7
    local shift_x=$((centre_x - 64))
    convert -size 128x33 "gradient:$top-$bottom" \
        -fill none -stroke "$rim" -strokewidth 1 -draw 'rectangle 0.5,0.5 127.5,32.5' \
        -stroke 'rgba(255,255,255,0.45)' -draw 'line 1.5,1.5 126.5,1.5' \
        -stroke white -strokewidth 2 "$@" \
        -stroke none -fill 'rgba(0,0,0,0.35)' -font "$font_bold" -pointsize "$point" \
        -gravity center -annotate "+$((shift_x + 1))+1" "$caption" \
        -fill white -annotate "+${shift_x}+0" "$caption" \
        "${jpg_opts[@]}" "$out/$file"
}

# Magnifying glass: a ring and a handle to the lower right.
magnifier=(-fill none -draw 'circle 17,14.5 17,21'
    -strokewidth 3 -draw 'line 21.5,19.5 26,24.5')
button start-query.jpg '#5aa7ee' '#1d5fae' '#15477f' '开始查询' 15 74 "${magnifier[@]}"

# Shopping bag: a small box with a handle arc; the shop's name is long, so
# bag and caption are smaller than on the other faces.
bag=(-fill none -draw 'rectangle 9,13 20,25'
    -strokewidth 1.5 -draw 'arc 11.5,8 17.5,17 180,360')
button shop.jpg '#5aa7ee' '#1d5fae' '#15477f' 'Kestrune网店' 13 75 "${bag[@]}"

# Waste bin: lid with a grip, a tapering body with three ribs.
bin=(-fill none -draw 'line 10,10 26,10' -draw 'line 15,7.5 21,7.5'
    -draw 'polygon 12,12 24,12 22.5,26 13.5,26'
    -strokewidth 1.2 -draw 'line 16,15 16.5,23' -draw 'line 18,15 18,23'
    -draw 'line 20,15 19.5,23')
button clear.jpg '#ffb04a' '#e06a0c' '#a84a06' '清空信息' 15 74 "${bin[@]}"

# ---------------------------------------------------------------------------
# Logo, 140 x 140: a round blue seal. A double rim, the maker's name along the
# top, its web address along the bottom, five stars in a ring in the middle.
# The picture box shows it from its top-left corner and cuts a few pixels at
# the right and bottom, so the seal sits a little up and to the left.
cx=68
cy=68
seal_blue='#1f5fb4'

# One glyph per -annotate, each turned to follow the circle. Glyphs are
# spaced by their own advance widths (measured at 100 points), so narrow Latin
# letters and the wide Chinese character sit evenly. Angles are clockwise from
# twelve o'clock; offsets are from the canvas centre (gravity center) at
# (70,70), so the seal centre adds (cx-70, cy-70). Top text reads clockwise
# with the glyph tops outward, bottom text anticlockwise with the tops inward.
# $1 text, $2 font, $3 point size, $4 radius, $5 top|bottom, $6 extra spacing.
# Prints the ImageMagick arguments, one per line.
arc_text() {
    local text=$1 font=$2 point=$3 radius=$4 side=$5 spacing=$6
    local -a glyphs=() widths=()
    local i
    for ((i = 0; i < ${#text}; i++)); do
        glyphs+=("${text:i:1}")
        widths+=("$(convert -font "$font" -pointsize 100 label:"${text:i:1}" -format '%w' info:)")
    done
    local -a places
    mapfile -t places < <(awk -v w="${widths[*]}" -v pt="$point" -v r="$radius" \
        -v side="$side" -v gap="$spacing" -v dx=$((cx - 70)) -v dy=$((cy - 70)) 'BEGIN {
            n = split(w, width, " ")
            pi = atan2(0, -1)
            total = 0
            for (i = 1; i <= n; i++) total += width[i] * pt / 100 + gap
            span = total / r * 180 / pi
            dir = (side == "top") ? 1 : -1
            a = ((side == "top") ? 0 : 180) - dir * span / 2
            for (i = 1; i <= n; i++) {
                half = (width[i] * pt / 100 + gap) / 2 / r * 180 / pi
                a += dir * half
                x = r * sin(a * pi / 180) + dx
                y = -r * cos(a * pi / 180) + dy
                rot = (side == "top") ? a : a - 180
                printf "%.2fx%.2f%+.1f%+.1f\n", rot, rot, x, y
                a += dir * half
            }
        }')
    for ((i = 0; i < ${#glyphs[@]}; i++)); do
        printf '%s\n' -annotate "${places[i]}" "${glyphs[i]}"
    done
}

# A five-pointed star's polygon: $1 centre x, $2 centre y, $3 outer radius.
star() {
    awk -v x="$1" -v y="$2" -v r="$3" 'BEGIN {
        pi = atan2(0, -1); s = "polygon"
        for (i = 0; i < 10; i++) {
            rr = (i % 2) ? r * 0.40 : r
            a = i * pi / 5
            s = s sprintf(" %.2f,%.2f", x + rr * sin(a), y - rr * cos(a))
        }
        print s
    }'
}

# Glyph arguments come one per line so that each glyph is one argument.
name_point=14
address_point=9
mapfile -t name_args < <(arc_text 'Kestrune网' "$font_bold" $name_point 46 top 1.5)
mapfile -t address_args < <(arc_text 'www.kestrune.example' "$font_regular" $address_point 48 bottom 0.5)

convert -size 140x140 xc:white \
    -fill none -stroke "$seal_blue" -strokewidth 4 -draw "circle $cx,$cy $cx,$((cy - 64))" \
    -strokewidth 1.5 -draw "circle $cx,$cy $cx,$((cy - 58))" \
    -strokewidth 1 -draw "circle $cx,$cy $cx,$((cy - 34))" \
    -stroke none -fill "$seal_blue" \
    -draw "$(star "$cx" "$((cy - 5))" 12)" \
    -draw "$(star "$((cx - 18))" "$((cy - 1))" 6.5)" \
    -draw "$(star "$((cx + 18))" "$((cy - 1))" 6.5)" \
    -draw "$(star "$((cx - 9))" "$((cy + 15))" 6)" \
    -draw "$(star "$((cx + 9))" "$((cy + 15))" 6)" \
    -gravity center \
    -font "$font_bold" -pointsize $name_point "${name_args[@]}" \
    -font "$font_regular" -pointsize $address_point "${address_args[@]}" \
    "${jpg_opts[@]}" "$out/logo.jpg"

# ---------------------------------------------------------------------------
# Busy spinner, 20 x 20 GIF: twelve grey spokes; the darkest spoke moves one
# place clockwise per frame and the ones behind it fade. 12 frames x 0.10 s,
# looping for ever. GIF transparency is on or off per pixel, so the spokes
# are drawn without antialiasing to leave no light fringe on dark windows.
spinner_frames=()
for frame in $(seq 0 11); do
    spokes=()
    for spoke in $(seq 0 11); do
        age=$(((frame - spoke + 12) % 12)) # 0 = the leading spoke
        grey=$((64 + age * 14))
        geometry=$(awk -v s="$spoke" 'BEGIN {
            pi = atan2(0, -1); a = s * pi / 6
            printf "line %.2f,%.2f %.2f,%.2f", 9.5 + 4 * sin(a), 9.5 - 4 * cos(a),
                9.5 + 8.5 * sin(a), 9.5 - 8.5 * cos(a)
        }')
        spokes+=(-stroke "rgb($grey,$grey,$grey)" -draw "$geometry")
    done
    convert -size 20x20 xc:none +antialias -strokewidth 2 -fill none \
        "${spokes[@]}" "$work/spin-$frame.png"
    spinner_frames+=("$work/spin-$frame.png")
done
convert -dispose Background -delay 10 "${spinner_frames[@]}" -loop 0 -strip "$out/spinner.gif"

# ---------------------------------------------------------------------------
# Icon: a white "K" on a sky-blue square with slightly rounded corners.
# PNGs for the window and the desktop, and a Windows .ico holding 32 x 32 in
# 256 colours plus 48, 128 and 256 in 32 bits with alpha.
# The letter is centred by its ink, not by its advance box, which would set it
# visibly to the left.
icon_png() { # $1 size, $2 output
    local size=$1 radius=$(($1 / 10)) point
    point=$(awk -v s="$1" 'BEGIN { printf "%.1f", s * 0.78 }')
    convert -size "${size}x${size}" xc:none \
        -fill '#2ea3f2' -draw "roundrectangle 0,0 $((size - 1)),$((size - 1)) $radius,$radius" \
        \( -background none -fill white -font "$font_bold" -pointsize "$point" label:K \
        -trim +repage \) -gravity center -composite \
        "${png_opts[@]}" "PNG32:$2"
}
for size in 32 48 128 256; do
    icon_png "$size" "$out/icon-$size.png"
done

# The 32 x 32 entry is a 256-colour image: quantise it in the same command
# (a palette PNG read back from disk comes in as true colour again) and keep
# on/off transparency, which the entry's one-bit mask carries.
convert \( "$out/icon-32.png" -channel A -threshold 50% +channel -colors 256 \) \
    "$out/icon-48.png" "$out/icon-128.png" "$out/icon-256.png" \
    "${png_opts[@]}" "$out/kestrune.ico"

echo "make-artwork: pictures written into $out"
