#!/bin/bash
# kifugram-book finds the game and its own options among kifugram's with a
# copy of kifugram's option table: names in order and which take a value.
# The copy must be the table of src/main/options.cpp.
# Usage: book_options.sh <kifugram binary> <source tree>
set -u
top=$2
python3 - "$top" <<'PY'
import pathlib, re, sys

top = pathlib.Path(sys.argv[1])
source = (top / "src/main/options.cpp").read_text()
table = re.search(r"\bkOptions\[\]\s*=\s*\{(.*?)\};", source, re.S).group(1)
want = [name + ("=" if arg == "kValue" else "")
        for name, arg in re.findall(r'\{"(\w+)",\s*-?\d+,\s*Arg::(\w+)\}', table)]
script = (top / "scripts/kifugram-book").read_text()
got = re.search(r'^options="([^"]*)"', script, re.M).group(1).split()
if got != want:
    print("FAIL: kifugram-book's options differ from kifugram's:")
    print("  book:    ", " ".join(got))
    print("  kifugram:", " ".join(want))
    sys.exit(1)
print(f"book options: {len(got)} options, as kifugram's table")
PY
