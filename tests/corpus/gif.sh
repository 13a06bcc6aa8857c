#!/bin/bash
# Every corpus SGF file drawn -to gif (see pictures.bash).
# Usage: gif.sh <kifugram binary> <corpus dir>
. "$(dirname "$0")/pictures.bash" "$1" "$2" gif
