#!/bin/bash
# Every corpus SGF file drawn -to html (see pictures.bash).
# Usage: html.sh <kifugram binary> <corpus dir>
. "$(dirname "$0")/pictures.bash" "$1" "$2" html
