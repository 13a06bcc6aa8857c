#!/usr/bin/env python3
"""Makes GIF pictures of two games at every tile size with the real netpbm
tools and checks them: the size the report line gives, the colour of a black
and a white stone's centre, and the board's colour between the lines; that
marks on numbered stones are composed (a circle round a number) and leave
nothing behind, with the notes of what the picture shows by a letter; and
that two runs at once in one working directory make the pictures of each.

Usage: gif_pictures.py KIFUGRAM TILE_DIR EXAMPLE_9x9 GAME_19x19
Exits 77 (skipped) without netpbm or without the tile library."""
import os, re, shutil, subprocess, sys, tempfile

kifugram, tiles, example, game19 = map(os.path.abspath, sys.argv[1:5])
for tool in ("pnmcat", "ppmchange", "pamtogif", "pamcomp", "giftopnm"):
    if not shutil.which(tool):
        print(f"no {tool}: skipped")
        sys.exit(77)
if not os.path.isdir(os.path.join(tiles, "15")):
    print(f"no tiles in {tiles}: skipped")
    sys.exit(77)

# Every tile a script may name is in the library at every size.
def label(code, on):
    return f"{on}l/{chr(code)}" if chr(code).isalnum() else f"{on}l/x{code:02x}"


SHADES = [f"g{level}" for level in range(0, 101, 10)]
POINTS = ["e", "ul", "ur", "ll", "lr", "l", "r", "u", "d", "h"]
NAMED = ([f"{c}m/{k}" for c in "bw" for k in ["s", "sf", "c", "cf", "t", "tf", "p", "m", "tb", "tw", "d"] + SHADES]
         + [f"em/{k}" for k in ["s", "sf", "c", "cf", "t", "tf", "p", "m"]]
         + [f"{d}/{p}" for d in ["n", "dn", "tb", "tw"] + SHADES for p in POINTS]
         + [f"{d}/{n}" for d in ["bn", "wn", "bd", "wd", "bk", "wk", "kh"] for n in range(1, 101)]
         + [f"am/{k}" for k in "sctpm"] + ["ink/b", "ink/w", "n/b", "n/w"]
         + [label(code, on) for on in "bw" for code in range(33, 127)])
missing = [f"{unit}/{name}" for unit in (15, 19, 23) for name in NAMED
           if not os.path.isfile(os.path.join(tiles, str(unit), name))]
if missing:
    print(f"tiles missing: {missing[:20]}")
    sys.exit(1)

COLOURS = {"b": (0x10, 0x20, 0x30), "w": (0xf0, 0xe0, 0xd0), "g": (0xc0, 0xa0, 0x60),
           "o": (0x80, 0x80, 0xff)}


def decode(path):
    ppm = subprocess.run(["giftopnm", path], capture_output=True, check=True).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
    width, height = int(m[1]), int(m[2])
    return width, height, ppm[m.end():]


def pixel(picture, x, y):
    width, _, data = picture
    at = 3 * (y * width + x)
    return tuple(data[at:at + 3])


# (game, base, board size, black point, white point, empty point) with
# points as (column, row) from the top left; figure 2 shows the stones of
# moves 1 and 2 without numbers.
GAMES = [(example, "example-9x9", 9, (4, 4), (6, 6), (0, 0)),
         (game19, "game19", 19, (15, 3), (3, 15), (9, 18))]
failures = []
for path, base, size, black, white, empty in GAMES:
    for unit in (15, 19, 23):
        with tempfile.TemporaryDirectory(prefix="kg-gif-") as work:
            args = [kifugram, "-to", "gif", "-tmp", work, "-ppm", tiles, "-fontsize", str(unit),
                    "-figures", "2", "-diagrams", "0"]
            for key, rgb in COLOURS.items():
                args += [f"-rgb{key}", "rgb:%02x/%02x/%02x" % rgb]
            run = subprocess.run(args + [os.path.abspath(path)], cwd=work, capture_output=True,
                                 text=True)
            where = f"{base} at {unit}"
            if run.returncode != 0 or "Left script" in run.stderr:
                failures.append(f"{where}: status {run.returncode}\n{run.stderr}")
                continue
            reports = re.findall(r"\[Figure (\d+) \(.*?\) WIDTH=(\d+) HEIGHT=(\d+)\]", run.stderr)
            if len(reports) != 2:
                failures.append(f"{where}: reports {reports}")
                continue
            for number, width, height in reports:
                picture = decode(os.path.join(work, f"{base}-f{int(number):02d}.gif"))
                if picture[:2] != (int(width), int(height)) or int(width) != (size + 2) * unit:
                    failures.append(f"{where}: figure {number} is {picture[:2]}, "
                                    f"reported {width}x{height}")
            picture = decode(os.path.join(work, f"{base}-f02.gif"))
            # A point's tile is one unit from the left and top edges further
            # than its column and row, for the coordinates.
            def centre(point):
                return ((point[0] + 1) * unit + unit // 2, (point[1] + 1) * unit + unit // 2)
            checks = [("black stone", centre(black), COLOURS["b"]),
                      ("white stone", centre(white), COLOURS["w"]),
                      ("board", ((empty[0] + 1) * unit + 2, (empty[1] + 1) * unit + 2), COLOURS["g"]),
                      ("outside", (1, unit // 2), COLOURS["o"])]
            for what, (x, y), want in checks:
                got = pixel(picture, x, y)
                if got != want:
                    failures.append(f"{where}: {what} at ({x},{y}) is {got}, want {want}")

# Marks over numbers: move 1 (black, top left) has a circle round its
# number, drawn in white through the stone's black at the left of the
# tile's middle row; move 5 has black territory, which no tile shows over a
# number: the stone stays plain and a note names the mark.
marks = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "marks.sgf")
for unit in (15, 19, 23):
    with tempfile.TemporaryDirectory(prefix="kg-gif-") as work:
        tmp = os.path.join(work, "tmp")
        os.makedirs(tmp)
        args = [kifugram, "-to", "gif", "-tmp", tmp, "-ppm", tiles, "-fontsize", str(unit)]
        for key, rgb in COLOURS.items():
            args += [f"-rgb{key}", "rgb:%02x/%02x/%02x" % rgb]
        run = subprocess.run(args + [marks], cwd=work, capture_output=True, text=True)
        where = f"marks at {unit}"
        if run.returncode != 0 or "Left script" in run.stderr or os.listdir(tmp):
            failures.append(f"{where}: status {run.returncode}, left {os.listdir(tmp)}\n{run.stderr}")
            continue
        lines = run.stderr.splitlines()
        for report, note in (("(No moves)", "a = Atari"), ("(B 1 -- B 5)", "black territory on 5")):
            at = [i for i, line in enumerate(lines) if report in line]
            if not at or at[0] + 1 >= len(lines) or lines[at[0] + 1] != note:
                failures.append(f"{where}: no note {note!r} after {report}\n{run.stderr}")
        picture = decode(os.path.join(work, "marks-f02.gif"))
        left, middle = unit + 2, unit + unit // 2
        checks = [("circle round 1", (left, middle), COLOURS["w"]),
                  ("plain 5", (5 * unit + 2, middle), COLOURS["b"])]
        for what, (x, y), want in checks:
            got = pixel(picture, x, y)
            if got != want:
                failures.append(f"{where}: {what} at ({x},{y}) is {got}, want {want}")

# Two runs at once that share the working directory (-tmp) must each make
# the pictures they make alone: the intermediate files of one run are not
# the other's.
def pictures(game, work, tmp, wait=True):
    args = [kifugram, "-to", "gif", "-tmp", tmp, "-ppm", tiles, "-max", "10", game]
    run = subprocess.Popen(args, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    return run.wait() if wait else run


with tempfile.TemporaryDirectory(prefix="kg-gif-") as work:
    for name in ("alone", "together-1", "together-2", "tmp"):
        os.makedirs(os.path.join(work, name))
    tmp = os.path.join(work, "tmp")
    # The same base name in both, so that only the directories keep them apart.
    for game, into in ((example, "together-1"), (game19, "together-2")):
        shutil.copy(game, os.path.join(work, into, "game.sgf"))
    together = [pictures("game.sgf", os.path.join(work, d), tmp, wait=False)
                for d in ("together-1", "together-2")]
    statuses = [run.wait() for run in together]
    if statuses != [0, 0] or os.listdir(tmp):
        failures.append(f"runs at once: status {statuses}, left in -tmp: {os.listdir(tmp)}")
    compared = 0
    for into in ("together-1", "together-2"):
        shutil.copy(os.path.join(work, into, "game.sgf"), os.path.join(work, "alone"))
        pictures("game.sgf", os.path.join(work, "alone"), tmp)
        for gif in sorted(f for f in os.listdir(os.path.join(work, into)) if f.endswith(".gif")):
            with open(os.path.join(work, into, gif), "rb") as a, \
                    open(os.path.join(work, "alone", gif), "rb") as b:
                if a.read() != b.read():
                    failures.append(f"runs at once: {into}/{gif} differs from the run alone")
            compared += 1
    if compared < 3:
        failures.append(f"runs at once: only {compared} pictures made")

print("\n".join(failures) if failures else "all pictures as expected")
sys.exit(1 if failures else 0)
