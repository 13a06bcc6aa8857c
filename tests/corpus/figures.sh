#!/bin/bash
# Every corpus SGF file is drawn five times: -to ascii and -to null plainly,
# each with some of -max 1, -flatten and -kibitz, and in the default output
# (the LaTeX book and its EPS files, in a directory of their own). No run may crash
# (status above 1, or a signal) or leave a sanitizer report on standard
# error (a leak report ends the run with status 23).
# Usage: figures.sh <kifugram binary> <corpus dir>
set -u
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
export BIN=$1 WORK=$(mktemp -d /tmp/kg-figures-XXXXXX)
trap 'rm -rf "$WORK"' EXIT

check() {
  if [ $status -gt 1 ] || grep -q -e 'AddressSanitizer' -e 'runtime error:' "$err"; then
    echo "FAIL $1: $2 (status $status)"
    grep -m5 -e 'Sanitizer' -e 'runtime error:' -e '#[0-9]' "$err"
  fi
}
export -f check

one() {
  local err opts status figures
  err=$(mktemp "$WORK/err-XXXXXX")
  for opts in "-to ascii" "-to null" "-to ascii -max 1 -kibitz" "-to null -max 1 -flatten"; do
    # shellcheck disable=SC2086
    "$BIN" $opts "$1" > /dev/null 2> "$err"
    status=$?
    check "$1" "$opts"
  done
  figures=$(mktemp -d "$WORK/figures-XXXXXX")
  SGFPROLOG=/dev/null "$BIN" -tmp "$figures" "$1" > /dev/null 2> "$err"
  status=$?
  check "$1" "(default output)"
  rm -rf "$err" "$figures"
}
export -f one

find "$2" -type f -name '*.sgf' -print0 | sort -z | xargs -0 -P2 -n1 bash -c 'one "$1"' _ > "$WORK/report"
files=$(find "$2" -type f -name '*.sgf' | wc -l)
bad=$(grep '^FAIL' "$WORK/report" | cut -d: -f1 | sort -u | wc -l)
cat "$WORK/report"
echo "figures: $((files * 5)) runs over $files files"
echo "$((files - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
