# Sourced by the corpus runs: runs NAME OPTIONS... runs every corpus SGF file
# once per option set ({} is a scratch directory of the run) and fails when
# a run crashed (status above 1, or a signal) or left a sanitizer report.
# Usage of the scripts: NAME.sh <kifugram binary> <corpus dir>
set -u
[ -d "$CORPUS" ] || { echo "no corpus at $CORPUS: skipped"; exit 77; }
export BIN WORK=$(mktemp -d "/tmp/kg-$1-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
name=$1
shift
export OPTION_SETS=$(printf '%s\n' "$@")

one() {
  local err opts status scratch
  err=$(mktemp "$WORK/err-XXXXXX")
  while IFS= read -r opts; do
    scratch=$(mktemp -d "$WORK/run-XXXXXX")
    # shellcheck disable=SC2086
    "$BIN" ${opts//\{\}/$scratch} "$1" > /dev/null 2> "$err"
    status=$?
    if [ $status -gt 1 ] || grep -q -e 'AddressSanitizer' -e 'runtime error:' "$err"; then
      echo "FAIL $1: $opts (status $status)"
      grep -m5 -e 'Sanitizer' -e 'runtime error:' -e '#[0-9]' "$err"
    fi
    rm -rf "$scratch"
  done <<< "$OPTION_SETS"
  rm -f "$err"
}
export -f one

find "$CORPUS" -type f -name '*.sgf' -print0 | sort -z | xargs -0 -P2 -n1 bash -c 'one "$1"' _ > "$WORK/report"
files=$(find "$CORPUS" -type f -name '*.sgf' | wc -l)
bad=$(grep '^FAIL' "$WORK/report" | cut -d: -f1 | sort -u | wc -l)
cat "$WORK/report"
echo "$name: $((files * $#)) runs over $files files"
echo "$((files - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
