#!/bin/bash
# Every corpus SGF file goes SGF -> standard format -> SGF and must come back
# without a crash or sanitizer report, with the same main line.
#
# Per file F (skipped when kifugram itself refuses F as SGF):
#   orig.sgf = kifugram -to sgf -short_keys F
#   a.sf     = kifugram -to sf F
#   back.sgf = kifugram -from sf -to sgf -short_keys a.sf
#   b.sf     = kifugram -from sf -to sf a.sf
# Compared:
#   - main line of orig.sgf and back.sgf: the B/W values written outside
#     every nested "(" (colour, point, "" for a pass), in order; and the set of
#     AB/AW points written on the main line before its first move;
#   - the unindented "B n point" / "W n pass" lines of a.sf and b.sf: the
#     move numbers survive the round trip too.
# Usage: sf_roundtrip.sh <kifugram binary> <corpus dir>
set -u
bin=$1
corpus=$2
# Thousands of small files: keep them in memory when we can.
work=$(mktemp -d /dev/shm/kg-sf-roundtrip-XXXXXX 2>/dev/null || mktemp -d /tmp/kg-sf-roundtrip-XXXXXX)
trap 'rm -rf "$work"' EXIT

one() {
  local bin=$1 work=$2 file=$3
  local d="$work/${file//\//_}"
  mkdir -p "$d"
  printf '%s\n' "$file" > "$d/name"
  "$bin" -to sgf -short_keys "$file" > "$d/orig.sgf" 2> "$d/orig.err"
  echo $? > "$d/orig.rc"
  "$bin" -to sf "$file" > "$d/a.sf" 2> "$d/a.err"
  echo $? > "$d/a.rc"
  "$bin" -from sf -to sgf -short_keys "$d/a.sf" > "$d/back.sgf" 2> "$d/back.err"
  echo $? > "$d/back.rc"
  "$bin" -from sf -to sf "$d/a.sf" > "$d/b.sf" 2> "$d/b.err"
  echo $? > "$d/b.rc"
}
export -f one

find "$corpus" -type f -name '*.sgf' -print0 |
  xargs -0 -P2 -n1 bash -c 'one "$1" "$2" "$3"' _ "$bin" "$work"

python3 - "$work" <<'PY'
import os, re, sys

work = sys.argv[1]

def main_line(text):
    """B/W values and pre-move AB/AW points outside every nested variation."""
    moves, setup = [], set()
    depth, i, n, key = 0, 0, len(text), ""
    while i < n:
        c = text[i]
        if c == "[":
            j, value = i + 1, []
            while j < n and text[j] != "]":
                if text[j] == "\\":
                    j += 1
                if j < n:
                    value.append(text[j])
                j += 1
            value = "".join(value)
            if depth == 1:
                if key in ("B", "W"):
                    moves.append((key, value))
                elif key in ("AB", "AW") and not moves:
                    setup.add((key, value))
            i = j + 1
            continue
        if c == "(":
            depth += 1
        elif c == ")":
            depth -= 1
        if c.isupper():
            key = key + c if i > 0 and text[i - 1].isupper() else c
        i += 1
    return moves, setup

sf_move = re.compile(r"^[BW] -?\d+ \S+$")

def sf_main(path):
    with open(path, "rb") as f:
        return [l for l in f.read().decode("latin-1").split("\n") if sf_move.match(l)]

def read(d, name):
    with open(os.path.join(d, name), "rb") as f:
        return f.read().decode("latin-1")

bad = re.compile(r"AddressSanitizer|LeakSanitizer|runtime error|UndefinedBehaviorSanitizer")
failures, compared, skipped = [], 0, 0
for index in sorted(os.listdir(work)):
    d = os.path.join(work, index)
    name = read(d, "name").strip()
    problem = None
    for step in ("orig", "a", "back", "b"):
        rc = int(read(d, step + ".rc").strip() or 0)
        err = read(d, step + ".err")
        found = bad.search(err)
        if found or rc > 1:
            at = err.rfind("\n", 0, found.start()) + 1 if found else max(0, len(err) - 200)
            problem = f"{step}: status {rc}: {err[at:at + 200].strip()!r}"
            break
    if problem is None and int(read(d, "orig.rc")) != 0:
        skipped += 1
        continue
    if problem is None:
        for step in ("a", "back", "b"):
            if int(read(d, step + ".rc")) != 0:
                problem = f"{step}: status {read(d, step + '.rc').strip()}"
                break
    if problem is None:
        compared += 1
        om, os_ = main_line(read(d, "orig.sgf"))
        bm, bs = main_line(read(d, "back.sgf"))
        if om != bm:
            k = next((k for k in range(min(len(om), len(bm))) if om[k] != bm[k]), min(len(om), len(bm)))
            problem = (f"main line differs at move {k + 1}: "
                       f"{om[k] if k < len(om) else None} vs {bm[k] if k < len(bm) else None}")
        elif os_ != bs:
            problem = f"setup differs: {sorted(os_ ^ bs)[:6]}"
        else:
            a, b = sf_main(os.path.join(d, "a.sf")), sf_main(os.path.join(d, "b.sf"))
            if a != b:
                k = next((k for k in range(min(len(a), len(b))) if a[k] != b[k]), min(len(a), len(b)))
                problem = (f"numbered moves differ at {k + 1}: "
                           f"{a[k] if k < len(a) else None} vs {b[k] if k < len(b) else None}")
    if problem:
        failures.append(f"{name}: {problem}")

print(f"sf round trip: {compared} compared, {skipped} refused as SGF, {len(failures)} failed")
for line in failures[:50]:
    print("  " + line)
sys.exit(1 if failures else 0)
PY
