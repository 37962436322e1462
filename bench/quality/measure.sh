#!/usr/bin/env bash
# Measures the image quality choices on a folder of photos (see
# make_photos.sh): PSNR of the 1x copies against a Lanczos render of each
# original, the share of detail a device-pixel-ratio-2 screen shows, and the
# time of a first publish against djpeg decoding the same files one after
# another. Usage: measure.sh MARIVEL_PUBLISH PHOTOS_FOLDER [SLIDER_WIDTH]
set -euo pipefail
tool=$(readlink -f "${1:?marivel-publish}")
photos=$(readlink -f "${2:?photos folder}")
width=${3:-600}
here=$(dirname "$(readlink -f "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"  # no stored choice: the options decide

# A project with one item per photo, as the editor saves it.
project="$work/project/bench.mvl"
mkdir -p "$work/project"
{
  printf '<Warning_Info>\r\nNote: This file was created and maintained by Marivel 1.1.\r\n'
  printf 'Do not modify it or script project may not be opened again!\r\n</Warning_Info>\r\n'
  printf '<Product_Name>\r\nMarivel\r\n</Product_Name>\r\n<Product_Version>\r\n1.1\r\n</Product_Version>\r\n'
  printf '<Applet_Parameters>\r\nB#$@Bcfg#$@B_div#$@%d#$@400#$@1#$@39#$@0#$@0#$@FFFFFF#$@Bcfg#$@0#$@0#$@000000#$@0#$@0#$@000000#$@#$@#$@1#$@\r\n</Applet_Parameters>\r\n' "$width"
  printf '<Item_Parameters>\r\n'
  for f in "$photos"/*.jpg; do printf '#$@%s#$@http://#$@_self#$@#$@#$@#$@0#$@#$@\r\n' "$f"; done
  printf '</Item_Parameters>\r\n'
} >"$project"
names=()
for f in "$photos"/*.jpg; do names+=("$(basename "$f" .jpg)"); done

publish() {  # publish MODE DENSITY OUT (with a cache of its own, empty)
  rm -rf "$work/cache"
  XDG_CACHE_HOME="$work/cache" "$tool" "$project" --out "$3" --resize="$1" --density="$2" >/dev/null
}

# Wall and CPU (user + system) seconds of a command, best of three each: the
# machines are shared, and CPU time is what contention does not inflate.
timed() {
  local wall=999999 cpu=999999 w c
  for _ in 1 2 3; do
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null
    read -r w u s <"$work/time"
    c=$(echo "$u + $s" | bc)
    wall=$(echo "if ($w < $wall) $w else $wall" | bc)
    cpu=$(echo "if ($c < $cpu) $c else $cpu" | bc)
  done
  echo "$wall $cpu"
}
decode_all() { for f in "$photos"/*.jpg; do djpeg -outfile /dev/null "$f"; done; }
export -f decode_all
export photos

echo "== Time of a first publish (empty cache), best of 3, $(nproc) cores, slider width $width"
read -r dwall dcpu < <(timed bash -c decode_all)
printf '%-18s %7.2f s wall %7.2f s CPU\n' "djpeg, one by one" "$dwall" "$dcpu"
for run in "exact 1" "smooth 1" "smooth 2"; do
  set -- $run
  read -r wall cpu < <(timed bash -c "rm -rf '$work/cache'; XDG_CACHE_HOME='$work/cache' '$tool' '$project' --out '$work/t' --resize=$1 --density=$2")
  printf '%-18s %7.2f s wall %7.2f s CPU   %.2f x djpeg wall, %.2f x djpeg CPU\n' "$1 ${2}x" "$wall" "$cpu" \
    "$(echo "$wall / $dwall" | bc -l)" "$(echo "$cpu / $dcpu" | bc -l)"
done

publish exact 2 "$work/exact"
publish smooth 2 "$work/smooth"
publish smooth 1 "$work/smooth1"

echo
echo "== PSNR (dB) of the 1x copy against a Lanczos render of the original (PNG, not encoded)"
printf '%-10s %9s %9s %13s %15s\n' photo exact smooth "smooth(1x)" "Lanczos q90"
k=0
for name in "${names[@]}"; do
  size=$(identify -format '%wx%h' "$work/exact/slider$k.jpg")
  convert "$photos/$name.jpg" -filter Lanczos -resize "${size}!" "$work/ref$k.png"
  convert "$work/ref$k.png" -quality 90 "$work/ref$k-q90.jpg"
  psnr() { compare -metric PSNR "$1" "$work/ref$k.png" null: 2>&1 || true; }
  printf '%-10s %9.2f %9.2f %13.2f %15.2f\n' "$name" "$(psnr "$work/exact/slider$k.jpg")" \
    "$(psnr "$work/smooth/slider$k.jpg")" "$(psnr "$work/smooth1/slider$k.jpg")" "$(psnr "$work/ref$k-q90.jpg")"
  k=$((k + 1))
done

echo
echo "== Share of detail at device pixel ratio 2 (see detail_share.py); the ceiling is the"
echo "   Lanczos render itself as a quality-90 JPEG, the best a published file can keep"
printf '%-10s %9s %9s %9s %9s %16s\n' photo "exact 1x" "smooth 1x" "smooth 2x" ceiling "2x / ceiling"
k=0
for name in "${names[@]}"; do
  size=$(identify -format '%wx%h' "$work/smooth/slider$k@2x.jpg")
  convert "$photos/$name.jpg" -filter Lanczos -resize "${size}!" "$work/ideal$k.png"
  convert "$work/ideal$k.png" -quality 90 "$work/ideal$k-q90.jpg"
  # What the browser shows of a 1x file on a DPR-2 screen: the file enlarged
  # twice with a cubic filter, as Chromium draws images.
  for m in exact smooth; do
    convert "$work/$m/slider$k.jpg" -filter Mitchell -resize "${size}!" "$work/$m$k-up.png"
  done
  share() { python3 "$here/detail_share.py" "$work/ideal$k.png" "$1"; }
  e=$(share "$work/exact$k-up.png") s=$(share "$work/smooth$k-up.png")
  d=$(share "$work/smooth/slider$k@2x.jpg") c=$(share "$work/ideal$k-q90.jpg")
  printf '%-10s %9.3f %9.3f %9.3f %9.3f %16.3f\n' "$name" "$e" "$s" "$d" "$c" "$(echo "$d / $c" | bc -l)"
  k=$((k + 1))
done
