#!/usr/bin/env bash
# Makes five photo-like JPEGs (3000-5000 px) for the image quality
# measurements: there are no real photos on the build machines, so each is
# synthesised from a plasma fractal (natural-looking texture at every scale)
# with the kind of fine detail that aliases when shrunk: thin lines, small
# text, window grids, fine stripes, hair-like curves. Reproducible (fixed
# seeds). Usage: make_photos.sh FOLDER
set -euo pipefail
out=${1:?folder}
mkdir -p "$out"
cd "$out"
font=DejaVu-Sans

text_rows() {  # lines of small text, like signs and labels in a photo
  local y=$1 size=$2 n=$3 args=()
  for ((i = 0; i < n; i++)); do
    args+=(-annotate "+$((80 + (i * 37) % 300))+$((y + i * size * 2))" "Marivel slider photo $i: the quick brown fox jumps over 1234567890")
  done
  printf '%s\n' "${args[@]}"
}

# 1 hills: fractal landscape under a sky gradient, crossed by power lines.
convert -seed 11 -size 4000x3000 plasma:fractal -blur 0x0.7 \
  \( -size 4000x3000 gradient:'#9cc4f0'-'#3a5a20' \) -compose overlay -composite \
  -stroke '#202020' -strokewidth 2 -fill none \
  -draw "line 0,700 4000,1100" -draw "line 0,760 4000,1150" -draw "line 0,820 4000,1200" \
  -draw "bezier 0,400 2000,900 4000,450" \
  -quality 92 hills.jpg

# 2 foliage: a sharpened green fractal, detail in every pixel.
convert -seed 22 -size 4000x3000 plasma:fractal -colorspace Gray -unsharp 0x2+1.5 -colorspace sRGB -type TrueColor \
  +level-colors '#102808','#b8e070' -quality 92 foliage.jpg

# 3 city: windows in a grid over a fractal, with small text.
mapfile -t rows < <(text_rows 2600 28 10)
convert -seed 33 -size 5000x3333 plasma:fractal -blur 0x1 -modulate 100,40 \
  -fill '#f8f0c0' -draw "$(for ((x = 200; x < 4800; x += 46)); do for ((y = 300; y < 2400; y += 70)); do
      printf 'rectangle %d,%d %d,%d ' $x $y $((x + 22)) $((y + 36)); done; done)" \
  -font $font -pointsize 28 -fill black "${rows[@]}" -quality 92 city.jpg

# 4 fabric: fine diagonal stripes woven into a fractal.
convert -seed 44 -size 3600x2700 plasma:fractal \
  \( -size 3600x2700 xc: -fx 'sin((i+j)*0.9)*0.5+0.5' \) -compose softlight -composite \
  -quality 92 fabric.jpg

# 5 portrait: upright, a smooth face-like fractal with hair-like curves and text.
mapfile -t rows < <(text_rows 3500 24 6)
convert -seed 55 -size 3000x4000 plasma:fractal -blur 0x4 -modulate 100,50 \
  -stroke '#3a2010' -strokewidth 1.5 -fill none \
  -draw "$(for ((k = 0; k < 120; k++)); do
      printf 'bezier %d,0 %d,900 %d,1800 ' $((200 + k * 21)) $((100 + k * 23)) $((400 + k * 19)); done)" \
  -stroke none -font $font -pointsize 24 -fill white "${rows[@]}" -quality 92 portrait.jpg

identify "$out"/*.jpg
