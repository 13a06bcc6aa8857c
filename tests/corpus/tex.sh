#!/bin/bash
# Every corpus SGF file written as a LaTeX document twice: with -kibitz
# -statistics, and with -varsk_mode -max 1 into a file.
BIN=$1 CORPUS=$2
. "$(dirname "$0")/runs.bash" tex "-to tex -kibitz -statistics" "-to tex -varsk_mode -max 1 -output {}/out.tex"
