#!/bin/bash
# Every corpus SGF file F that kifugram reads as SGF goes SGF -> standard
# format (a.sf) -> SGF and must come back without a crash or sanitizer report:
# the B/W values outside every variation and the AB/AW points before the
# first move of "-to sgf -short_keys F" and of "-from sf ... a.sf" agree, and
# so do the numbered move lines of a.sf and of "-from sf -to sf a.sf".
# Usage: sf_roundtrip.sh <kifugram binary> <corpus dir>
[ -d "$2" ] || { echo "no corpus at $2: skipped"; exit 77; }
exec python3 - "$@" <<'PY'
import os, re, subprocess, sys, tempfile
from concurrent.futures import ThreadPoolExecutor

binary, corpus = sys.argv[1:3]
bad = re.compile(r"AddressSanitizer|LeakSanitizer|runtime error|UndefinedBehaviorSanitizer")
sf_move = re.compile(r"^[BW] -?\d+ \S+$")
shm = "/dev/shm" if os.path.isdir("/dev/shm") else None  # thousands of small files


def main_line(text):
    """B/W values and pre-move AB/AW points outside every nested variation."""
    moves, setup, depth, key, i = [], set(), 0, "", 0
    while i < len(text):
        c = text[i]
        if c == "[":
            j, value = i + 1, []
            while j < len(text) and text[j] != "]":
                j += text[j] == "\\"
                if j < len(text):
                    value.append(text[j])
                j += 1
            if depth == 1 and key in ("B", "W"):
                # A pass is "tt" in a record of an older format, else empty.
                moves.append((key, "".join(value).replace("tt", "")))
            elif depth == 1 and key in ("AB", "AW") and not moves:
                setup.add((key, "".join(value)))
            i = j + 1
            continue
        depth += (c == "(") - (c == ")")
        if c.isupper():
            key = key + c if i > 0 and text[i - 1].isupper() else c
        i += 1
    return moves, setup


def differ(what, x, y):
    k = next((k for k in range(min(len(x), len(y))) if x[k] != y[k]), min(len(x), len(y)))
    return f"{what} {k + 1}: {x[k] if k < len(x) else None} vs {y[k] if k < len(y) else None}"


def check(path):
    """None when kifugram refuses the file as SGF, else the problem ("" for none)."""
    runs = {}
    with tempfile.TemporaryDirectory(prefix="kg-sf-roundtrip-", dir=shm) as d:
        a = os.path.join(d, "a.sf")
        for step, args in (("orig", ["-to", "sgf", "-short_keys", path]), ("a", ["-to", "sf", path]),
                           ("back", ["-from", "sf", "-to", "sgf", "-short_keys", a]),
                           ("b", ["-from", "sf", "-to", "sf", a])):
            p = subprocess.run([binary] + args, capture_output=True, stdin=subprocess.DEVNULL)
            runs[step] = (p.returncode, p.stdout.decode("latin-1"), p.stderr.decode("latin-1"))
            if step == "a":
                with open(a, "wb") as f:
                    f.write(p.stdout)
    for step, (rc, _, err) in runs.items():
        found = bad.search(err)
        if found or not 0 <= rc <= 1:
            at = err.rfind("\n", 0, found.start()) + 1 if found else max(0, len(err) - 200)
            return f"{step}: status {rc}: {err[at:at + 200].strip()!r}"
    if runs["orig"][0] != 0:
        return None
    for step in ("a", "back", "b"):
        if runs[step][0] != 0:
            return f"{step}: status {runs[step][0]}"
    (om, osetup), (bm, bsetup) = main_line(runs["orig"][1]), main_line(runs["back"][1])
    if om != bm:
        return differ("main line differs at move", om, bm)
    if osetup != bsetup:
        return f"setup differs: {sorted(osetup ^ bsetup)[:6]}"
    a, b = ([l for l in runs[s][1].split("\n") if sf_move.match(l)] for s in ("a", "b"))
    return differ("numbered moves differ at", a, b) if a != b else ""


files = sorted(os.path.join(root, n) for root, _, names in os.walk(corpus)
               for n in names if n.endswith(".sgf"))
with ThreadPoolExecutor(2) as pool:
    results = list(pool.map(check, files))
failures = [f"{f}: {r}" for f, r in zip(files, results) if r]
compared = sum(r is not None and not re.match(r"\w+: status", r) for r in results)
print(f"sf round trip: {compared} compared, {results.count(None)} refused as SGF, {len(failures)} failed")
for line in failures[:50]:
    print("  " + line)
sys.exit(1 if failures else 0)
PY
