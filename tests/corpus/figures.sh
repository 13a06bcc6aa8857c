#!/bin/bash
# Every corpus SGF file is drawn four times: -to ascii and -to null plainly,
# and each with some of -max 1, -flatten and -kibitz. No run may crash
# (status above 1, or a signal) or leave a sanitizer report on standard
# error (a leak report ends the run with status 23).
# Usage: figures.sh <kifugram binary> <corpus dir>
set -u
bin=$1
corpus=$2
work=$(mktemp -d /tmp/kg-figures-XXXXXX)
trap 'rm -rf "$work"' EXIT

one() {
  local bin=$1 work=$2 file=$3
  local tag=${file//\//_}
  local i=0 opts status
  for opts in "-to ascii" "-to null" "-to ascii -max 1 -kibitz" "-to null -max 1 -flatten"; do
    i=$((i + 1))
    # shellcheck disable=SC2086
    "$bin" $opts "$file" > /dev/null 2> "$work/err"
    status=$?
    if [ $status -gt 1 ] || grep -q -e 'AddressSanitizer' -e 'runtime error:' "$work/err"; then
      {
        echo "FAIL $file: $opts (status $status)"
        grep -m5 -e 'Sanitizer' -e 'runtime error:' -e '#[0-9]' "$work/err"
      } > "$work/fail.$tag.$i"
    fi
  done
}
export -f one

# Each worker keeps its own scratch file for standard error.
find "$corpus" -type f -name '*.sgf' -print0 | sort -z |
  xargs -0 -P2 -n1 bash -c 'w=$(mktemp -d "$2/w-XXXXXX"); one "$1" "$w" "$3"; cat "$w"/fail.* 2>/dev/null; rm -rf "$w"' _ "$bin" "$work" > "$work/report"

files=$(find "$corpus" -type f -name '*.sgf' | wc -l)
bad=$(grep '^FAIL' "$work/report" | cut -d: -f1 | sort -u | wc -l)
cat "$work/report"
echo "figures: $((files * 4)) runs over $files files"
echo "$((files - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
