#!/bin/bash
# Every SGF file of the corpus: writing it as SGF and writing that output
# again gives the same bytes, and the other record runs (db, short keys,
# -sequent, -flatten, -kibitz, -varsk_mode) end normally without a sanitizer
# report.
#   usage: sgf_roundtrip.sh <kifugram binary> <corpus dir>
set -u
binary=$1
corpus=$2
[ -x "$binary" ] || { echo "no binary: $binary"; exit 2; }
[ -d "$corpus" ] || { echo "no corpus: $corpus"; exit 2; }

# Files that are not games: reading them fails with status 1 and the
# bad-file message, which is the expected outcome.
expected_bad="pending/nightmare.sgf"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check_one() {
  local binary=$BINARY file=$1
  local rel=${file#"$CORPUS"/}
  local tmp
  tmp=$(mktemp -d "$WORKDIR/f.XXXXXX")
  local problems=""
  sanitizer() {
    grep -q -e "ERROR: AddressSanitizer" -e "ERROR: LeakSanitizer" -e "runtime error:" "$1"
  }
  "$binary" -to sgf "$file" >"$tmp/a" 2>"$tmp/e1"
  local s1=$?
  if [[ " $EXPECTED_BAD " == *" $rel "* ]]; then
    if [ $s1 -ne 1 ] || ! grep -q "is a bad SGF file" "$tmp/e1"; then
      problems+=" expected-bad:status=$s1"
    fi
  elif [ $s1 -ne 0 ]; then
    problems+=" sgf:status=$s1"
  else
    "$binary" -to sgf "$tmp/a" >"$tmp/b" 2>"$tmp/e2"
    local s2=$?
    [ $s2 -eq 0 ] || problems+=" resgf:status=$s2"
    cmp -s "$tmp/a" "$tmp/b" || problems+=" not-idempotent"
    sanitizer "$tmp/e2" && problems+=" resgf:sanitizer"
  fi
  sanitizer "$tmp/e1" && problems+=" sgf:sanitizer"
  local run=0
  for opts in "-to db -short_keys" "-sequent -flatten -short_keys -to sgf" \
              "-flatten -kibitz -to sgf" "-sequent -varsk_mode -text_output -to sgf"; do
    run=$((run + 1))
    # shellcheck disable=SC2086
    "$binary" $opts "$file" >/dev/null 2>"$tmp/r$run"
    local s=$?
    { [ $s -eq 0 ] || [ $s -eq 1 ]; } || problems+=" [$opts]:status=$s"
    sanitizer "$tmp/r$run" && problems+=" [$opts]:sanitizer"
  done
  if [ -n "$problems" ]; then
    echo "FAIL $rel:$problems"
    cat "$tmp"/e* "$tmp"/r* 2>/dev/null | grep -m5 -e "ERROR" -e "runtime error" -e "#[0-9] "
  fi
  rm -rf "$tmp"
}
export -f check_one
export WORKDIR=$work BINARY=$binary CORPUS=$corpus EXPECTED_BAD=$expected_bad

count=$(find "$corpus" -name '*.sgf' -type f | wc -l)
[ "$count" -gt 0 ] || { echo "no SGF files under $corpus"; exit 2; }
find "$corpus" -name '*.sgf' -type f -print0 |
  xargs -0 -n 8 -P 2 bash -c 'for f; do check_one "$f"; done' _ >"$work/report" || true
if [ -s "$work/report" ]; then
  cat "$work/report"
  echo "$(grep -c '^FAIL' "$work/report") of $count files failed"
  exit 1
fi
echo "$count files: round trip stable, all runs clean"
