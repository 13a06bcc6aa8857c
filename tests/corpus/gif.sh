#!/bin/bash
# Every corpus SGF file is drawn -to gif with the tile library of the build
# tree. No run may crash (status above 1, or a signal), leave a sanitizer
# report on standard error or a script behind, and every picture reported
# must be made; every tile a script names must be in the library.
# Usage: gif.sh <kifugram binary> <corpus dir>
set -u
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
export BIN=$(realpath "$1") TILES=$(dirname "$(realpath "$1")")/share/ppm WORK=$(mktemp -d /tmp/kg-gif-corpus-XXXXXX)
[ -d "$TILES/15" ] || { echo "no tiles in $TILES: skipped"; exit 77; }
trap 'rm -rf "$WORK"' EXIT
. "$(dirname "$0")/pictures.bash"

runs() {
  local err="$WORK/err-$BASHPID" dir="$WORK/pictures-$BASHPID" status
  mkdir -p "$dir"
  for file; do
    (cd "$dir" && exec "$BIN" -to gif -tmp "$WORK" -ppm "$TILES" "$file" > /dev/null 2> "$err")
    status=$?
    check_run "$file" "$status" "$err" "$dir"
  done
}
export -f runs

find "$(realpath "$2")" -type f -name '*.sgf' -print0 | sort -z |
  xargs -0 -P2 -n25 bash -c 'runs "$@"' _ > "$WORK/report"
files=$(find "$2" -type f -name '*.sgf' | wc -l)
bad=$(grep -c '^FAIL' "$WORK/report")
cat "$WORK/report"
echo "gif: $files runs"
echo "$((files - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
