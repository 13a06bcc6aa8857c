#!/bin/bash
# A run that exhausts memory ends with one line and status 1, however the
# allocation that failed reports it: never "terminate called" and an abort.
# The address space is limited, so the sanitizer builds (which reserve
# terabytes of shadow memory) skip it.
# Usage: out_of_memory.sh <kifugram binary> <sanitized: ON or OFF>
set -u
binary=$1
if [ "$2" = ON ]; then
  echo "sanitizer build: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 300,000 nested variations of one pass each: about 120 MB of records.
python3 -c "import sys; n = 300000; sys.stdout.write('(;' + '(;B[]' * n + ')' * n + ')')" > "$work/deep.sgf"
(ulimit -v 50000; "$binary" -to sgf "$work/deep.sgf" > /dev/null 2> "$work/err")
status=$?
fail=0
if [ $status -ne 1 ]; then
  echo "FAIL: status $status, not 1"
  fail=1
fi
if grep -q 'terminate called' "$work/err"; then
  echo "FAIL: the exception escaped"
  fail=1
fi
last=$(tail -n 1 "$work/err")
if [ "$last" != "$binary: Out of memory" ]; then
  echo "FAIL: last line \"$last\""
  fail=1
fi
[ $fail -eq 0 ] && echo "out of memory: one line, status 1"
exit $fail
