#!/bin/bash
# What -to sgf writes, held against the reference SGF checker (SGFC, built
# from the peers beside the repository) and sgf2dg:
# - with -short_keys (FF[4]) the checker reports nothing on the output that
#   it does not report on the input, but that a property of an older format
#   which FF[4] does not define (BS, WS, ...) is kept as it was read;
# - with the default long keys (FF[3]) it reports no error that it does not
#   report on the input (warnings about properties newer than FF[3] are the
#   dialect's);
# - sgf2dg -converter ASCII reads every -short_keys output.
# A message counts by its number and property, not by where it is nor by
# its severity, which follows the format the file declares (a time limit
# that FF[3] lets pass with a warning is an error under FF[4]).
# Usage: sgf_checker.sh <kifugram binary> <corpus dir> <peers dir> [all]
#   Without "all", a sample of 50 records spread over the corpus.
set -u
[ -x "$1" ] || { echo "no binary: $1"; exit 2; }
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
[ -d "$3/sgfc" ] || { echo "no SGF checker at $3/sgfc: skipped"; exit 77; }
export BINARY=$1
corpus=$2
WORK=$(mktemp -d /tmp/kg-checker-XXXXXX)
export WORK
trap 'rm -rf "$WORK"' EXIT
cp -r "$3/sgfc" "$WORK/sgfc" && make -s -C "$WORK/sgfc/src" >/dev/null 2>&1 ||
  { echo "the SGF checker does not build"; exit 1; }
export SGFC=$WORK/sgfc/src/sgfc
export DRAW=
command -v sgf2dg >/dev/null && DRAW=sgf2dg

# The messages of one file, one per line: "Error 28 AB"; with `same`, the
# number and property alone: "28 AB".
messages() {
  "$SGFC" "$1" 2>&1 | sed -n 's/^Line:[0-9]* Col:[0-9]* - \(Error\|Warning\|Fatal error\) \([0-9]*\): [^<]*<\([^>]*\)>.*/\1 \2 \3/p;
      s/^Line:[0-9]* Col:[0-9]* - \(Error\|Warning\|Fatal error\) \([0-9]*\): \([^<]*\)$/\1 \2 -/p' |
    sed 's/^Fatal error/Fatal/' | awk -v same="${2:-}" '{ gsub(/[^A-Z]/, "", $3); print same ? $2 " " $3 : $0 }' | sort -u
}
export -f messages

one() {
  local f=$1 tmp problems=
  tmp=$(mktemp -d "$WORK/f.XXXXXX")
  if "$BINARY" -to sgf -short_keys "$f" >"$tmp/o4.sgf" 2>/dev/null; then
    messages "$f" same >"$tmp/in"
    messages "$tmp/o4.sgf" same >"$tmp/o4"
    local extra
    extra=$(comm -13 "$tmp/in" "$tmp/o4" | grep -v '^40 ' | tr '\n' ';')
    [ -z "$extra" ] || problems+=" short keys: $extra"
    "$BINARY" -to sgf "$f" >"$tmp/o3.sgf" 2>/dev/null
    messages "$tmp/o3.sgf" | grep -v '^Warning' | cut -d' ' -f2- >"$tmp/o3"
    extra=$(comm -13 "$tmp/in" "$tmp/o3" | tr '\n' ';')
    [ -z "$extra" ] || problems+=" long keys: $extra"
    # sgf2dg knows no star points for some boards: only what it draws from
    # the input it must draw from ours.
    if [ -n "$DRAW" ] && ! (cd "$tmp" && timeout 60 "$DRAW" -converter ASCII o4.sgf >/dev/null 2>"$tmp/draw"); then
      cp "$f" "$tmp/in.sgf"
      (cd "$tmp" && timeout 60 "$DRAW" -converter ASCII in.sgf >/dev/null 2>&1) &&
        problems+=" sgf2dg: $(head -c 200 "$tmp/draw" | tr '\n' ' ')"
    fi
  fi
  [ -z "$problems" ] || echo "FAIL ${f#"$CORPUS"/}:$problems"
  rm -rf "$tmp"
}
export -f one
export CORPUS=$corpus

find "$corpus" -type f -name '*.sgf' | sort >"$WORK/all"
if [ "${4:-}" = all ]; then
  cp "$WORK/all" "$WORK/list"
else
  total=$(wc -l <"$WORK/all")
  awk -v step=$(( (total + 49) / 50 )) 'NR % step == 1' "$WORK/all" >"$WORK/list"
fi
files=$(wc -l <"$WORK/list")
tr '\n' '\0' <"$WORK/list" | xargs -0 -n1 -P2 bash -c 'one "$1"' _ >"$WORK/report"
cat "$WORK/report"
bad=$(grep -c '^FAIL' "$WORK/report")
echo "sgf checker: $files records${DRAW:+, drawn by sgf2dg}; $((files - bad)) accepted, $bad with findings"
[ "$bad" -eq 0 ]
