#!/bin/bash
# kifugram-book makes the PDF of each game with the expected numbers of
# pages, figures and diagrams; a game with a troublesome name, in a work
# directory with one, comes out too; a missing tool or a LaTeX error fails
# with a message and leaves nothing behind.
# Usage: book.sh <build dir> <source dir> <corpus dir>
set -u
for tool in latex dvips ps2pdf pdfinfo pdftotext; do
  command -v $tool >/dev/null 2>&1 || { echo "$tool not found: skipped"; exit 77; }
done
build=$(realpath "$1") src=$(realpath "$2") corpus=$3
book=$build/kifugram-book
work=$(mktemp -d /tmp/kg-book-XXXXXX)
trap 'rm -rf "$work"' EXIT
export SGFPROLOG=$src/share/ps/gopro.eps SGFMACROS=$src/share/sty
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
cases=$src/tests/golden/cases/pstex
failed=0

# expect <pages> <figures> <diagrams> <game> [options]: the book of <game>.
expect() {
  local pages=$1 figures=$2 diagrams=$3 game=$4
  shift 4
  local pdf
  pdf=$(basename "$game")
  pdf=${pdf%.*}.pdf
  if ! (cd "$work" && "$book" "$@" "$game" >/dev/null); then
    echo "FAIL $game: no book"
    failed=1
    return
  fi
  local text got
  text=$(pdftotext "$work/$pdf" -)
  got="$(pdfinfo "$work/$pdf" | sed -n 's/^Pages: *//p') $(grep -c '^Figure [0-9]' <<<"$text") $(grep -c '^Diagram [0-9]' <<<"$text")"
  if [ "$got" != "$pages $figures $diagrams" ]; then
    echo "FAIL $game $*: pages, figures, diagrams $got, want $pages $figures $diagrams"
    failed=1
  else
    echo "ok   $game $*: $got"
  fi
  rm -f "$work/$pdf"
}

# The book's own defaults: figures of 50 moves, the first variation on the
# main line and going on past the others, diagrams captioned with where they
# begin; -plain gives kifugram's.
expect 2 1 1 "$src/examples/example-9x9.sgf"
expect 3 1 2 "$src/examples/example-9x9.sgf" -plain
expect 3 6 0 "$src/tests/pstex/long300.sgf"
expect 2 4 0 "$src/tests/pstex/long300.sgf" -max 80
expect 2 3 0 "$cases/marks_labels_region_9/in/marks.sgf"
expect 1 3 0 "$cases/move_137/in/ko137.sgf" -figures 50,100 -coordinates
if [ -d "$corpus" ]; then
  expect 2 2 0 "$corpus/9x9-1.sgf"
  expect 1 1 0 "$corpus/9x9-1.sgf" -plain
  expect 133 1 248 "$corpus/hoshi_keima.sgf"
  # Real games with comments and variations: the main line in figures of
  # at most 50 moves, one after the other to its last move, and every
  # diagram captioned with the move and picture where it begins.
  for row in "gogo.sgf 14 1 25" "mertin13x13/GNHT1.sgf 21 3 37" \
             "mertin13x13/katsunari-gnugo2.W+4.sgf 16 4 17" \
             "mertin13x13/gnugo-goliath2.W+38.sgf 11 3 16" "mertin13x13/goliath-gnugo3.W+0.sgf 8 2 12"; do
    set -- $row
    name=$(basename "$1" .sgf)
    expect "$2" "$3" "$4" "$corpus/$1"
    (cd "$work" && "$book" -output "$name.pdf" "$corpus/$1" >/dev/null) || continue
    if ! pdftotext "$work/$name.pdf" - | python3 -c '
import re, sys
text = sys.stdin.read()
last, faults = 0, []
for a, b in re.findall(r"^Figure \d+ \((\d+)(?:–(\d+))?\)", text, re.M):
    a, b = int(a), int(b or a)
    # A pass shows in the notes, not in the range of the caption.
    passed = all(re.search(rf"\b{k}\s+pass", text) for k in range(last + 1, a))
    if a <= last or not passed or b - a >= 50:
        faults.append(f"figure {a}-{b} after {last}")
    last = b
diagrams = re.findall(r"^Diagram \d+ .*", text, re.M)
faults += [d for d in diagrams if not re.search(r": variation at move \d+ \((Figure|Diagram) \d+\)$", d)]
print("\n".join(faults))
sys.exit(1 if faults else 0)'; then
      echo "FAIL $1: figures and captions"
      failed=1
    fi
    rm -f "$work/$name.pdf"
  done
else
  echo "no corpus at $corpus: its games skipped"
fi

# A collection: one book with every game, each on a page of its own; -game
# picks one.
printf '(;SZ[9]PB[One];B[ee])\n(;SZ[9]PB[Two];B[dd];W[cc])\n(;SZ[13]PB[Three];B[gg])\n' >"$work/three.sgf"
expect 3 3 0 "$work/three.sgf"
expect 1 1 0 "$work/three.sgf" -game 2

# TeX's special characters in the game's name and in the work directory.
odd='a_b#c%d~e$f&g h ü'
cp "$src/examples/example-9x9.sgf" "$work/$odd.sgf"
TMPDIR="$work/tmp/t dir#1%~\$&_^ü"
mkdir -p "$TMPDIR"
expect 2 1 1 "$work/$odd.sgf"
export TMPDIR=$work/tmp

# Failures: a message, status 1, no PDF and no work directory left.
fails() {
  local want=$1
  shift
  local out status
  out=$(cd "$work" && "$@" "$src/examples/example-9x9.sgf" 2>&1 >/dev/null)
  status=$?
  if [ $status -ne 1 ] || ! grep -q "$want" <<<"$out" || [ -e "$work/example-9x9.pdf" ] ||
     [ -n "$(ls -A "$work/tmp" | grep kifugram-book)" ]; then
    echo "FAIL $*: status $status, message: $out"
    failed=1
  else
    echo "ok   fails: $(head -n1 <<<"$out")"
  fi
}
fails "LaTeX stopped" env SGFMACROS="$work/nowhere" "$book"
mkdir "$work/bin"
for tool in sh dirname basename mktemp rm cp mv cat grep sed head dvips ps2pdf; do
  ln -s "$(command -v $tool)" "$work/bin/$tool"
done
fails "latex not found" env PATH="$work/bin" "$book"
fails "kifugram failed" "$book" -from tavolin
fails "own" "$book" -to ascii
fails "own" "$book" -tmp "$work"

# -output names the PDF; options after the game are taken as kifugram takes them.
mkdir -p "$work/out"
if (cd "$work" && "$book" -o out/named.pdf "$src/tests/pstex/long300.sgf" -max 50 >/dev/null) &&
   [ -s "$work/out/named.pdf" ] && [ ! -e "$work/long300.pdf" ] && [ ! -e "$work/out/.named.pdf.part" ] &&
   [ "$(pdftotext "$work/out/named.pdf" - | grep -c '^Figure [0-9]')" -eq 6 ]; then
  echo "ok   -output out/named.pdf, -max 50 after the game"
else
  echo "FAIL -output out/named.pdf, -max 50 after the game"
  failed=1
fi
if out=$("$book" --help) && [ "${out#usage: }" != "$out" ]; then
  echo "ok   --help on standard output"
else
  echo "FAIL --help"
  failed=1
fi
exit $failed
