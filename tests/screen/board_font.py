#!/usr/bin/env python3
"""The board font of the terminal viewer, built from scratch by the tile tool:
  board_font.py MAKE_TILES X_FONT_DIR KIFUGRAM SCREENSHOT_DIR
Every glyph 0xC0 to 0xE8 is there with the cell of the letters, and the
pieces of a point fit together. Then the PCF form bdftopcf makes of it goes
to an X server: xterm under Xvfb shows the viewer in it (TERM=xterm, the C
locale), and every point of the board on the screen must be the font's
pictures, pixel for pixel; the screenshot is left in SCREENSHOT_DIR. That
part is skipped (the rest still runs) without bdftopcf, Xvfb, xterm, xwd
or netpbm."""
import os, shutil, subprocess, sys, tempfile, time
from pathlib import Path

failures = []
CELL = (9, 18)  # width, height; a point is two cells


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def read_bdf(path):
    """-> properties {name: value}, glyphs {code: (name, dwidth, bbx, rows of ints)}."""
    props, glyphs, lines = {}, {}, Path(path).read_text().split("\n")
    i = 0
    while i < len(lines):
        words = lines[i].split()
        if words and words[0] == "FONT":
            props["FONT"] = lines[i][5:]
        elif words and words[0] == "STARTPROPERTIES":
            for j in range(int(words[1])):
                name, _, value = lines[i + 1 + j].partition(" ")
                props[name] = value.strip('"')
        elif words and words[0] == "STARTCHAR":
            name, fields = words[1], {}
            i += 1
            while lines[i] != "BITMAP":
                key, *values = lines[i].split()
                fields[key] = [int(v) for v in values]
                i += 1
            rows = []
            i += 1
            while lines[i] != "ENDCHAR":
                rows.append(int(lines[i], 16))
                i += 1
            width = fields["BBX"][0]
            bits = 8 * ((width + 7) // 8)
            glyphs[fields["ENCODING"][0]] = (
                name, fields["DWIDTH"][0], tuple(fields["BBX"]),
                [[(row >> (bits - 1 - x)) & 1 == 1 for x in range(width)] for row in rows])
        i += 1
    return props, glyphs


# The viewer's two bytes per point of an empty 9x9 board, as its glyph table
# has them: corners, edges, inner points and star points (C3 C7 E5 G3 G7).
def board_bytes(size=9, stones=None):
    stones = stones or {}
    stars = {(2, 2), (2, 6), (4, 4), (6, 2), (6, 6)}
    rows = []
    for r in range(size):
        row = []
        for c in range(size):
            last = size - 1
            if (c, r) in stones:
                pair = (0xC0, 0xC1) if stones[(c, r)] == "B" else (0xD2, 0xD3)
            elif r == 0:
                pair = (0xCE, 0xCF) if c == 0 else (0xD0, 0xD1) if c == last else (0xD0, 0xCF)
            elif r == last:
                pair = (0xC9, 0xCA) if c == 0 else (0xCB, 0xCC) if c == last else (0xCB, 0xCA)
            elif c == 0:
                pair = (0xC8, 0xC5)
            elif c == last:
                pair = (0xC4, 0xCD)
            else:
                pair = (0xC6, 0xC7) if (r, c) in stars else (0xC4, 0xC5)
            row += pair
        rows.append(row)
    return rows


def picture(glyphs, rows):
    """The ink of byte rows set in the font: a list of pixel rows."""
    out = []
    for row in rows:
        for y in range(CELL[1]):
            out.append([bit for code in row for bit in glyphs[code][3][y]])
    return out


def check_glyphs(props, glyphs):
    check(props.get("FONT", "").endswith("-iso8859-1") and props.get("CHARSET_REGISTRY") == "ISO8859"
          and props.get("CHARSET_ENCODING") == "1" and props.get("SPACING") == "C",
          f"an ISO8859-1 character-cell font: {props.get('FONT')}")
    cell = (CELL[0], CELL[1], 0, -int(props.get("FONT_DESCENT", 0)))
    for code in list(range(0xC0, 0xE9)) + list(range(0x20, 0x7F)):
        g = glyphs.get(code)
        check(g is not None and g[1] == CELL[0] and g[2] == cell and len(g[3]) == CELL[1],
              f"glyph {code:#x}: {g[:3] if g else 'missing'}, {len(g[3]) if g else 0} rows")
    if failures:
        return
    # The pieces of an empty board make one grid: every inked pixel is
    # joined to every other, and nothing sticks out past the edge lines.
    ink = picture(glyphs, board_bytes())
    points = {(x, y) for y, row in enumerate(ink) for x, bit in enumerate(row) if bit}
    seen, todo = set(), [min(points)]
    while todo:
        x, y = todo.pop()
        if (x, y) in seen or (x, y) not in points:
            continue
        seen.add((x, y))
        todo += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    check(seen == points, f"the empty board is one grid: {len(points - seen)} pixels apart")
    xs, ys = [x for x, _ in points], [y for _, y in points]
    side = 2 * CELL[0]
    check(max(xs) - min(xs) == 8 * side and max(ys) - min(ys) == 8 * side,
          f"the edges are 8 points apart: {max(xs) - min(xs)} x {max(ys) - min(ys)} pixels")
    # A star point is an inner point with a dot.
    inner = sum(map(sum, picture(glyphs, [[0xC4, 0xC5]])))
    star = sum(map(sum, picture(glyphs, [[0xC6, 0xC7]])))
    check(star > inner + 4, f"a star point has a dot: {star} pixels, an inner point {inner}")
    # Stones: black filled, white a ring; the halves mirror each other.
    for name, pair, low, high in (("black", (0xC0, 0xC1), 0.6, 1.0), ("white", (0xD2, 0xD3), 0.05, 0.4)):
        stone = picture(glyphs, [list(pair)])
        share = sum(map(sum, stone)) / (side * side)
        check(low <= share <= high, f"{name} stone: {share:.2f} of its square inked")
        check(all(row == row[::-1] for row in stone), f"{name} stone: its halves mirror each other")
    check(not picture(glyphs, [[0xD2, 0xD3]])[side // 2][side // 2], "a white stone is hollow")


def screenshot_test(kifugram, glyphs, font_dir, misc_dir, shots):
    tools = ("Xvfb", "xterm", "xwd", "xwdtopnm", "pnmtopng", "mkfontdir")
    missing = [t for t in tools if not shutil.which(t)]
    if missing:
        print(f"no {', '.join(missing)}: the xterm screenshot is skipped")
        return
    subprocess.run(["mkfontdir", str(font_dir)], check=True)
    xlfd = read_bdf(font_dir / "kifugram-board.bdf")[0]["FONT"]
    record = font_dir.parent / "board.sgf"
    record.write_text("(;SZ[9]AB[cc][ee]AW[gg][dc];B[])")
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "800x600x24",
                               "-nolisten", "tcp", "-fp", f"{font_dir},{misc_dir}"],
                              pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        part = os.read(read, 32)
        if not part:
            break
        number += part
    os.close(read)
    display = ":" + number.decode().strip()
    env = {"PATH": f"{Path(kifugram).parent}:/usr/bin:/bin", "DISPLAY": display, "LANG": "C",
           "HOME": str(font_dir.parent)}
    # No borders: cell (column, line) starts at pixel (9 column, 18 line).
    term = subprocess.Popen(["xterm", "-b", "0", "-bw", "0", "-geometry", "60x24+0+0", "-fn", xlfd, "-tn", "xterm",
                             "-e", kifugram, "-to", "graphic", str(record)], env=env,
                            stderr=subprocess.DEVNULL)
    # 9x9 beside 32 columns of comments: two columns a point after "9 " and
    # a blank, the board window at column 1 and line 1, the board one lower.
    stones = {(2, 2): "B", (4, 4): "B", (6, 6): "W", (3, 2): "W"}
    want = picture(glyphs, board_bytes(9, stones))
    x0, y0 = (1 + 3) * CELL[0], 2 * CELL[1]
    shot, wrong = None, None
    try:
        end = time.monotonic() + 30
        while time.monotonic() < end:
            time.sleep(0.5)
            xwd = subprocess.run(["xwd", "-root", "-silent"], env=env, capture_output=True)
            ppm = subprocess.run(["xwdtopnm"], input=xwd.stdout, capture_output=True).stdout
            if not ppm.startswith(b"P6"):
                continue
            head = ppm.split(b"\n", 3)
            width, height = map(int, head[1].split())
            pixels = head[3]
            dark = lambda x, y: sum(pixels[3 * (y * width + x):3 * (y * width + x) + 3]) < 384
            shot = ppm
            wrong = [(x, y) for y, row in enumerate(want) for x, bit in enumerate(row)
                     if dark(x0 + x, y0 + y) != bit]
            if not wrong:
                break
    finally:
        term.kill()
        term.wait()
        # Asked to go, the server removes its lock and socket for the next.
        server.terminate()
        server.wait()
    if shot:
        shots.mkdir(parents=True, exist_ok=True)
        png = subprocess.run(["pnmtopng"], input=shot, capture_output=True).stdout
        (shots / "board-font.png").write_bytes(png)
        print(f"screenshot: {shots / 'board-font.png'}")
    check(shot is not None and not wrong,
          f"xterm draws the board in the font's pictures: {len(wrong) if wrong else 'no'} pixels differ"
          + (f", the first at {wrong[0]}" if wrong else ""))


def main():
    make_tiles, misc_dir, kifugram, shots = sys.argv[1:5]
    with tempfile.TemporaryDirectory(prefix="kg-board-font-") as work:
        font_dir = Path(work) / "fonts"
        font_dir.mkdir()
        bdf = font_dir / "kifugram-board.bdf"
        subprocess.run([make_tiles, "-font", misc_dir, str(bdf)], check=True)
        props, glyphs = read_bdf(bdf)
        check_glyphs(props, glyphs)
        # The X server reads the PCF form, as an installed font directory has it.
        if not shutil.which("bdftopcf"):
            print("no bdftopcf: the PCF form and the screenshot are skipped")
        elif not failures:
            subprocess.run(["bdftopcf", "-o", str(font_dir / "kifugram-board.pcf"), str(bdf)], check=True)
            screenshot_test(os.path.abspath(kifugram), glyphs, font_dir, misc_dir, Path(shots))
    print(f"board font: {len(failures)} failed checks")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
