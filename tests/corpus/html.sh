#!/bin/bash
# Every corpus SGF file is made into web pages (-to html). No run may crash
# (status above 1, or a signal), leave a sanitizer report on standard error
# or a script behind, and every page's picture must be made; the device
# tests follow the links of whole games.
# Usage: html.sh <kifugram binary> <corpus dir>
set -u
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
export BIN=$(realpath "$1") TILES=$(dirname "$(realpath "$1")")/share/ppm WORK=$(mktemp -d /tmp/kg-html-corpus-XXXXXX)
[ -d "$TILES/15" ] || { echo "no tiles in $TILES: skipped"; exit 77; }
trap 'rm -rf "$WORK"' EXIT
. "$(dirname "$0")/pictures.bash"

runs() {
  local err="$WORK/err-$BASHPID" dir="$WORK/pages-$BASHPID" status
  mkdir -p "$dir"
  for file; do
    (cd "$dir" && exec "$BIN" -to html -tmp "$WORK" -ppm "$TILES" "$file" > /dev/null 2> "$err")
    status=$?
    check_run "$file" "$status" "$err" "$dir"
    find "$dir" -maxdepth 1 -name '*.html' -delete
  done
}
export -f runs

find "$(realpath "$2")" -type f -name '*.sgf' -print0 | sort -z |
  xargs -0 -P2 -n25 bash -c 'runs "$@"' _ > "$WORK/report"
files=$(find "$2" -type f -name '*.sgf' | wc -l)
bad=$(grep -c '^FAIL' "$WORK/report")
cat "$WORK/report"
echo "html: $files runs"
echo "$((files - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
