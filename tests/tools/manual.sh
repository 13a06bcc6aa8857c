#!/bin/bash
# The manual page has an entry for every row of the option table, names every
# value word of -from, -to and -paper and every environment variable the
# program reads, all taken from the sources; groff formats it without a
# warning (skipped without groff).
# Usage: manual.sh <kifugram binary> <source tree>
set -u
top=$2
python3 - "$top" <<'PY' || exit 1
import pathlib, re, sys

top = pathlib.Path(sys.argv[1])
page = (top / "doc/kifugram.1").read_text()
options = (top / "src/main/options.cpp").read_text()
formats = (top / "src/main/formats.cpp").read_text()
problems = []


def table(name, source=options, row=r'\{"([^"]*)",'):
    body = re.search(r"\b%s\[\]\s*=\s*\{(.*?)\};" % name, source, re.S)
    if not body:
        sys.exit(f"no table {name}")
    return [w for w in re.findall(row, body.group(1)) if w]


def format_table(name):
    return table(name, formats, r'(?:reader|writer|device)\("([^"]*)",')


def section(title):
    m = re.search(r'^\.SH "?%s"?\n(.*?)(?=^\.SH )' % re.escape(title), page, re.S | re.M)
    return m.group(1) if m else ""


# An entry is a .TP whose tag line names the option (several tags may share
# one paragraph between .PD 0 and .PD).
tags = set(re.findall(r"^\.TP\n\.BI? \\-(\w+)", section("OPTIONS"), re.M))
names = table("kOptions")
for name in names:
    if name not in tags:
        problems.append(f"option -{name} has no entry")
for name in sorted(tags - set(names)):
    problems.append(f"entry -{name} is not in the option table")

for words, values in (("-from", format_table("kInputs")), ("-to", format_table("kOutputs")),
                      ("-paper", table("kPapers"))):
    for word in values:
        if not re.search(r"^\.BR? %s\b" % re.escape(word), page, re.M):
            problems.append(f"value word {word} ({words}) is not named")

sources = "".join(p.read_text() for p in (top / "src").rglob("*.cpp"))
variables = set(re.findall(r'getenv\("(\w+)"\)', sources))
documented = set(re.findall(r"^\.TP\n\.B (\w+)$", section("ENVIRONMENT"), re.M))
for name in sorted(variables - documented):
    problems.append(f"environment variable {name} is not described")

for p in problems:
    print("FAIL:", p)
print(f"manual: {len(names)} options, {len(variables)} environment variables checked")
sys.exit(1 if problems else 0)
PY
if ! command -v groff >/dev/null; then
  echo "no groff: formatting skipped"
  exit 77
fi
warnings=$(groff -man -ww -z "$top/doc/kifugram.1" 2>&1)
if [ -n "$warnings" ]; then
  echo "FAIL: groff warns:"
  echo "$warnings"
  exit 1
fi
echo "manual: groff -man -ww formats it without a warning"
