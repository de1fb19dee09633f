#!/bin/sh
# Small bitmaps of every common kind, made with ImageMagick.
set -eu
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 13x7 gradient:red-blue -fill white -draw 'rectangle 2,2 5,5' "$tmp/colour.ppm"
convert "$tmp/colour.ppm" -type truecolor "BMP3:$out/24.bmp"
convert "$tmp/colour.ppm" -alpha on "$out/32-bitfields.bmp"
convert "$tmp/colour.ppm" -define bmp:subtype=RGB565 "$out/16-565.bmp"
convert "$tmp/colour.ppm" -define bmp:subtype=RGB555 "$out/16-555.bmp"
convert "$tmp/colour.ppm" -colors 200 -type palette "BMP3:$out/8.bmp"
convert "$tmp/colour.ppm" -colors 200 -type palette -compress RLE "BMP3:$out/rle8.bmp"
convert "$tmp/colour.ppm" -colors 12 -type palette "BMP3:$out/4.bmp"
convert "$tmp/colour.ppm" -monochrome "BMP3:$out/1.bmp"
convert "$tmp/colour.ppm" "BMP2:$out/os2.bmp"
