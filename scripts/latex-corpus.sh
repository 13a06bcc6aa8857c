#!/usr/bin/env bash
# Writes every SGF file of a collection as a LaTeX document (-to tex) and
# compiles it with LaTeX and the style files of share/sty; reports every file
# whose document LaTeX refuses, with the first lines of its errors, and the
# count. Too slow for CI: about a second a file.
# Usage: scripts/latex-corpus.sh [kifugram binary] [corpus dir] [kifugram options...]
# (defaults: build/kifugram, ../shared/corpus/sgf; options -to tex)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(realpath "${1:-$root/build/kifugram}")
corpus=$(realpath "${2:-$root/../shared/corpus/sgf}")
shift $(($# < 2 ? $# : 2))
opts=("$@")
((${#opts[@]})) || opts=(-to tex)
command -v latex > /dev/null || { echo "latex is not installed" >&2; exit 1; }
work=$(mktemp -d /tmp/kg-latex-corpus-XXXXXX)
trap 'rm -rf "$work"' EXIT
export TEXINPUTS="$root/share/sty:" MFINPUTS="$root/share/sty:"
cd "$work" || exit 1

files=0 bad=0 refused=0
while IFS= read -r -d '' sgf; do
  files=$((files + 1))
  rm -f doc.*
  "$bin" "${opts[@]}" "$sgf" > doc.tex 2> /dev/null
  status=$?
  if [ $status -ne 0 ]; then
    # A record the program refuses makes no document to compile.
    if [ $status -eq 1 ] && ! grep -q 'begin{document}' doc.tex; then
      refused=$((refused + 1))
      continue
    fi
    echo "FAIL ${sgf#"$corpus"/}: kifugram status $status"
    bad=$((bad + 1))
    continue
  fi
  latex -interaction=nonstopmode -halt-on-error doc.tex > /dev/null 2>&1
  status=$?
  problems=$(grep -e '^!' -e 'Undefined control sequence' -e 'not loadable' -e 'Missing character' doc.log 2> /dev/null)
  if [ $status -ne 0 ] || [ -n "$problems" ]; then
    bad=$((bad + 1))
    echo "FAIL ${sgf#"$corpus"/}: latex status $status"
    grep -m1 -A3 '^!' doc.log | sed 's/^/    /'
  fi
done < <(find "$corpus" -type f -name '*.sgf' -print0 | sort -z)
echo "$files files ($refused refused by kifugram), $bad with LaTeX errors"
[ "$bad" -eq 0 ]
