#!/usr/bin/env python3
"""Opens the index, a figure and a diagram page of the bundled example in
headless Chromium, side by side in the frames of a small harness page: takes
a screenshot, and reads from each loaded page its title, its links and
whether each picture was decoded (naturalWidth > 0).

Usage: html_browser.py KIFUGRAM TILE_DIR EXAMPLE SCREENSHOT_DIR
Exits 77 (skipped) without Chromium, netpbm or the tile library."""
import os, re, shutil, subprocess, sys, tempfile

kifugram, tiles, example, shots = map(os.path.abspath, sys.argv[1:5])
browser = shutil.which("chromium") or shutil.which("chromium-browser")
for tool, found in (("chromium", browser), ("pnmcat", shutil.which("pnmcat")),
                    ("pamtogif", shutil.which("pamtogif")),
                    ("the tiles", os.path.isdir(os.path.join(tiles, "15")))):
    if not found:
        print(f"no {tool}: skipped")
        sys.exit(77)

# The pages side by side in frames; each frame reports what it loaded.
HARNESS = """<!DOCTYPE html><html><body style="margin:0">
%s
<pre id="result"></pre>
<script>
// The window's load waits for every frame and every picture in them.
window.addEventListener("load", function () {
  const out = [];
  for (const frame of document.querySelectorAll("iframe")) {
    const d = frame.contentDocument;
    out.push("page " + frame.getAttribute("src"), "title " + d.title.trim(), "links " + d.links.length);
    for (const img of d.images)
      out.push("img " + img.getAttribute("src") + " " + img.complete + " " + img.naturalWidth +
               "x" + img.naturalHeight);
  }
  document.getElementById("result").textContent = out.join("\\n");
});
</script></body></html>
"""
FRAME = '<iframe src="%s" width="520" height="640" style="border:1px solid #888"></iframe>'


def chromium(*args):
    return subprocess.run([browser, "--headless", "--no-sandbox", "--disable-gpu",
                           "--allow-file-access-from-files", "--virtual-time-budget=10000", *args],
                          capture_output=True, text=True, timeout=120)


failures = []
os.makedirs(shots, exist_ok=True)
with tempfile.TemporaryDirectory(prefix="kg-browser-") as work:
    shutil.copy(example, work)
    run = subprocess.run([kifugram, "-to", "html", "-tmp", work, "-ppm", tiles,
                          os.path.basename(example)], cwd=work, capture_output=True, text=True)
    if run.returncode != 0:
        print(run.stderr)
        sys.exit(1)
    base = os.path.splitext(os.path.basename(example))[0]
    # page: links it must have at least, widths of its pictures
    want = {f"{base}.html": (3, []), f"{base}-f01.html": (3, [165]), f"{base}-d01.html": (2, [165])}
    harness = os.path.join(work, "harness.html")
    with open(harness, "w") as f:
        f.write(HARNESS % "".join(FRAME % page for page in want))
    shot = os.path.join(shots, base + ".png")
    chromium("--window-size=1660,660", f"--screenshot={shot}", f"file://{harness}")
    if not os.path.isfile(shot) or os.path.getsize(shot) < 1000:
        failures.append("no screenshot")
    dom = chromium("--dump-dom", f"file://{harness}").stdout
    found = re.search(r'<pre id="result">(.*?)</pre>', dom, re.S)
    report = found[1].split("\n") if found else []
    print("\n".join(report))
    pages, page = {}, []
    for line in report:
        if line.startswith("page "):
            page = pages.setdefault(line[5:], [])
        else:
            page.append(line)
    for name, (links, widths) in want.items():
        lines = pages.get(name)
        if not lines:
            failures.append(f"{name}: not loaded")
            continue
        if lines[0] != "title Black, NR versus White, NR":
            failures.append(f"{name}: {lines[0]}")
        count = re.match(r"links (\d+)", lines[1])
        if not count or int(count[1]) < links:
            failures.append(f"{name}: too few links")
        pictures = [re.match(r"img \S+ true (\d+)x\d+", l) for l in lines[2:]]
        if [int(p[1]) if p else 0 for p in pictures] != widths:
            failures.append(f"{name}: pictures {lines[2:]}, want widths {widths}")

print("\n".join(failures) if failures else f"pages load and show their pictures; screenshots in {shots}")
sys.exit(1 if failures else 0)
