#!/usr/bin/env bash
# Writes the WebP, GIF and TIFF test pictures into the folder named, with
# Debian's own encoders (cwebp, img2webp and webpmux from webp; ImageMagick's
# convert), from ImageMagick's built-in 70 x 46 photo. The tests decode each
# file with its own library and with the reader; the fuzz targets start from them.
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"

convert rose: rose.png
# Alpha rising from clear at the left edge to almost opaque at the right.
convert rose: -alpha set -channel A -fx 'i/w' +channel alpha.png
convert rose: -negate negated.png

cwebp -quiet -q 75 rose.png -o lossy.webp
cwebp -quiet -q 75 alpha.png -o lossy-alpha.webp
cwebp -quiet -lossless rose.png -o lossless.webp
cwebp -quiet -lossless -exact alpha.png -o lossless-alpha.webp
img2webp -loop 0 -lossy -d 100 alpha.png -lossless -d 100 negated.png -o animated.webp >/dev/null
# First frame 10, 6 from the canvas corner: the canvas it leaves shows white.
webpmux -frame lossless-alpha.webp +100+10+6 -frame lossy.webp +100 -o animated-offset.webp >/dev/null
# EXIF orientations: a little-endian TIFF header and one directory entry.
for o in 1 2 3 4 5 6 7 8; do
  printf "II*\x00\x08\x00\x00\x00\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00\x0${o}\x00\x00\x00\x00\x00\x00\x00" > exif-$o.bin
  webpmux -set exif exif-$o.bin lossless.webp -o orientation-$o.webp >/dev/null
done
# The same behind JPEG's block name, as some writers keep it.
{ printf "Exif\x00\x00"; cat exif-6.bin; } > exif-named.bin
webpmux -set exif exif-named.bin lossless.webp -o orientation-named-6.webp >/dev/null
rm exif-*.bin

convert rose: plain.gif
convert rose: -interlace GIF interlaced.gif
convert alpha.png transparent.gif
convert -page 90x60+10+5 rose: -colors 16 offset.gif
convert -delay 10 rose: negated.png animated.gif
# plain.gif with its colour table moved from the screen to the frame: 13
# bytes of header and screen, 768 of table, 8 of control block, 10 of frame
# descriptor.
flags=$(od -An -tu1 -j10 -N1 plain.gif)
packed=$(od -An -tu1 -j798 -N1 plain.gif)
# No pipes: a reader that stops early would fail its writer under pipefail.
bytes() { dd if=plain.gif bs=1 skip="$1" count="$2" status=none; }
{
  bytes 0 10
  printf "\\$(printf %o $((flags & 0x7F)))"
  bytes 11 2
  bytes 781 17
  printf "\\$(printf %o $((packed | 0x80 | (flags & 7))))"
  bytes 13 768
  tail -c +800 plain.gif
} > local.gif

convert rose: -compress none rgb.tif
convert rose: -compress lzw -define tiff:tile-geometry=16x16 rgb-tiles.tif
convert alpha.png -compress zip rgba.tif
convert alpha.png -compress zip -define tiff:alpha=associated rgba-associated.tif
convert rose: -colorspace gray -depth 8 grey8.tif
convert rose: -colorspace gray -depth 16 -compress zip grey16.tif
convert rose: -monochrome -compress group4 bilevel.tif
convert rose: -type palette palette.tif
convert rose: -colorspace CMYK cmyk.tif
convert rose: -colorspace YCbCr -compress jpeg ycbcr-jpeg.tif
convert rose: negated.png pages.tif
i=1
for o in TopLeft TopRight BottomRight BottomLeft LeftTop RightTop RightBottom LeftBottom; do
  convert rose: -orient $o orientation-$i.tif
  i=$((i + 1))
done
convert rose: -colorspace gray -depth 8 -orient RightTop orientation-grey-6.tif
rm rose.png alpha.png negated.png
