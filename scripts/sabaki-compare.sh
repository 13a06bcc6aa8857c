#!/bin/bash
# Installs @sabaki/sgf from npm into a scratch directory (once, under
# ${TMPDIR:-/tmp}/kifugram-sabaki) and compares kifugram's -to sgf
# -short_keys output with every record of a collection, node by node.
# Usage: scripts/sabaki-compare.sh [kifugram binary] [corpus dir]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
kifugram=${1:-$top/build/kifugram}
corpus=${2:-$top/../shared/corpus/sgf}
dir=${TMPDIR:-/tmp}/kifugram-sabaki
if [ ! -d "$dir/node_modules/@sabaki/sgf" ]; then
  mkdir -p "$dir"
  (cd "$dir" && npm init -y >/dev/null && npm install --silent @sabaki/sgf@3 >/dev/null)
fi
NODE_PATH=$dir/node_modules exec node "$top/scripts/sabaki-compare.js" "$(readlink -f "$kifugram")" "$corpus"
