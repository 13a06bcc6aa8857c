#!/bin/bash
# kifugram-batch on a small tree: names shared across folders and within one,
# a broken record, spaces in names, options passed on, an out-dir inside the
# source tree, and the out-dirs it refuses.
# Usage: batch.sh <kifugram binary> <source tree>
set -u
bin=$(readlink -f "$1") top=$(readlink -f "$2")
batch=$top/scripts/kifugram-batch
work=$(mktemp -d /tmp/kg-batch-XXXXXX)
trap 'rm -rf "$work"' EXIT
problems=0
check() { # description, command...
  local what=$1
  shift
  "$@" || { echo "FAIL: $what"; problems=$((problems + 1)); }
}
pattern='*.sgf'
run() { # out-dir, format, kifugram options...
  local out=$1 format=$2
  shift 2
  KIFUGRAM=$bin "$batch" -j 2 -n "$pattern" "$format" "$src" "$out" "$@" 2>"$work/stderr"
}

src=$work/games
mkdir -p "$src/a" "$src/b" "$src/c d" "$src/dup"
cp "$top/examples/example-9x9.sgf" "$src/a/game.sgf"
sed 's/PB\[Black\]/PB[Someone else]/' "$top/examples/example-9x9.sgf" >"$src/b/game.sgf"
cp "$top/examples/example-9x9.sgf" "$src/c d/with space.sgf"
cp "$top/examples/example-9x9.sgf" "$src/dup/x.sgf"
cp "$top/examples/example-9x9.sgf" "$src/dup/x.SGF"
echo 'not a game' >"$src/broken.sgf"
echo 'not a record either' >"$src/notes.txt"

# Options after out-dir reach every run; the two game.sgf stay apart.
run "$work/out" ascii -max 5
check "status 1 when a record failed" test $? -eq 1
for rel in a/game "c d/with space" b/game; do
  "$bin" -to ascii -max 5 "$src/$rel.sgf" >"$work/by-hand" 2>/dev/null
  check "$rel.txt is what a run by hand gives" cmp -s "$work/by-hand" "$work/out/$rel.txt"
done
check "dup/x.txt made once" test -f "$work/out/dup/x.txt"
check "the broken record leaves no output" test ! -e "$work/out/broken.txt"
check "failed.log names the broken record" grep -q '^FAILED (status 1) broken.sgf$' "$work/out/failed.log"
check "failed.log has its message" grep -q 'not an SGF record' "$work/out/failed.log"
check "the summary counts" grep -q '^kifugram-batch: 5 records, 4 converted, 1 failed$' "$work/stderr"
check "only the records' outputs and the logs" test "$(find "$work/out" -type f | wc -l)" -eq 6

# Figure outputs: a directory per record, its figures beside the text that
# names them by a relative path, so the directory can move.
run "$work/pstex" pstex -max 5
check "pstex: status 1" test $? -eq 1
check "pstex: a/game/game.tex" test -s "$work/pstex/a/game/game.tex"
check "pstex: figures beside it" test -s "$work/pstex/a/game/game.f01"
check "pstex: named ./game.f01" grep -q 'epsfflush{./game.f01}' "$work/pstex/a/game/game.tex"
mkdir "$work/by-hand-pstex"
"$bin" -to pstex -max 5 -tmp "$work/by-hand-pstex" -output /dev/null "$src/a/game.sgf" 2>/dev/null
check "pstex: the files of a run by hand, no more" \
  test "$(cd "$work/by-hand-pstex" && ls)" = "$(cd "$work/pstex/a/game" && ls | grep -v '^game.tex$')"
tiles=$(dirname "$bin")/share/ppm
if [ -d "$tiles" ] && command -v pamtogif >/dev/null; then
  run "$work/html" html -ppm "$tiles"
  check "html: pages and pictures" test -s "$work/html/c d/with space/with space.html" -a \
    -s "$work/html/c d/with space/with space-f01.gif"
  check "html: no scripts left" test -z "$(find "$work/html" -name '*.f01')"
  check "html: every page's picture" test "$(find "$work/html" -name '*.gif' | wc -l)" -eq \
    "$(find "$work/html" -name '*-[fd][0-9]*.html' | wc -l)"
else
  echo "no tiles or no netpbm: html not tried"
fi

# Two names for one output: the later record fails instead of overwriting.
pattern='*.[sS][gG][fF]'
run "$work/dup" sgf
pattern='*.sgf'
check "x.SGF fails" grep -q '^FAILED (same output as dup/x.SGF) dup/x.sgf$' "$work/dup/failed.log"
check "six records seen" grep -q ' 6 records, 4 converted, 2 failed$' "$work/stderr"

# An out-dir inside the source tree is not read back on the next run.
rm "$src/broken.sgf"
run "$src/converted" sgf
check "status 0 when nothing failed" test $? -eq 0
run "$src/converted" sgf
check "the second run sees the same records" grep -q ' 4 records, 4 converted, 0 failed$' "$work/stderr"
check "an empty failed.log" test ! -s "$src/converted/failed.log"

# out-dir may not be, or hold, the source tree.
for out in "$src" "$work"; do
  run "$out" sgf
  check "refuses $out (status 2)" test $? -eq 2
  check "says why" grep -q 'holds the records' "$work/stderr"
done
run "$work/x" frobnicate
check "refuses an unknown format (status 2)" test $? -eq 2

# -to null writes nothing but still finds the bad records.
echo '(;B[' >"$src/cut.sgf"  # a record cut short reads: not a failure
echo '(no game' >"$src/bad.sgf"
run "$work/null" null
check "null: status 1" test $? -eq 1
check "null: only the logs" test "$(find "$work/null" -type f | wc -l)" -eq 2

# A collection gives every game: sgf and db in one file, the other formats
# one output per game.
col=$work/col
mkdir -p "$col/src"
printf '(;SZ[9]PB[One];B[ee])\n(;SZ[9]PB[Two];B[dd];W[cc])\n' >"$col/src/c.sgf"
for format in ascii sgf db; do
  KIFUGRAM=$bin "$batch" -j 1 "$format" "$col/src" "$col/$format" 2>/dev/null
  check "collection $format: status 0" test $? -eq 0
done
"$bin" -to ascii -game 2 "$col/src/c.sgf" >"$work/by-hand" 2>/dev/null
check "collection ascii: game 2 in c-2.txt" cmp -s "$work/by-hand" "$col/ascii/c-2.txt"
check "collection ascii: game 1 in c.txt" test -s "$col/ascii/c.txt"
check "collection sgf: both games" test "$(grep -c '^(' "$col/sgf/c.sgf")" -eq 2
check "collection db: a record per game" test "$(grep -c '^FileName' "$col/db/c.db")" -eq 2

[ "$problems" -eq 0 ] && echo "batch: all checks passed"
[ "$problems" -eq 0 ]
