#!/bin/sh
# Small JPEGs of every kind the decoder meets, made with ImageMagick and libjpeg's tools.
set -eu
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 24x16 gradient:red-blue -fill white -draw 'rectangle 4,4 9,9' "$tmp/colour.ppm"
cjpeg -quality 90 -outfile "$out/baseline.jpg" "$tmp/colour.ppm"
cjpeg -progressive -outfile "$out/progressive.jpg" "$tmp/colour.ppm"
cjpeg -arithmetic -outfile "$out/arithmetic.jpg" "$tmp/colour.ppm"
cjpeg -restart 1 -sample 1x1 -outfile "$out/restart.jpg" "$tmp/colour.ppm"
cjpeg -grayscale -outfile "$out/gray.jpg" "$tmp/colour.ppm"
convert "$tmp/colour.ppm" -colorspace CMYK "$out/cmyk.jpg"
