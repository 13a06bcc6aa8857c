#!/bin/bash
# Every corpus SGF file is written as a LaTeX document twice: with -kibitz
# -statistics, and with -varsk_mode -max 1 into a file. No run
# may crash (status above 1, or a signal) or leave a sanitizer report on
# standard error.
# Usage: tex.sh <kifugram binary> <corpus dir>
set -u
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
export BIN=$1 WORK=$(mktemp -d /tmp/kg-tex-XXXXXX)
trap 'rm -rf "$WORK"' EXIT

one() {
  local err opts status
  err=$(mktemp "$WORK/err-XXXXXX")
  for opts in "-to tex -kibitz -statistics" "-to tex -varsk_mode -max 1 -output $err.tex"; do
    # shellcheck disable=SC2086
    "$BIN" $opts "$1" > /dev/null 2> "$err"
    status=$?
    if [ $status -gt 1 ] || grep -q -e 'AddressSanitizer' -e 'runtime error:' "$err"; then
      echo "FAIL $1: $opts (status $status)"
      grep -m5 -e 'Sanitizer' -e 'runtime error:' -e '#[0-9]' "$err"
    fi
  done
  rm -f "$err" "$err.tex"
}
export -f one

find "$2" -type f -name '*.sgf' -print0 | sort -z | xargs -0 -P2 -n1 bash -c 'one "$1"' _ > "$WORK/report"
files=$(find "$2" -type f -name '*.sgf' | wc -l)
bad=$(grep '^FAIL' "$WORK/report" | cut -d: -f1 | sort -u | wc -l)
cat "$WORK/report"
echo "tex: $((files * 2)) runs over $files files"
echo "$((files - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
