# Sourced by the corpus runs of the picture formats: pictures FORMAT runs
# every corpus SGF file -to FORMAT with the tile library of the build tree.
# No run may crash (status above 1, or a signal), leave a sanitizer report or
# a script behind, and every picture it reports must be made.
# Every picture script runs to its end with the netpbm tools. Where they are
# missing, stand-ins (tests/stubs/netpbm) take their place: they check the
# tiles a script names and write no real picture.
set -u
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
export FORMAT=$3 BIN=$(realpath "$1") TILES=$(dirname "$(realpath "$1")")/share/ppm
[ -d "$TILES/15" ] || { echo "no tiles in $TILES: skipped"; exit 77; }
export WORK=$(mktemp -d "/tmp/kg-$FORMAT-corpus-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
if ! command -v pnmcat > /dev/null || ! command -v ppmchange > /dev/null ||
   ! command -v pamtogif > /dev/null; then
  PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")/../stubs/netpbm" && pwd):$PATH"
  export PATH
fi

# check_run FILE STATUS ERR DIR: "FAIL ..." unless the run was clean and DIR
# holds a picture for every one reported; the pictures and pages are removed.
check_run() {
  local gifs
  gifs=$(find "$4" -maxdepth 1 -name '*.gif' | wc -l)
  find "$4" -maxdepth 1 \( -name '*.gif' -o -name '*.html' \) -delete
  awk -v file="$1" -v status="$2" -v gifs="$gifs" '
    /\[(Figure|Diagram) [0-9]+ .* WIDTH=/ { pictures++ }
    /^Left script in/ { left++ }
    /AddressSanitizer|runtime error:|^ *#[0-9]/ { found = found "\n" $0 }
    END {
      if (status > 1 || left > 0 || pictures != gifs || found != "")
        printf "FAIL %s (status %d, %d pictures, %d made, %d scripts left)%s\n",
               file, status, pictures, gifs, left, found
    }' "$3"
}

runs() {
  local err="$WORK/err-$BASHPID" dir="$WORK/pictures-$BASHPID" status
  mkdir -p "$dir"
  for file; do
    (cd "$dir" && exec "$BIN" -to "$FORMAT" -tmp "$WORK" -ppm "$TILES" "$file" > /dev/null 2> "$err")
    status=$?
    check_run "$file" "$status" "$err" "$dir"
  done
}
export -f check_run runs

find "$(realpath "$2")" -type f -name '*.sgf' -print0 | sort -z |
  xargs -0 -P2 -n25 bash -c 'runs "$@"' _ > "$WORK/report"
files=$(find "$2" -type f -name '*.sgf' | wc -l)
bad=$(grep -c '^FAIL' "$WORK/report")
cat "$WORK/report"
echo "$FORMAT: $files runs"
echo "$((files - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
