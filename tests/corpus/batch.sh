#!/bin/bash
# kifugram-batch over the whole corpus, to SGF and to ASCII: every record ends
# up either converted, under its own path, or in failed.log, never both and
# never neither; the exit status says whether any failed; the records that
# share a name with a record in another folder each keep their own output,
# the same as a run of kifugram by hand; what failed fails by hand too.
# Usage: batch.sh <kifugram binary> <corpus dir>
set -u
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
bin=$(readlink -f "$1") corpus=$(readlink -f "$2")
batch=$(dirname "$(readlink -f "$0")")/../../scripts/kifugram-batch
work=$(mktemp -d /tmp/kg-batch-XXXXXX)
trap 'rm -rf "$work"' EXIT
problems=0
problem() {
  echo "FAIL: $*"
  problems=$((problems + 1))
}

(cd "$corpus" && find . -type f -name '*.sgf' -printf '%P\n' | LC_ALL=C sort) >"$work/records"
total=$(wc -l <"$work/records")
# Names that occur in more than one folder.
declare -A shared=()
while IFS= read -r name; do
  shared[$name]=1
done < <(sed 's|.*/||' "$work/records" | sort | uniq -d)

for format in sgf:sgf ascii:txt; do
  to=${format%:*} ext=${format#*:}
  out=$work/$to
  KIFUGRAM=$bin "$batch" -j 2 "$to" "$corpus" "$out" 2>"$work/$to.stderr"
  status=$?
  tail -n 2 "$work/$to.stderr"

  grep -a '^FAILED ' "$out/failed.log" | sed 's/^FAILED ([^)]*) //' | LC_ALL=C sort >"$work/failed"
  (cd "$out" && find . -type f ! -name failed.log ! -name messages.log -printf '%P\n') |
    sed "s/\.$ext\$//" | LC_ALL=C sort >"$work/made"
  sed 's/\.sgf$//' "$work/records" | LC_ALL=C sort >"$work/expected"
  sed 's/\.sgf$//' "$work/failed" | LC_ALL=C sort - "$work/made" >"$work/accounted"
  failed=$(wc -l <"$work/failed")
  made=$(wc -l <"$work/made")

  cmp -s "$work/accounted" "$work/expected" ||
    problem "$to: outputs plus failures are not the records: $(diff "$work/expected" "$work/accounted" | head -n 5 | tr '\n' ' ')"
  [ "$((made + failed))" -eq "$total" ] || problem "$to: $made made + $failed failed != $total records"
  if [ "$failed" -gt 0 ]; then
    [ "$status" -eq 1 ] || problem "$to: $failed failed but the status is $status"
  else
    [ "$status" -eq 0 ] || problem "$to: nothing failed but the status is $status"
  fi
  leftovers=$(find "$out" -name '.*.part' | wc -l)
  [ "$leftovers" -eq 0 ] || problem "$to: $leftovers partial files left"

  # A failure by the batch is a failure by hand.
  while IFS= read -r rel; do
    if "$bin" -to "$to" -output /dev/null "$corpus/$rel" >/dev/null 2>&1; then
      problem "$to: $rel failed in the batch but converts by hand"
    fi
  done <"$work/failed"

  # Records sharing a name: each output is what a run by hand gives.
  checked=0
  while IFS= read -r rel; do
    [ -n "${shared[${rel##*/}]:-}" ] || continue
    grep -qxF "$rel" "$work/failed" && continue
    "$bin" -to "$to" -output "$work/by-hand" "$corpus/$rel" 2>/dev/null
    cmp -s "$work/by-hand" "$out/${rel%.sgf}.$ext" || problem "$to: $rel: the batch output differs from a run by hand"
    checked=$((checked + 1))
  done <"$work/records"
  echo "$to: $total records, $made converted, $failed failed; $checked outputs of records sharing a name compared"
done

[ "$problems" -eq 0 ]
