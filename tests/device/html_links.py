#!/usr/bin/env python3
"""Makes the web pages of several records and follows every HREF and SRC of
every page: each must name a file that exists, every page made must be
listed in the index, and no two links may disagree about a name.

Small records run the real netpbm tools when they are installed, so their
pictures exist. hoshi_keima.sgf of the corpus (253 diagrams) runs with the
tools kept off PATH: its scripts stop at once and are kept, and a picture
counts as made when a kept script would have moved it into place.

Usage: html_links.py KIFUGRAM TILE_DIR EXAMPLE NESTED CORPUS_DIR"""
import html, os, re, shutil, subprocess, sys, tempfile
from urllib.parse import unquote_to_bytes

kifugram, tiles, example, nested, corpus = map(os.path.abspath, sys.argv[1:6])
real_tools = all(shutil.which(t) for t in ("pnmcat", "ppmchange", "pamtogif")) and \
    os.path.isdir(os.path.join(tiles, "15"))
LINK = re.compile(rb'(?:HREF|SRC)="([^"]*)"')


def check(label, record, options, real, rename=None):
    problems = []
    with tempfile.TemporaryDirectory(prefix="kg-links-") as work:
        name = os.path.basename(record) if rename is None else rename
        shutil.copy(record, os.path.join(work, name))
        env = dict(os.environ)
        args = [kifugram, "-to", "html", "-tmp", work, "-ppm", tiles, *options]
        if not real:
            env["PATH"] = "/nonexistent"
            args.append("-hold")
        run = subprocess.run(args + [name], cwd=work, env=env, capture_output=True)
        if run.returncode != 0:
            return [f"{label}: status {run.returncode}: {run.stderr[-500:]!r}"]
        made = set(os.listdir(work))
        if not real:
            # The pictures the kept scripts would have made.
            for root, _, files in os.walk(work):
                for f in files:
                    if root != work:
                        text = open(os.path.join(root, f), "rb").read()
                        for gif in re.findall(rb"^GIF='(.*)'$", text, re.M):
                            made.add(os.path.basename(gif.decode("utf-8", "surrogateescape")))
        base = os.path.splitext(name)[0]
        pages = sorted(f for f in made if f.endswith(".html"))
        if base + ".html" not in pages:
            return [f"{label}: no index page"]
        linked_from_index = set()
        for page in pages:
            text = open(os.path.join(work, page), "rb").read()
            for target in LINK.findall(text):
                path = os.fsdecode(unquote_to_bytes(html.unescape(target.decode("ascii"))))
                if path not in made:
                    problems.append(f"{label}: {page} links to missing {path!r}")
                if page == base + ".html":
                    linked_from_index.add(path)
        for page in pages:
            if page != base + ".html" and page not in linked_from_index:
                problems.append(f"{label}: {page} is not in the index")
        reports = len(re.findall(rb"\[(?:Figure|Diagram) \d+ ", run.stderr))
        if len(pages) - 1 != reports:
            problems.append(f"{label}: {len(pages) - 1} pages for {reports} pictures")
        print(f"{label}: {len(pages)} pages checked")
    return problems


hoshi = os.path.join(corpus, "hoshi_keima.sgf")
cases = [("example", example, [], real_tools, None),
         ("nested", nested, [], real_tools, None),
         ("nested -flatten -max 5", nested, ["-flatten", "-max", "5"], real_tools, None),
         ("nested -diagrams 0,2,4,6", nested, ["-diagrams", "0,2,4,6"], real_tools, None),
         ("odd name", nested, [], real_tools, 'a b"<>&#?%\'.sgf')]
if os.path.isfile(hoshi):
    cases += [("hoshi_keima", hoshi, [], False, None),
              ("hoshi_keima -flatten", hoshi, ["-flatten"], False, None),
              ("hoshi_keima -diagrams 0,3,7,100,150", hoshi, ["-diagrams", "0,3,7,100,150"], False, None)]
else:
    print(f"no {hoshi}: its runs skipped")
problems = []
for case in cases:
    problems += check(*case)
print("\n".join(problems) if problems else "every link names a file")
sys.exit(1 if problems else 0)
