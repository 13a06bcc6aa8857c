#!/bin/bash
# Every corpus SGF file is drawn -to gif with the tile library of the build
# tree, its scripts kept. No run may crash (status above 1, or a signal) or
# leave a sanitizer report on standard error, every picture must have its
# script, and every tile a script names must be in the library.
#
# The netpbm tools are kept off PATH, so each script stops at its first
# tool: running them all would take many minutes of process starts, and
# the device tests run the real tools on whole games.
# Usage: gif.sh <kifugram binary> <corpus dir>
set -u
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
export BIN=$1 TILES=$(dirname "$1")/share/ppm WORK=$(mktemp -d /tmp/kg-gif-corpus-XXXXXX)
[ -d "$TILES/15" ] || { echo "no tiles in $TILES: skipped"; exit 77; }
trap 'rm -rf "$WORK"' EXIT
. "$(dirname "$0")/pictures.bash"
mkdir "$WORK/scripts"

runs() {
  local err="$WORK/err-$BASHPID" status
  for file; do
    (cd "$WORK" && PATH=/nonexistent exec "$BIN" -to gif -hold -tmp "$WORK/scripts" -ppm "$TILES" \
       "$file" > /dev/null 2> "$err")
    status=$?
    check_run "$file" "$status" "$err"
  done
}
export -f runs

find "$(realpath "$2")" -type f -name '*.sgf' -print0 | sort -z |
  xargs -0 -P2 -n25 bash -c 'runs "$@"' _ > "$WORK/report"
# The tiles the rows are made of.
grep -rh '^pnmcat -lr' "$WORK/scripts" | sed -e 's/^pnmcat -lr //' -e 's/ > .*//' | tr ' ' '\n' |
  sort -u > "$WORK/tiles"
while read -r tile; do
  [ -f "$TILES/15/$tile" ] || echo "FAIL no tile $tile"
done < "$WORK/tiles" >> "$WORK/report"
files=$(find "$2" -type f -name '*.sgf' | wc -l)
bad=$(grep -c '^FAIL' "$WORK/report")
cat "$WORK/report"
echo "gif: $files runs, $(grep -c . "$WORK/tiles") different tiles"
echo "$((files - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
