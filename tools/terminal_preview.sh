#!/usr/bin/env bash
# Draws what `dexmora-cli --format txt` shows in a dark terminal, as the
# README's picture: each line of the preview set in DejaVu Sans Mono, light
# on dark, rasterised with rsvg-convert.
#   tools/terminal_preview.sh CLI TEXT OUT.png
set -euo pipefail
cli=$1 text=$2 out=$3
size=24
# Lines a whole pixel apart and a little closer than the glyphs are tall,
# as a terminal sets them, so that no seam shows between block rows.
step=27
svg=$(mktemp --suffix=.svg)
trap 'rm -f "$svg"' EXIT
mapfile -t lines < <("$cli" --format txt -o - -- "$text")
cols=0
for line in "${lines[@]}"; do [ ${#line} -gt "$cols" ] && cols=${#line}; done
# DejaVu Sans Mono advances 0.602 em a character.
width=$(awk -v c="$cols" -v s="$size" 'BEGIN { printf "%d", c * s * 0.602 + 2 * s }')
height=$(( ${#lines[@]} * step + 2 * size ))
{
  printf '<svg xmlns="http://www.w3.org/2000/svg" width="%s" height="%s">\n' "$width" "$height"
  printf '<rect width="100%%" height="100%%" fill="#1e1e1e"/>\n'
  printf '<g font-family="DejaVu Sans Mono" font-size="%s" fill="#d4d4d4" xml:space="preserve">\n' "$size"
  y=$(( size + 22 ))
  for line in "${lines[@]}"; do
    printf '<text x="%s" y="%s">%s</text>\n' "$size" "$y" "$line"
    y=$(( y + step ))
  done
  printf '</g></svg>\n'
} >"$svg"
rsvg-convert "$svg" -o "$out"
