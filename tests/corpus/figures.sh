#!/bin/bash
# Every corpus SGF file drawn five times: -to ascii and -to null, plainly and
# with some of -max 1, -flatten and -kibitz, and in the default output (the
# LaTeX book and its EPS files). A leak report ends a run with status 23.
BIN=$1 CORPUS=$2
export SGFPROLOG=/dev/null
. "$(dirname "$0")/runs.bash" figures "-to ascii" "-to null" "-to ascii -max 1 -kibitz" \
  "-to null -max 1 -flatten" "-tmp {}"
