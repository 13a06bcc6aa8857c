#!/bin/bash
# Compiles the LaTeX documents of kifugram with LaTeX, the style files taken
# from the source tree. A document fails when LaTeX stops or its log shows an
# error, an undefined control sequence or a font it could not load, or when a
# game text was run as TeX (a file read, a shell command, the document ended
# before its closing text). Skipped (77) when latex or the go package is not
# installed.
# Usage: compile.sh <kifugram binary> <share dir> <dir of this script> <golden cases dir>
#        <cache dir for the fonts TeX makes>
set -u
bin=$1 share=$2 here=$3 golden=$4 cache=$5
command -v latex > /dev/null || { echo "no latex: skipped"; exit 77; }
kpsewhich go.sty > /dev/null || { echo "no go.sty (texlive-games): skipped"; exit 77; }

work=$(mktemp -d /tmp/kg-latex-XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$here"/*.sgf "$golden"/tex/escapes_and_injection/in/inject.sgf \
  "$golden"/tex/latin1_and_utf8/in/names.sgf "$golden"/tex/board_13/in/thirteen.sgf \
  "$golden"/tex/kibitz_lines/in/kibitz.sgf "$golden"/tex/row_letters_19/in/rows.sgf \
  "$golden"/tex/varsk_emphasis/in/varsk.sgf "$golden"/tex/long_comment/in/long.sgf \
  "$golden"/tex/marked_stones/in/marked.sgf "$work"
cp "$here"/../../examples/example-9x9.sgf "$work"
cd "$work" || exit 1
# TeX makes the metrics of the 8 pt go fonts from their sources into the
# working directory; they are kept for the next run.
mkdir -p "$cache"
cp "$cache"/*.tfm . 2> /dev/null
export TEXINPUTS="$share/sty:" MFINPUTS="$share/sty:"
export SGFMACROS="$share/sty" SGFPROLOG="$share/ps/gopro.eps" EPSFTMP="$work"

passed=0 failed=0
# document name, then the arguments of kifugram
doc() {
  local name=$1 problems
  shift
  if ! "$bin" "$@" > "$name.tex" 2> "$name.err"; then
    echo "FAIL $name: kifugram $* ended with status $?"
    failed=$((failed + 1))
    return
  fi
  latex -interaction=nonstopmode -halt-on-error "$name.tex" > /dev/null 2>&1
  local status=$?
  problems=$(grep -n -e '^!' -e 'Undefined control sequence' -e 'not loadable' \
    -e 'Missing character' -e '^(/etc/passwd' -e 'runsystem' "$name.log" 2> /dev/null)
  if [ $status -ne 0 ] || [ -n "$problems" ] || [ ! -f "$name.dvi" ] ||
     ! grep -q 'esult:' "$name.dvi"; then
    echo "FAIL $name: latex status $status"
    echo "$problems" | head -5
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
}

doc example -to tex example-9x9.sgf
doc captures -to tex -max 50 captures19.sgf
doc nested -to tex nested.sgf
doc kibitz -to tex -kibitz -statistics kibitz.sgf
doc thirteen -to tex thirteen.sgf
doc rows -to tex rows.sgf
doc varsk -to tex -varsk_mode varsk.sgf
doc long -to tex long.sgf
doc specials -to tex inject.sgf
doc latin1 -to tex names.sgf
doc lines -to tex lines.sgf
doc marked -to tex marked.sgf
# The paper only changes the PostScript device's preamble.
for paper in default letter a4wide a4; do
  doc "tex-$paper" -to tex -paper "$paper" -max 60 captures19.sgf
done
for paper in default letter a4wide a4; do
  doc "pstex-$paper" -to pstex -paper "$paper" -max 60 captures19.sgf
  doc "pstex-$paper-nocoord" -to pstex -coordinates -paper "$paper" nested.sgf
done
doc pstex-specials -to pstex inject.sgf
doc pstex-lines -to pstex lines.sgf
doc pstex-kibitz -to pstex -kibitz -statistics kibitz.sgf
[ -e /tmp/kg-pwned ] && { echo "FAIL: a comment ran a shell command"; failed=$((failed + 1)); }
cp ./*.tfm "$cache" 2> /dev/null
echo "latex: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
