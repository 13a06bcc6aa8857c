#!/bin/bash
# Every EPS file that the pstex golden cases make, made again with the real
# prolog (and a few more at other sizes), must run through Ghostscript
# without an error and draw inside the BoundingBox it declares.
# Usage: eps_render.sh <kifugram binary> <source dir>
set -u
command -v gs >/dev/null 2>&1 || { echo "gs not found: skipped"; exit 77; }
bin=$(realpath "$1") src=$(realpath "$2")
work=$(mktemp -d /tmp/kg-eps-XXXXXX)
trap 'rm -rf "$work"' EXIT
export SGFPROLOG=$src/share/ps/gopro.eps SGFMACROS=$src/share/sty
failed=0

# run <dir> <args...>: the program's run in <dir>, its figures written there.
run() {
  local dir=$1
  shift
  (cd "$dir" && "$bin" "$@" >book.tex 2>err.txt)
  [ $? -le 1 ] || { echo "FAIL: $* crashed"; failed=1; }
}

n=0
for case in "$src"/tests/golden/cases/pstex/*/; do
  [ -f "$case/args" ] || continue
  # A figure two thousand million points wide is beyond any interpreter.
  [ "$(basename "$case")" = huge_scale ] && continue
  n=$((n + 1))
  dir=$work/case$n
  mkdir -p "$dir"
  [ -d "$case/in" ] && cp -r "$case/in/." "$dir/"
  mapfile -t args <"$case/args"
  run "$dir" "${args[@]}"
done
for args in "-scale 100" "-scale 100 -coordinates -caching" "-paper a4wide -scale 0" "-scale 72"; do
  for game in ko137.sgf marks.sgf; do
    n=$((n + 1))
    dir=$work/case$n
    mkdir -p "$dir"
    cp "$src"/tests/golden/cases/pstex/*/in/"$game" "$dir/" 2>/dev/null
    # shellcheck disable=SC2086
    run "$dir" $args -tmp . "$game"
  done
done

# The figure and stone files that carry the prolog, with their boxes.
files=() declared=()
while IFS= read -r -d '' eps; do
  IFS= read -r -d '' box
  files+=("$eps")
  declared+=("$box")
done < <(find "$work" -type f ! -name '*.tex' ! -name '*.txt' ! -name '*.sgf' -print0 | sort -z |
  xargs -0 awk 'FNR == 1 { box = "" } /^%%BoundingBox: / && box == "" { box = substr($0, 16) }
    /^\/Tavolin / { printf "%s%c%s%c", FILENAME, 0, box, 0; nextfile }')

# One Ghostscript run for all, one page each, drawn 100 points in so that a
# stone file's negative box stays on the page.
gsargs=()
for eps in "${files[@]}"; do
  gsargs+=(-c "save /kg-page exch def 100 100 translate" -f "$eps" -c "showpage kg-page restore")
done
out=$(gs -q -dSAFER -dBATCH -dNOPAUSE -dNOEPS -sDEVICE=bbox "${gsargs[@]}" 2>&1)
status=$?
mapfile -t measured < <(echo "$out" | sed -n 's/^%%HiResBoundingBox: //p')
if [ $status -ne 0 ] || echo "$out" | grep -q 'Error'; then
  echo "FAIL: Ghostscript stopped after ${#measured[@]} of ${#files[@]} files:"
  echo "  ${files[${#measured[@]}]:-}"
  echo "$out" | grep -v '^%%' | head -n 8
  failed=1
fi
for i in "${!measured[@]}"; do
  if ! awk -v d="${declared[$i]}" -v m="${measured[$i]}" 'BEGIN {
         split(d, a, " "); split(m, b, " ");
         for (i = 1; i <= 4; i++) b[i] -= 100;
         if (b[3] <= b[1]) exit 1;  # nothing drawn
         exit !(b[1] >= a[1] && b[2] >= a[2] && b[3] <= a[3] && b[4] <= a[4]) }'; then
    echo "FAIL ${files[$i]}: drawn at ${measured[$i]} (100 points in), declared ${declared[$i]}"
    failed=1
  fi
done
echo "${#measured[@]} of ${#files[@]} EPS files rendered inside their boxes"
[ "${#files[@]}" -gt 0 ] && [ $failed -eq 0 ]
