#!/bin/bash
# Every SGF file of the corpus: writing it as SGF and writing that output
# again gives the same bytes, and the other record runs (db, short keys,
# -sequent, -flatten, -kibitz, -varsk_mode) end normally without a sanitizer
# report. Files that are not games must fail with status 1 and say they are
# no SGF record.
#   usage: sgf_roundtrip.sh <kifugram binary> <corpus dir>
set -u
[ -x "$1" ] || { echo "no binary: $1"; exit 2; }
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
export BINARY=$1 CORPUS=$2 EXPECTED_BAD="pending/nightmare.sgf"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export WORKDIR=$(mktemp -d)
trap 'rm -rf "$WORKDIR"' EXIT

check_one() {
  local file=$1 rel=${1#"$CORPUS"/} tmp problems="" run=0 s
  tmp=$(mktemp -d "$WORKDIR/f.XXXXXX")
  sanitizer() { grep -q -e "ERROR: AddressSanitizer" -e "ERROR: LeakSanitizer" -e "runtime error:" "$1"; }
  "$BINARY" -to sgf "$file" >"$tmp/a" 2>"$tmp/e1"
  s=$?
  if [[ " $EXPECTED_BAD " == *" $rel "* ]]; then
    { [ $s -eq 1 ] && grep -q "not an SGF record" "$tmp/e1"; } || problems+=" expected-bad:status=$s"
  elif [ $s -ne 0 ]; then
    problems+=" sgf:status=$s"
  else
    "$BINARY" -to sgf "$tmp/a" >"$tmp/b" 2>"$tmp/e2"
    s=$?
    [ $s -eq 0 ] || problems+=" resgf:status=$s"
    cmp -s "$tmp/a" "$tmp/b" || problems+=" not-idempotent"
    sanitizer "$tmp/e2" && problems+=" resgf:sanitizer"
  fi
  sanitizer "$tmp/e1" && problems+=" sgf:sanitizer"
  for opts in "-to db -short_keys" "-sequent -flatten -short_keys -to sgf" \
              "-flatten -kibitz -to sgf" "-sequent -varsk_mode -text_output -to sgf"; do
    run=$((run + 1))
    # shellcheck disable=SC2086
    "$BINARY" $opts "$file" >/dev/null 2>"$tmp/r$run"
    s=$?
    [ $s -le 1 ] || problems+=" [$opts]:status=$s"
    sanitizer "$tmp/r$run" && problems+=" [$opts]:sanitizer"
  done
  if [ -n "$problems" ]; then
    echo "FAIL $rel:$problems"
    cat "$tmp"/e* "$tmp"/r* 2>/dev/null | grep -m5 -e "ERROR" -e "runtime error" -e "#[0-9] "
  fi
  rm -rf "$tmp"
}
export -f check_one

count=$(find "$CORPUS" -name '*.sgf' -type f | wc -l)
[ "$count" -gt 0 ] || { echo "no SGF files under $CORPUS"; exit 2; }
find "$CORPUS" -name '*.sgf' -type f -print0 |
  xargs -0 -n 8 -P 2 bash -c 'for f; do check_one "$f"; done' _ >"$WORKDIR/report" || true
if [ -s "$WORKDIR/report" ]; then
  cat "$WORKDIR/report"
  echo "$(grep -c '^FAIL' "$WORKDIR/report") of $count files failed"
  exit 1
fi
echo "$count files: round trip stable, all runs clean"
