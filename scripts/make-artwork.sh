#!/bin/sh
# Draws the artwork of the four dialog programs with ImageMagick and writes it
# into each program's gui/res folder: the icon group (twelve images: 48, 32,
# 24 and 16 pixels in 8-bit colour, 256 pixels as a PNG image (Explorer's
# large views; the form Windows keeps its own 256-pixel icons in) and 128, 96,
# 64, 48, 32, 24 and 16 pixels in 32-bit colour), the banners (24-bit BMP) and Gathrix's four button faces. All of it
# is drawn here from shapes and the system's DejaVu font; run it again after
# changing a drawing and commit the results.
# Usage: scripts/make-artwork.sh
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FONT=DejaVu-Sans-Bold

# The icon packer: raw RGBA images into one icon file (perl is part of every
# Debian system).
cat > "$WORK/pack-icon.pl" <<'PERL'
# Packs raw RGBA images into one Windows icon file.
# Usage: pack-icon.pl OUT.ico DEPTH:SIZE:FILE.rgba ...
# DEPTH 8: a palette of at most 256 colours (the most transparent pixels are
# masked out); DEPTH 32: BGRA with its alpha. Each image is stored as a DIB
# with the doubled height the format wants and a one-bit AND mask.
# DEPTH png: FILE is a PNG image of 32-bit colour, stored as it is.
use strict;
use warnings;

my $out = shift @ARGV or die "usage: pack-icon.pl OUT.ico DEPTH:SIZE:FILE ...\n";
my @images;
for my $image (@ARGV) {
    my ($depth, $size, $file) = split /:/, $image, 3;
    open my $in, '<:raw', $file or die "cannot read $file: $!\n";
    local $/;
    my $rgba = <$in>;
    close $in;
    if ($depth eq 'png') {
        substr($rgba, 0, 8) eq "\x89PNG\r\n\x1a\n" or die "$file is not a PNG image\n";
        unpack('N', substr($rgba, 16, 4)) == $size && unpack('N', substr($rgba, 20, 4)) == $size
            or die "$file is not ${size}x${size}\n";
        push @images, [32, $size, $rgba];
        next;
    }
    length($rgba) == $size * $size * 4 or die "$file is not ${size}x${size} RGBA\n";
    push @images, [$depth, $size, dib($depth, $size, $rgba)];
}

my $count = @images;
my $offset = 6 + 16 * $count;
my $header = pack 'vvv', 0, 1, $count;
my $body = '';
for my $image (@images) {
    my ($depth, $size, $data) = @$image;
    my $colours = $depth == 8 ? 0 : 0;    # 0 means 256 or more
    $header .= pack 'CCCCvvVV', ($size >= 256 ? 0 : $size), ($size >= 256 ? 0 : $size), $colours, 0, 1, $depth,
        length($data), $offset;
    $offset += length $data;
    $body .= $data;
}
open my $fh, '>:raw', $out or die "cannot write $out: $!\n";
print $fh $header, $body;
close $fh;

sub mask_row_bytes { my $s = shift; return int(($s + 31) / 32) * 4; }

sub dib {
    my ($depth, $size, $rgba) = @_;
    my @pixels = unpack 'C*', $rgba;
    my ($palette, $xor) = ('', '');
    my @mask_rows;
    my %index;
    my @order;
    if ($depth == 8) {
        for (my $i = 0; $i < @pixels; $i += 4) {
            next if $pixels[$i + 3] < 128;
            my $key = join ',', @pixels[$i .. $i + 2];
            next if exists $index{$key};
            die "more than 256 colours in an 8-bit image\n" if @order >= 256;
            $index{$key} = scalar @order;
            push @order, $key;
        }
        push @order, '0,0,0' while @order < 256;
        $palette = join '', map { my ($r, $g, $b) = split /,/; pack 'CCCC', $b, $g, $r, 0 } @order;
    }
    my $xor_row_bytes = $depth == 8 ? int(($size + 3) / 4) * 4 : $size * 4;
    for (my $y = $size - 1; $y >= 0; --$y) {    # bottom-up
        my ($row, @bits) = ('');
        for my $x (0 .. $size - 1) {
            my $i = ($y * $size + $x) * 4;
            my ($r, $g, $b, $a) = @pixels[$i .. $i + 3];
            if ($depth == 8) {
                my $transparent = $a < 128;
                $row .= pack 'C', $transparent ? 0 : $index{"$r,$g,$b"};
                push @bits, $transparent ? 1 : 0;
            } else {
                $row .= pack 'CCCC', $b, $g, $r, $a;
                push @bits, 0;
            }
        }
        $row .= "\0" x ($xor_row_bytes - length $row);
        $xor .= $row;
        my $mask = pack 'B*', join '', @bits;
        $mask .= "\0" x (mask_row_bytes($size) - length $mask);
        push @mask_rows, $mask;
    }
    my $image_bytes = length($xor) + length(join '', @mask_rows);
    my $info = pack 'VllvvVVllVV', 40, $size, 2 * $size, 1, $depth, 0, $image_bytes, 0, 0,
        ($depth == 8 ? 256 : 0), 0;
    return $info . $palette . $xor . join('', @mask_rows);
}
PERL

# ico_from_master MASTER.png OUT.ico: scales a 256-pixel master to the twelve
# images and packs them into one icon file.
ico_from_master() {
  master=$1 out=$2 list=""
  for s in 48 32 24 16; do
    # 8-bit: at most 255 colours plus a transparency mask.
    convert "$master" -resize ${s}x${s} -channel A -threshold 50% +channel \
      -background none -colors 255 -depth 8 "RGBA:$WORK/p8_$s.rgba"
    list="$list 8:$s:$WORK/p8_$s.rgba"
  done
  # The PNG carries no time or other changing chunk: the same drawing gives
  # the same bytes.
  convert "$master" -resize 256x256 -strip -define png:exclude-chunks=date,time -define png:color-type=6 \
    "PNG32:$WORK/p32_256.png"
  list="$list png:256:$WORK/p32_256.png"
  for s in 128 96 64 48 32 24 16; do
    convert "$master" -resize ${s}x${s} -depth 8 "RGBA:$WORK/p32_$s.rgba"
    list="$list 32:$s:$WORK/p32_$s.rgba"
  done
  perl "$WORK/pack-icon.pl" "$out" $list
}

# bmp24 IN OUT: a 24-bit bottom-up Windows bitmap.
bmp24() {
  convert "$1" -background white -alpha remove -alpha off -type TrueColor "BMP3:$2"
}

# ---- icons: one emblem per program on a rounded tile
tile() {  # tile COLOUR1 COLOUR2 OUT
  convert -size 256x256 xc:none \( -size 256x256 gradient:"$1"-"$2" \) \
    \( -size 256x256 xc:none -fill white -draw "roundrectangle 8,8 247,247 44,44" \) \
    -compose over -delete 0 -compose copy_opacity -composite "$3"
}

# Tessaly: a speech bubble holding lines of text.
tile '#2f6fd0' '#173d7a' "$WORK/t_tile.png"
convert "$WORK/t_tile.png" -fill white -stroke '#0d2a57' -strokewidth 6 \
  -draw "roundrectangle 40,52 216,170 26,26" -draw "polygon 80,166 70,214 122,166" \
  -stroke none -fill '#2f6fd0' \
  -draw "rectangle 66,82 190,94" -draw "rectangle 66,106 170,118" -draw "rectangle 66,130 150,142" \
  "$WORK/tessaly.png"

# Crandle: a wooden crate with a band.
tile '#c98b2e' '#7a4d12' "$WORK/c_tile.png"
convert "$WORK/c_tile.png" -fill '#e9c27a' -stroke '#4a2c06' -strokewidth 8 \
  -draw "rectangle 52,60 204,204" -draw "line 52,60 204,204" -draw "line 204,60 52,204" \
  -fill '#4a2c06' -stroke none -draw "rectangle 52,118 204,146" \
  -fill '#e9c27a' -draw "circle 128,132 128,124" \
  "$WORK/crandle.png"

# Gathrix: a folder under a magnifying glass.
tile '#3a9d5d' '#1b5a31' "$WORK/g_tile.png"
convert "$WORK/g_tile.png" -fill '#f4d35e' -stroke '#6b4f00' -strokewidth 6 \
  -draw "polygon 36,86 92,86 106,100 200,100 200,196 36,196" \
  -fill none -stroke white -strokewidth 14 -draw "circle 150,120 150,78" \
  -strokewidth 22 -draw "line 180,152 222,196" \
  "$WORK/gathrix.png"

# Yodrel: a faceted gem.
tile '#7e4bb5' '#3d1f66' "$WORK/y_tile.png"
convert "$WORK/y_tile.png" -fill '#d9c8f0' -stroke '#2a1048' -strokewidth 6 \
  -draw "polygon 128,40 210,104 128,218 46,104" \
  -fill '#a98ad6' -draw "polygon 46,104 210,104 128,218" \
  -fill none -draw "line 92,104 128,40" -draw "line 164,104 128,40" \
  -draw "line 92,104 128,218" -draw "line 164,104 128,218" \
  "$WORK/yodrel.png"

# ---- banners
banner() {  # banner TITLE SUBTITLE C1 C2 OUT.bmp
  convert -size 650x42 gradient:"$3"-"$4" -rotate 90 -resize 650x42\! \
    -fill '#ffffff40' -draw "circle 620,21 620,-30" -draw "circle 560,50 560,20" \
    -font $FONT -pointsize 22 -fill white -annotate +14+29 "$1" \
    -font DejaVu-Sans -pointsize 12 -fill '#ffffffd0' -annotate +240+27 "$2" \
    "$WORK/banner.png"
  bmp24 "$WORK/banner.png" "$5"
}

# Yodrel: grey, ornamental, no text: a band of linked diamonds and rings.
yodrel_banner() {
  draw=""
  x=12
  while [ $x -lt 476 ]; do
    draw="$draw polygon $x,20 $((x + 10)),10 $((x + 20)),20 $((x + 10)),30"
    x=$((x + 28))
  done
  convert -size 476x40 gradient:'#d8d8d8'-'#8c8c8c' \
    -fill none -stroke '#5a5a5a' -strokewidth 2 -draw "line 0,5 476,5" -draw "line 0,35 476,35" \
    -stroke '#f2f2f2' -strokewidth 1 -draw "line 0,7 476,7" -draw "line 0,33 476,33" \
    -fill '#b0b0b0' -stroke '#4a4a4a' -strokewidth 1 -draw "$draw" \
    "$WORK/ybanner.png"
  x=26 rings=""
  while [ $x -lt 476 ]; do
    rings="$rings circle $x,20 $((x + 3)),20"
    x=$((x + 28))
  done
  convert "$WORK/ybanner.png" -fill '#6e6e6e' -stroke none -draw "$rings" "$WORK/ybanner2.png"
  bmp24 "$WORK/ybanner2.png" "$1"
}

# ---- Gathrix's button faces: 36 x 36, light face, blue border
face() {  # face OUT.bmp DRAW-ARGS...
  out=$1
  shift
  convert -size 36x36 xc:'#eef3fb' "$@" -fill none -stroke '#1f4fbf' -strokewidth 3 \
    -draw "rectangle 1,1 34,34" "$WORK/face.png"
  bmp24 "$WORK/face.png" "$out"
}

write_program() {  # write_program NAME ICON.png
  res="$ROOT/$1/gui/res"
  mkdir -p "$res"
  ico_from_master "$2" "$res/$(echo "$1" | sed 's/./\U&/').ico"
}

write_program tessaly "$WORK/tessaly.png"
write_program crandle "$WORK/crandle.png"
write_program gathrix "$WORK/gathrix.png"
write_program yodrel "$WORK/yodrel.png"

banner "Tessaly Helper" "string tables: import, mark, export, append" '#173d7a' '#2f6fd0' \
  "$ROOT/tessaly/gui/res/Banner.bmp"
banner "Crandle Helper" "archives: list, extract, view, create" '#7a4d12' '#c98b2e' \
  "$ROOT/crandle/gui/res/Banner.bmp"
yodrel_banner "$ROOT/yodrel/gui/res/Banner.bmp"

g="$ROOT/gathrix/gui/res"
# A screen with a magnifying glass: choose folder.
face "$g/ChooseFolder.bmp" -fill '#cfe0ff' -stroke '#33415c' -strokewidth 2 \
  -draw "rectangle 6,7 29,23" -draw "line 17,24 17,28" -draw "line 11,29 23,29" \
  -fill none -stroke '#a33' -strokewidth 2 -draw "circle 20,16 20,11" -draw "line 23,20 28,26"
# Cards with a person: scan.
face "$g/Scan.bmp" -fill '#ffffff' -stroke '#33415c' -strokewidth 1 \
  -draw "rectangle 11,7 29,23" -draw "rectangle 7,11 25,27" \
  -fill '#d9822b' -stroke none -draw "circle 13,17 13,14" -draw "ellipse 13,25 5,3 180,360" \
  -fill '#33415c' -draw "rectangle 19,15 23,16" -draw "rectangle 19,19 23,20"
# A card with a pencil: save list.
face "$g/SaveList.bmp" -fill '#ffffff' -stroke '#33415c' -strokewidth 1 \
  -draw "rectangle 7,9 25,28" -draw "line 10,14 21,14" -draw "line 10,18 21,18" -draw "line 10,22 17,22" \
  -stroke '#e0b000' -strokewidth 3 -draw "line 16,26 28,10" \
  -stroke '#333' -strokewidth 1 -fill '#333' -draw "polygon 15,28 15,25 17,26"
# A hand on a power button: exit.
face "$g/Exit.bmp" -fill '#c62828' -stroke '#5a0f0f' -strokewidth 1 -draw "circle 18,22 18,12" \
  -fill none -stroke white -strokewidth 2 -draw "arc 13,17 23,27 300,240" -draw "line 18,15 18,21" \
  -fill '#f1c27d' -stroke '#8d5524' -strokewidth 1 \
  -draw "roundrectangle 14,4 19,15 2,2" -draw "roundrectangle 19,6 23,13 2,2" \
  -draw "roundrectangle 23,7 27,13 2,2" -draw "roundrectangle 9,7 14,13 2,2"

echo "Artwork written to tessaly/gui/res, crandle/gui/res, gathrix/gui/res and yodrel/gui/res."
