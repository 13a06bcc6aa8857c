#!/usr/bin/env python3
"""Makes the web pages of several records and follows every HREF and SRC of
every page: each must name a file that exists, also when -output puts the
index in another directory than the pages, and every page made must be
listed in the index.

The records run the real netpbm tools when they are installed, else
stand-ins for them (tests/stubs/netpbm), which check the tiles each script
names and leave a file where the picture goes.

Usage: html_links.py KIFUGRAM TILE_DIR EXAMPLE NESTED CORPUS_DIR"""
import html, os, re, shutil, subprocess, sys, tempfile
from urllib.parse import unquote_to_bytes

kifugram, tiles, example, nested, corpus = map(os.path.abspath, sys.argv[1:6])
stubs = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "stubs", "netpbm")
real_tools = all(shutil.which(t) for t in ("pnmcat", "ppmchange", "pamtogif")) and \
    os.path.isdir(os.path.join(tiles, "15"))
LINK = re.compile(rb'(?:HREF|SRC)="([^"]*)"')


def check(label, record, options, real, rename=None, index=None):
    """index: where -output puts the index, relative to the pages' directory."""
    problems = []
    with tempfile.TemporaryDirectory(prefix="kg-links-") as top:
        work = os.path.join(top, "pages")
        os.makedirs(work)
        name = os.path.basename(record) if rename is None else rename
        base = os.path.splitext(name)[0]
        shutil.copy(record, os.path.join(work, name))
        env = dict(os.environ)
        args = [kifugram, "-to", "html", "-tmp", top, "-ppm", tiles, *options]
        if index:
            os.makedirs(os.path.dirname(os.path.join(work, index)), exist_ok=True)
            args += ["-output", index]
        if not real:
            env["PATH"] = stubs + os.pathsep + env.get("PATH", "")
        run = subprocess.run(args + [name], cwd=work, env=env, capture_output=True)
        if run.returncode != 0 or b"Left script" in run.stderr:
            return [f"{label}: status {run.returncode}: {run.stderr[-500:]!r}"]
        index_page = os.path.realpath(os.path.join(work, index or base + ".html"))
        if not os.path.isfile(index_page):
            return [f"{label}: no index page"]
        pages = {os.path.join(work, f) for f in os.listdir(work) if f.endswith(".html")} | {index_page}
        linked_from_index = set()
        for page in sorted(pages):
            text = open(page, "rb").read()
            for target in LINK.findall(text):
                path = os.fsdecode(unquote_to_bytes(html.unescape(target.decode("ascii"))))
                # A link leads from the directory of the page it is on.
                path = os.path.realpath(os.path.join(os.path.dirname(page), path))
                if not os.path.isfile(path):
                    problems.append(f"{label}: {os.path.basename(page)} links to missing {path!r}")
                if page == index_page:
                    linked_from_index.add(path)
        for page in pages - {index_page}:
            if page not in linked_from_index:
                problems.append(f"{label}: {os.path.basename(page)} is not in the index")
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
         ("odd name", nested, [], real_tools, 'a b"<>&#?%\'.sgf'),
         ("index in another directory", nested, [], real_tools, None, '../out/i d#x.html')]
if os.path.isfile(hoshi):
    cases += [("hoshi_keima", hoshi, [], real_tools, None),
              ("hoshi_keima -flatten", hoshi, ["-flatten"], real_tools, None),
              ("hoshi_keima -diagrams 0,3,7,100,150", hoshi, ["-diagrams", "0,3,7,100,150"], real_tools, None)]
else:
    print(f"no {hoshi}: its runs skipped")
problems = []
for case in cases:
    problems += check(*case)
print("\n".join(problems) if problems else "every link names a file")
sys.exit(1 if problems else 0)
