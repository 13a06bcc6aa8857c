#!/usr/bin/env python3
"""`kifugram -to graphic` in a real terminal (tmux, or a pty):
  screen_test.py BINARY boards|font|keys|terminal|text
  screen_test.py BINARY golden [--update]   screens kept in golden/
  screen_test.py BINARY corpus DIR     every DIR/**/*.sgf in go mode
Each tmux case has a server of its own. Exits 77 without tmux or DIR."""
import fcntl, os, re, select, shlex, shutil, signal, struct, subprocess
import sys, tempfile, termios, time, unicodedata
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

PROMPT = "[(q)uit, (g)o, or <any>]"
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


class Stuck(Exception):
    """A wait ran out: the checks after it would only repeat the failure."""


def wait_for(predicate, what, timeout=10.0):
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise Stuck(f"timed out waiting for {what}")
        time.sleep(0.02)


def sgf_point(column, row):
    return chr(ord("a") + column) + chr(ord("a") + row)


def long_game():
    """19x19, 110 moves, cut after 10 by a comment, so that the second figure
    holds 100; 11 takes 2 on dp and 15 is played there again ("15 at
    (d,p)"). The record, {point: (colour, number)}."""
    black = [(c, r) for r in range(3) for c in range(19)]
    white = [(c, r) for r in range(5, 8) for c in range(19)]
    fixed = {1: (2, 15), 2: (3, 15), 3: (4, 15), 5: (3, 16), 11: (3, 14), 15: (3, 15)}
    moves, stones = [], {}
    for number in range(1, 111):
        colour = "B" if number % 2 else "W"
        point = fixed.get(number) or (black if colour == "B" else white).pop(0)
        moves.append(f";{colour}[{sgf_point(*point)}]" + ("C[Ten moves.]" if number == 10 else ""))
        stones.setdefault(point, (colour, number))
    return "(;SZ[19]" + "".join(moves) + ")", stones


# A ko on 9x9: 1 takes, 4 takes back, 5 takes again on the point of 1, then
# a pass with a letter and two marks, one on a stone and one on an empty point.
KO_GAME = ("(;SZ[9]AB[dd][ce][df]AW[ed][de][fe][ef]"
           ";B[ee];W[gg];B[gh];W[de];B[ee];W[]LB[ha:A]MA[dd][hh])")

SMALL_GAME = "(;SZ[13]C[Thirteen lines.\n];B[dd];W[jj];B[gg])"

# Handicap game, so move 12 is Black's. Figures end at comments.
COMMENTS_GAME = (
    "(;SZ[9]AB[cc][gg];W[gc];B[cg];W[ee];B[ed];W[fd];B[fe];W[de];B[ef];W[dd];B[ec];W[fc]"
    ";B[cd]C[Black connects.\n]"
    ";W[ff]C[" + "".join(f"Line {i} of a long comment.\n" for i in range(1, 61)) + "]"
    ";B[fg]"
    "(;W[eg]C[Main line.\n])"
    "(;W[dg]C[The variation.\n];B[eh]))")

KIBITZ_GAME = ("(;SZ[5];B[cc]C[kb9[3d\\] : nice move\nkb9[3d\\] : really \nzz[5k\\]*: agree\n]"
               ";W[dd]C[kb9[3d\\] : hmm\n])")


class Cell:
    """A character of the screen with the colours and modes it is drawn in."""
    __slots__ = ("ch", "fg", "bg", "rev", "bold", "under")

    def __init__(self, ch, fg, bg, rev, bold, under):
        self.ch, self.fg, self.bg, self.rev, self.bold, self.under = ch, fg, bg, rev, bold, under

    def look(self):
        return (self.fg, self.bg, self.rev, self.bold, self.under)


# The modes an SGR code sets or ends.
SGR_MODES = {1: ("bold", True), 22: ("bold", False), 4: ("under", True), 24: ("under", False),
             7: ("rev", True), 27: ("rev", False), 39: ("fg", None), 49: ("bg", None)}


def parse_cells(text):
    """capture-pane -e output -> lines of Cells. Colours as numbers (0-255,
    None for the default); tmux writes 8 colours as 30-37/40-47, the bright
    ones as 90-97/100-107, the rest as 38;5;n / 48;5;n."""
    lines = []
    state = {"fg": None, "bg": None, "rev": False, "bold": False, "under": False}
    for raw in text.split("\n"):
        cells = []
        for token in re.split(r"(\x1b\[[0-9;:]*m)", raw):
            if token.startswith("\x1b["):
                codes = [int(c) if c else 0 for c in token[2:-1].replace(":", ";").split(";")]
                i = 0
                while i < len(codes):
                    c = codes[i]
                    if c == 0:
                        state.update(fg=None, bg=None, rev=False, bold=False, under=False)
                    elif c in SGR_MODES:
                        state.update([SGR_MODES[c]])
                    elif 30 <= c <= 37 or 90 <= c <= 97:
                        state["fg"] = c - 30 if c < 90 else c - 82
                    elif 40 <= c <= 47 or 100 <= c <= 107:
                        state["bg"] = c - 40 if c < 100 else c - 92
                    elif c in (38, 48) and i + 2 < len(codes) and codes[i + 1] == 5:
                        state["fg" if c == 38 else "bg"] = codes[i + 2]
                        i += 2
                    i += 1
                continue
            cells.extend(Cell(ch, *state.values()) for ch in token)
        lines.append(cells)
    return lines


# ---- the boards the viewer should draw ----------------------------------------

COLUMNS = "abcdefghjklmnopqrst"


def star(size, row, column):
    """The star points of real boards: lines 4, 10, 16 of 19x19; D4 D10 K4
    K10 G7 of 13x13; C3 C7 G3 G7 E5 of 9x9; the centre of others."""
    lines = {19: (3, 9, 15), 13: (3, 9), 9: (2, 6)}.get(size, ())
    return (row in lines and column in lines) or (size % 2 == 1 and row == column == size // 2)


def crossing(size, row, column, unicode):
    if not unicode:
        return "."
    last = size - 1
    if row == 0:
        return "┌" if column == 0 else "┐" if column == last else "┬"
    if row == last:
        return "└" if column == 0 else "┘" if column == last else "┴"
    if column in (0, last):
        return "├" if column == 0 else "┤"
    return "╋" if star(size, row, column) else "┼"


def board_window(size, stones, width, unicode, blocks, coordinates=True):
    """The lines of the board window (rstripped): stones {(column, row):
    (colour "B"/"W", number shown or 0)} or ("label", letter), `width`
    columns a point; with colours (`blocks`) stones fill their columns."""
    rows = []
    for row in range(size):
        text = ""
        for column in range(size):
            colour, number = stones.get((column, row), (None, 0))
            line = "─" if unicode else " "
            block = blocks and colour in ("B", "W")
            if width == 3:
                text += " " if block else line if column > 0 else " "
            after = line if column < size - 1 else " "
            if colour == "label":
                text += number + after
            elif colour and number:
                text += f"{number % 100:<2d}"
            elif colour:
                glyph = ("●" if colour == "B" else "○") if unicode else ("@" if colour == "B" else "O")
                text += glyph + (" " if blocks else after)
            else:
                text += crossing(size, row, column, unicode) + after
        rows.append(text)
    if not coordinates:
        return [r.rstrip() for r in rows]
    left = 3 if width == 2 else 2
    letters = [" "] * (left + width * size)
    for column in range(size):
        letters[left + width * column + (1 if width == 3 else 0)] = COLUMNS[column]
    letters = "".join(letters).rstrip()
    return [letters] + [(f"{size - r:2d}" + " " * (left - 2) + text + f" {size - r:2d}").rstrip()
                        for r, text in enumerate(rows)] + [letters]


def board_of(lines, x, size, width, coordinates=True):
    """The board window's lines of a capture, its left edge at column x."""
    wide = width * size + ((3 if width == 2 else 2) + 3 if coordinates else 0)
    return [line[x:x + wide].rstrip() for line in lines[1:1 + size + (2 if coordinates else 0)]]


class Tmux:
    """One server, one pane; a wrapper records the modes, status and pid."""

    def __init__(self, work, binary, name, width=120, height=40):
        self.games, self.binary = Path(work), binary
        self.work = self.games / name
        self.work.mkdir()
        self.socket = f"kg-screen-{name}-{os.getpid()}"
        self.width, self.height = width, height
        conf = self.work / "tmux.conf"
        conf.write_text("set -g status off\nset -g remain-on-exit on\n"
                        "set -g default-terminal tmux-256color\nset -g history-limit 100\n")
        self.base = ["tmux", "-L", self.socket, "-f", str(conf)]
        self.runs = 0
        self.env = {"PATH": f"{Path(binary).parent}:/usr/bin:/bin", "HOME": str(self.work),
                    "TMUX_TMPDIR": str(self.work)}
        for key in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
            if key in os.environ:
                self.env[key] = os.environ[key]

    def tmux(self, *args):
        return subprocess.run(self.base + list(args), capture_output=True, text=True,
                              errors="replace", env=self.env)

    def start(self, command, prompt=False):
        self.runs += 1
        d = self.work / f"run{self.runs}"
        d.mkdir()
        wrapper = d / "run.sh"
        wrapper.write_text(
            'd=$1\nstty -g > "$d/before"\n'
            'sh -c "echo \\$\\$ > \'$d/pid\'; exec $2"\n'
            'echo $? > "$d/status.part"\nstty -g > "$d/after"\nmv "$d/status.part" "$d/status"\n')
        self.tmux("kill-server")
        shell = f"cd {shlex.quote(str(self.games))} && sh {shlex.quote(str(wrapper))} " \
                f"{shlex.quote(str(d))} {shlex.quote(command)}"
        # The server just told to go may still be going: start another then.
        wait_for(lambda: self.tmux("new-session", "-d", "-x", str(self.width), "-y",
                                   str(self.height), shell).returncode == 0, "a tmux session")
        self.dir = d
        wait_for(lambda: (d / "pid").exists(), "the program to start")
        if prompt:
            self.wait_screen(PROMPT)

    def screen(self, attributes=False, joined=False):
        """The visible screen; joined: with the history, wrapped lines joined."""
        args = ["capture-pane", "-p"] + (["-e"] if attributes else []) + \
            (["-J", "-S", "-"] if joined else [])
        return self.tmux(*args).stdout

    def lines(self):
        return self.screen().split("\n")

    def keys(self, *keys):
        self.tmux("send-keys", *keys)

    def quit(self, what):
        self.keys("q")
        check(self.status() == 0 and self.sane(), f"{what}: q ends with status 0, terminal sane")

    def wait_screen(self, text, timeout=10.0):
        return wait_for(lambda: text in self.screen(), repr(text), timeout)

    def status(self, timeout=10.0):
        path = self.dir / "status"
        wait_for(path.exists, "the program to end", timeout)
        return int(path.read_text()) if path.exists() else None

    def sane(self):
        return (self.dir / "before").read_text() == (self.dir / "after").read_text()

    def pid(self):
        return int((self.dir / "pid").read_text())

    def close(self):
        self.tmux("kill-server")


def view(t, work, name, record, options="", env=""):
    """Writes the record and starts the viewer on it, up to its prompt."""
    (work / name).write_text(record)
    t.start(f"{env}kifugram -to graphic {options}{name}", prompt=True)
    return t.lines()


def numbered_cells(cells, stones, x, size, width, first=1):
    """The cells of each stone's number: {point: [Cell, Cell]}."""
    left = 3 if width == 2 else 2
    out = {}
    for (column, row), (colour, number) in stones.items():
        if colour in ("B", "W") and number >= first:
            at = x + left + width * column + (1 if width == 3 else 0)
            out[(column, row)] = cells[2 + row][at:at + 2]
    return out


def long_figure(stones):
    """The second figure of long_game: the first figure's stones plain."""
    return {p: (c, n if n > 10 else 0) for p, (c, n) in stones.items()}


def case_boards(t, work):
    """Caption, glyphs, numbers modulo 100 apart from each other, coordinates,
    standout or colours, notes, star points; the Unicode board."""
    record, stones = long_game()
    shown = long_figure(stones)
    (work / "long.sgf").write_text(record)
    # No colours: the designed standout, three columns a point beside 54
    # columns of comments (3 x 19 + 5 + 4 + 54 = 120).
    t.start("env TERM=vt100 kifugram -to graphic long.sgf")
    t.wait_screen("Ten moves.")
    check(t.lines()[0][:63].strip() == "B 1 -- W 10", f"first figure: {t.lines()[0]!r}")
    t.keys("Enter")
    caption = "B 11 -- W 110"
    t.wait_screen(caption)
    lines = t.lines()
    check(lines[0][:63].rstrip() == " " * (1 + (62 - len(caption)) // 2) + caption,
          f"caption centred over the board: {lines[0]!r}")
    got = board_of(lines, 1, 19, 3)
    check(got == board_window(19, shown, 3, False, False),
          "19x19 board, numbers modulo 100:\n" + "\n".join(got))
    check(lines[22].startswith(" 15 at (d,p)"), f"note of move 15: {lines[22]!r}")
    cells = parse_cells(t.screen(attributes=True))
    numbers = numbered_cells(cells, stones, 1, 19, 3, 11)
    wrong = [sgf_point(*p) for p, pair in numbers.items()
             if any(c.rev != (stones[p][0] == "B") for c in pair)]
    check(len(numbers) > 90 and not wrong, f"standout on black numbers only: {wrong[:5]}")
    check(not any(c.rev for line in cells[1:22] for c in line[:4]), "no standout off the stones")
    t.quit("the only figure")

    # In a UTF-8 locale the Unicode board, on colours as terminfo has them.
    t.env["LANG"] = "C.UTF-8"
    colours = {  # TERM: board, black and white numbers as (fg, bg)
        "xterm-256color": (179, (15, 0), (0, 15)),
        "xterm": (3, (7, 0), (0, 7)),
    }
    for term, (wood, black, white) in colours.items():
        t.start(f"env TERM={term} LANG=C.UTF-8 kifugram -to graphic long.sgf")
        t.wait_screen("Ten moves.")
        t.keys("Enter")
        t.wait_screen(caption)
        got = board_of(t.lines(), 1, 19, 3)
        check(got == board_window(19, shown, 3, True, True),
              f"{term}: Unicode board:\n" + "\n".join(got))
        check(not any(re.search(r"\d{3}", line) for line in got), f"{term}: numbers apart")
        cells = parse_cells(t.screen(attributes=True))
        looks = {(c.fg, c.bg) for pair in numbered_cells(cells, stones, 1, 19, 3, 11).values()
                 for c in pair}
        check(looks == {black, white}, f"{term}: numbers light on black, dark on white: {looks}")
        # An empty point of the board, the first figure's stones as blocks.
        point = cells[10][34]  # k11
        check(point.ch == "┼" and (point.fg, point.bg) == (0, wood),
              f"{term}: black lines on wood: {point.ch} {point.look()}")
        plain = [cells[2 + row][4 + 3 * column] for column, row in ((2, 15), (0, 5))]
        check([(c.ch, c.bg) for c in plain] == [("●", 0), ("○", white[1])],
              f"{term}: stones of the figure before: {[(c.ch, c.look()) for c in plain]}")
        t.quit(f"{term} board")

    # Two columns a point on 80 columns: numbers side by side differ in
    # colour, or without colours in underlining.
    narrow = Tmux(work, t.binary, "narrow", 80, 24)
    try:
        narrow.env["LANG"] = "C.UTF-8"
        for term, lang in (("xterm", "C.UTF-8"), ("vt100", "C")):
            narrow.start(f"env TERM={term} LANG={lang} kifugram -to graphic long.sgf")
            narrow.wait_screen("Ten moves.")
            narrow.keys("Enter")
            narrow.wait_screen(caption)
            got = board_of(narrow.lines(), 1, 19, 2)
            check(got == board_window(19, shown, 2, lang != "C", term == "xterm"),
                  f"{term} 80x24: two columns a point:\n" + "\n".join(got))
            cells = parse_cells(narrow.screen(attributes=True))
            numbers = numbered_cells(cells, stones, 1, 19, 2, 11)
            same = [sgf_point(c, r) for (c, r) in numbers
                    if (c + 1, r) in numbers and
                    numbers[(c, r)][0].look() == numbers[(c + 1, r)][0].look()]
            check(not same, f"{term} 80x24: numbers side by side look alike at {same[:5]}")
            narrow.quit(f"{term} 80x24")
    finally:
        narrow.close()
    t.env.pop("LANG")

    # Marks and a letter; the plain board in the C locale.
    lines = view(t, work, "ko.sgf", KO_GAME, env="env TERM=vt100 ")
    ko = {(3, 3): ("B", 0), (2, 4): ("B", 0), (3, 5): ("B", 0), (4, 3): ("W", 0), (5, 4): ("W", 0),
          (4, 5): ("W", 0), (4, 4): ("B", 1), (6, 6): ("W", 2), (6, 7): ("B", 3), (3, 4): ("W", 4),
          (7, 0): ("label", "A")}
    got = board_of(lines, 1, 9, 3)
    check(got == board_window(9, ko, 3, False, False), "9x9 ko board:\n" + "\n".join(got))
    check(lines[0][:33].strip() == "B 1 -- W 6", f"ko caption: {lines[0]!r}")
    check(lines[12].startswith(" 5 on 1, 6 pass"), f"ko notes: {lines[12]!r}")
    cells = parse_cells(t.screen(attributes=True))
    out = [(row, column) for row in range(9) for column, c in enumerate(cells[2 + row][1:33]) if c.rev]
    # dd marked, 1 on ee, 3 on gh, hh marked: the point's column and the next
    check(out == [(3, 12), (3, 13), (4, 15), (4, 16), (7, 21), (7, 22), (7, 24), (7, 25)],
          f"standout on the marks and on black's numbers: {out}")
    t.quit("ko game")
    # With colours reverse video would make a black stone white: marks are red.
    view(t, work, "ko.sgf", KO_GAME, env="env TERM=xterm-256color ")
    cells = parse_cells(t.screen(attributes=True))
    marks = [(c.ch, c.fg, c.bg, c.rev) for c in (cells[5][13], cells[9][25], cells[2][25])]
    check(marks == [("@", 1, 0, False), (".", 1, 179, False), ("A", 0, 179, False)],
          f"a marked black stone, a marked point, a letter: {marks}")
    t.quit("ko game on colours")

    lines = view(t, work, "small.sgf", SMALL_GAME)
    small = {(3, 3): ("B", 1), (9, 9): ("W", 2), (6, 6): ("B", 3)}
    got = board_of(lines, 1, 13, 3)
    check(got == board_window(13, small, 3, False, True), "13x13 board:\n" + "\n".join(got))
    check(lines[0][47:].startswith("Thirteen lines."), f"root comment beside: {lines[0]!r}")
    t.quit("13x13")
    lines = view(t, work, "small.sgf", SMALL_GAME, "-coordinates ")
    got = board_of(lines, 1, 13, 3, coordinates=False)
    check(got == board_window(13, small, 3, False, True, coordinates=False) and
          lines[0][42:].startswith("Thirteen lines."), "-coordinates:\n" + "\n".join(lines[:14]))
    t.quit("13x13 without coordinates")


def case_keys(t, work):
    """Comment labels, [more], any key, a diagram on the right, g and q."""
    # 9x9: a board window of 3 x 9 + 5 columns, the comments from column 35.
    lines = view(t, work, "comments.sgf", COMMENTS_GAME)
    check(lines[0][35:].startswith("Black  12:"), f"label of move 12: {lines[0]!r}")
    cells = parse_cells(t.screen(attributes=True))
    check(all(c.rev for c in cells[0][35:45]), "the label stands out")
    check(lines[1][35:].startswith("Black connects."), f"comment of 12: {lines[1]!r}")
    check(lines[0][:33].strip() == "W 1 -- B 12", f"caption of the first figure: {lines[0]!r}")

    t.keys("x")  # any other key: the next figure, whose comment pages
    t.wait_screen("[more]")
    lines = t.lines()
    check(lines[0][:33].strip() == "W 13", f"second figure: {lines[0]!r}")
    # One numbered stone: no label above the comment.
    check(lines[0][35:] == "Line 1 of a long comment." and PROMPT not in t.screen(),
          "a long comment stops at [more] before the prompt")
    more = [i for i, line in enumerate(lines) if "[more]" in line]
    check(more == [37], f"[more] on the last line but one: {more}")
    t.keys("x")
    t.wait_screen(PROMPT)
    lines = t.lines()
    check(lines[0][35:].startswith("Line 38 of a long comment."), f"next page: {lines[0]!r}")
    check("Line 60 of a long comment." in t.screen(), "the page ends the comment")

    # The main line ends where it branches; each branch is a diagram.
    for shown in ("B 14 ", "Main line.", "The variation."):
        t.keys("x")
        t.wait_screen(shown)
    lines = t.lines()
    check(lines[0][87:].strip() == "W 1 -- B 2", f"diagram caption on the right: {lines[0]!r}")
    check(lines[0][:30].rstrip() == " White   1:" and lines[1].startswith(" The variation."),
          f"diagram comments on the left: {lines[:2]!r}")
    row = {(2, 6): ("B", 0), (3, 6): ("W", 1), (5, 6): ("B", 0), (6, 6): ("B", 0)}
    check(board_of(lines, 87, 9, 3)[7] == board_window(9, row, 3, False, True)[7],
          f"diagram board: {lines[8]!r}")
    t.quit("a diagram")
    check(PROMPT not in t.screen(), "q takes the viewer off the screen")
    # Messages written while curses draws are held back and shown after it.
    check("[Adding letters]" in t.screen(joined=True), "held messages shown at the end")

    # g at the first prompt: every further figure and page without a stop.
    t.start("kifugram -to graphic comments.sgf", prompt=True)
    t.keys("g")
    check(t.status() == 0 and t.sane(), "g runs to the end: status 0, terminal sane")

    # Ctrl-C is a key in raw mode: it turns the page like any other.
    t.start("kifugram -to graphic comments.sgf", prompt=True)
    t.keys("C-c")
    t.wait_screen("[more]")
    t.keys("q")  # [more] takes any key, q too
    t.wait_screen(PROMPT)
    t.quit("Ctrl-C turns a page")

    lines = view(t, work, "kibitz.sgf", KIBITZ_GAME, "-kibitz ")
    check([line[23:].rstrip() for line in lines[:4]] ==
          ["kb9[ 3d]: nice move", "          really", "zz[ 5k]: agree", PROMPT],
          f"kibitz lines: {lines[:4]!r}")
    t.quit("kibitz game")

    # Companion texts stored without a final line feed stay apart.
    record = Path(__file__).resolve().parent.parent / "golden/cases/tavolin/text_record/in"
    for name in ("g.tav", "g.txt"):
        shutil.copy(record / name, work / name)
    t.start("kifugram -from tavolin -to graphic g.tav", prompt=True)
    lines = [line.rstrip() for line in t.lines()]
    check(any(line.endswith("  The first comment.") for line in lines) and
          any(line.endswith("  And a second one.") for line in lines),
          f"two texts on two lines: {lines[:4]!r}")
    t.quit("tavolin game")


def case_terminal(t, work):
    """Standard input, no terminal, unusable terminal types, a glyph set by
    name, too small, signals."""
    (work / "comments.sgf").write_text(COMMENTS_GAME)
    t.start("kifugram -to graphic < comments.sgf", prompt=True)
    t.keys("x")
    t.wait_screen("[more]")
    check("W 13" in t.lines()[0], "record on standard input: keys come from the terminal")
    t.keys("x")
    t.wait_screen(PROMPT)
    t.quit("standard input")

    with open(work / "comments.sgf", "rb") as record:
        run = subprocess.run([t.binary, "-to", "graphic"], stdin=record, capture_output=True,
                             start_new_session=True, timeout=30)
    check(run.returncode == 1 and run.stderr.endswith(
        b": -to graphic needs a terminal, and there is none\n") and run.stdout == b"",
        f"no terminal: {run.returncode} {run.stderr!r}")

    # A terminal that cannot move the cursor is refused, as is an unknown one.
    for term in ("dumb", "no-such-terminal"):
        t.start(f"env TERM={term} kifugram -to graphic comments.sgf")
        check(t.status() == 1 and t.sane(), f"TERM={term}: status 1, terminal sane")
        shown = t.screen(joined=True)
        check(f'cannot use the terminal type "{term}"' in shown, f"TERM={term}: {shown!r}")

    # KIFUGRAM_BOARD names a glyph set whatever the locale says; Unicode
    # sets a UTF-8 locale for the viewer.
    t.env["LANG"] = "C.UTF-8"
    for locale, board, shown in (("C", "unicode", "┌──┬"), ("C.UTF-8", "plain", " .  .  . ")):
        t.start(f"env LANG={locale} KIFUGRAM_BOARD={board} kifugram -to graphic comments.sgf",
                prompt=True)
        check(shown in t.lines()[2] and ("┼" in t.screen()) == (board == "unicode"),
              f"KIFUGRAM_BOARD={board} in {locale}: {t.lines()[2]!r}")
        t.quit(f"KIFUGRAM_BOARD={board}")
    t.env.pop("LANG")
    t.start("env KIFUGRAM_BOARD=Unicode kifugram -to graphic comments.sgf")
    check(t.status() == 1 and t.sane(), "KIFUGRAM_BOARD=Unicode: status 1, terminal sane")
    shown = t.screen(joined=True)
    check('kifugram: KIFUGRAM_BOARD is "Unicode"; it names a board: plain, font or unicode' in shown,
          f"KIFUGRAM_BOARD=Unicode: {shown!r}")

    record, _ = long_game()
    (work / "long.sgf").write_text(record)
    small = Tmux(work, t.binary, "small", 42, 21)
    try:
        small.start("kifugram -to graphic long.sgf")
        check(small.status() == 1 and small.sane(), "too small a terminal: status 1, sane")
        shown = small.screen(joined=True)
        check("kifugram: the terminal has 42 columns and 21 lines; a 19x19 board needs "
              "43 columns and 22 lines" in shown, f"too small a terminal: {shown!r}")
    finally:
        small.close()

    # A crash too gives the terminal back and shows the held messages, then
    # ends with its signal. The sanitizers' own handlers stand aside.
    asan = os.environ.get("ASAN_OPTIONS", "") + ":handle_segv=0:handle_sigbus=0:handle_sigfpe=0"
    for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGSEGV, signal.SIGBUS, signal.SIGFPE,
                   signal.SIGILL):
        name = signal.Signals(number).name
        t.start(f"env ASAN_OPTIONS={asan} kifugram -to graphic comments.sgf", prompt=True)
        os.kill(t.pid(), number)
        check(t.status() == 128 + number and t.sane(), f"{name} ends the viewer, terminal sane")
        check("[Adding letters]" in t.screen(joined=True), f"{name}: held messages shown")


def read_pty(fd, into, timeout):
    try:
        data = os.read(fd, 65536) if select.select([fd], [], [], timeout)[0] else b""
    except OSError:
        data = b""
    into.extend(data)
    return data


def run_on_pty(args, env, stderr, width=120, height=40, timeout=60):
    """Runs on a pty of its own (no controlling terminal needed), answering
    [more] and the prompt with `g`. Returns (status, bytes written, modes kept)."""
    master, slave = os.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", height, width, 0, 0))
    before = termios.tcgetattr(slave)
    proc = subprocess.Popen(args, stdin=slave, stdout=slave, stderr=stderr, env=env,
                            start_new_session=True, close_fds=True)
    out, seen, last_key = bytearray(), 0, time.monotonic()
    end = time.monotonic() + timeout
    try:
        while time.monotonic() < end:
            read_pty(master, out, 0.01)
            fresh = bytes(out[seen:])
            if b"[more]" in fresh or b"<any>]" in fresh or time.monotonic() - last_key > 2:
                os.write(master, b"g")
                seen, last_key = len(out), time.monotonic()
            if proc.poll() is not None:
                while read_pty(master, out, 0):
                    pass
                break
        else:
            proc.kill()
            proc.wait()
            return None, bytes(out), False
        return proc.returncode, bytes(out), termios.tcgetattr(slave) == before
    finally:
        os.close(master)
        os.close(slave)


def case_font(t, work):
    """Under TERM=xterm in the C locale, or when asked for by name, the board
    goes out in the terminal font's bytes, two columns a point, no colours."""
    inner, star = b"\xc4\xc5", b"\xc6\xc7"  # a row: left edge, points, right edge
    edge = lambda *points: b"\xc8\xc5" + b"".join(points) + b"\xc4\xcd"
    rows = {9: [b"\xce\xcf" + b"\xd0\xcf" * 7 + b"\xd0\xd1", b"\xc9\xca" + b"\xcb\xca" * 7 + b"\xcb\xcc",
                edge(inner, star, inner * 3, star, inner), edge(inner * 3, star, inner * 3)],
            13: [edge(inner * 2, star, inner * 5, star, inner * 2), edge(inner * 5, star, inner * 5)],
            19: [edge((inner * 2 + star + inner * 3) * 2, inner * 2, star, inner * 2)]}
    stars = {9: 5, 13: 5, 19: 9}
    colour = re.compile(rb"\x1b\[[0-9;]*(?:3[0-9]|4[0-9]|[34]8;5;[0-9]+)m")
    for size, locale, forced in ((9, "C", ""), (13, "C", ""), (19, "C", ""), (9, "C.UTF-8", "font")):
        env = {"PATH": "/usr/bin:/bin", "TERM": "xterm", "HOME": str(work), "LANG": locale,
               "KIFUGRAM_BOARD": forced}
        what = f"xterm {size}x{size} {locale}{' KIFUGRAM_BOARD=' + forced if forced else ''}"
        game = work / f"empty{size}.sgf"
        # One white stone off the star points, one black on one.
        game.write_text(f"(;SZ[{size}]AB[{'cc' if size == 9 else 'dd'}]AW[bb];B[])")
        with open(work / "err", "wb") as err:
            status, out, sane = run_on_pty([t.binary, "-to", "graphic", str(game)], env, err)
        check(status == 0 and sane, f"{what}: status {status}, modes kept {sane}")
        for want in rows[size]:
            check(want in out, f"{what}: row {want.hex(' ')}")
        count = out.count(b"\xc6\xc7")
        check(count == stars[size] - 1, f"{what}: {count} star glyphs besides the stone")
        check(b"\xc0\xc1" in out and b"\xd2\xd3" in out, f"{what}: stone glyphs")
        check(b"@ " not in out and b". ." not in out and "┼".encode() not in out,
              f"{what}: no other glyphs")
        check(not colour.search(out), f"{what}: no colours: {colour.findall(out)[:3]}")


# Control codes in every kind of text the viewer shows: CSI and OSC as C1
# characters (UTF-8 C2 9B, C2 9D), ESC and BEL, a lone C1 byte, bytes that
# are no UTF-8, in a comment, a variation's name and a label, and in a
# kibitz line (a second run, with -kibitz; names are letters and digits).
HOSTILE_GAME = (
    b"(;SZ[9];B[cc]C[before\xc2\x9b31mRED esc\x1b[32mGREEN osc\xc2\x9d0;T\x07 "
    b"byte\x9b33mYELLOW bad\xff\xc0\xaf end\n]"
    b"(;W[dd]LB[ee:\x1b])"  # an unprintable label is dropped with a message
    b"(;W[ee]N[var\xc2\x9b34mBLUE]C[ok\n]))")
HOSTILE_KIBITZ = b"(;SZ[9];B[cc]C[kz[3d\\] : hi\x1bc\xc2\x9b35mMAGENTA\n])"


def display_width(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


def wrapped(text, width):
    """`text` (words between single blanks) wrapped at `width` columns, at
    blanks; a word longer than a line is cut, a wide character that does
    not fit starting the next line."""
    lines, used = [""], 0
    for i, word in enumerate(text.split(" ")):
        gap, w = (1 if i else 0), display_width(word)
        if used + gap + w > width and used > 0 and w <= width:
            lines.append("")
            used = gap = 0
        if gap and used + gap < width:
            lines[-1] += " "
            used += 1
        elif gap and used > 0:
            lines.append("")
            used = 0
        for c in word:
            if used + display_width(c) > width:
                lines.append("")
                used = 0
            lines[-1] += c
            used += display_width(c)
    return lines


def case_text(t, work):
    """Texts from the record reach the terminal without control codes, and
    in a UTF-8 locale wrap at blanks by display columns."""
    (work / "hostile.sgf").write_bytes(HOSTILE_GAME)
    (work / "kibitz.sgf").write_bytes(HOSTILE_KIBITZ)
    for lang in ("C.UTF-8", "C"):
        # The record says no encoding and is not UTF-8 throughout: the bytes
        # that are no UTF-8 are read as Latin-1, so 9B is the control U+009B
        # (shown as the others) and FF C0 AF are the letters ÿÀ¯. Elsewhere
        # C2 is a letter of its own.
        utf8 = lang == "C.UTF-8"
        bad = (b"byte~[33mYELLOW bad\xc3\xbf\xc3\x80\xc2\xaf " if utf8 else
               b"byte\xc2~[33mYELLOW bad\xc3\xbf\xc3~@\xc2\xaf ")
        c2 = b"" if utf8 else b"\xc2"
        runs = [([], "hostile.sgf", [b"before" + c2 + b"~[31mRED esc^[[32mGREEN osc" + c2 +
                                     b"~]0;T^G " + bad, b"var" + c2 + b"~[34mBLUE"]),
                (["-kibitz"], "kibitz.sgf", [b"kz[ 3d]: hi^[c" + c2 + b"~[35mMAGENTA"])]
        env = {"PATH": "/usr/bin:/bin", "TERM": "tmux-256color", "HOME": str(work), "LANG": lang}
        for options, name, shown in runs:
            what = f"{lang} {name}"
            with open(work / "err", "wb") as err:
                status, out, sane = run_on_pty(
                    [t.binary, "-to", "graphic"] + options + [str(work / name)], env, err)
            check(status == 0 and sane, f"{what}: status {status}, modes kept {sane}")
            c1 = re.findall(rb"\xc2[\x80-\x9f]" if lang == "C.UTF-8" else rb"[\x80-\x9f]", out)
            check(not c1, f"{what}: no C1 control reaches the terminal: {c1[:3]}")
            injected = [m for m in (b"\x1b[32m", b"\x1bc", b"\x07", b"\x1b[34m", b"\x1b ")
                        if m in out]
            check(not injected, f"{what}: no ESC or BEL from the record: {injected}")
            # The texts as they show, without the colours of the board.
            seen = re.sub(rb"\x1b\[[0-9;]*m|\x0f", b"", out)
            for text in shown:
                check(text in seen, f"{what}: shown as {text!r}")

    # Words wrap at blanks in the 84 columns beside a 9x9 board; a run of
    # wide characters longer than a line is cut with one astride the edge.
    comment = "Comment: " + "Variätiön été 日本語 " * 12 + "xx" + "日本語" * 20
    (work / "wide.sgf").write_text(f"(;SZ[9];B[cc]C[{comment}\n];W[dd]C[Short.\n])",
                                   encoding="utf-8")
    t.env["LANG"] = "C.UTF-8"
    t.start("env LANG=C.UTF-8 kifugram -to graphic wide.sgf", prompt=True)
    lines = t.lines()
    want = wrapped(comment, 84)
    check([display_width(line) for line in want[3:5]] == [83, 50] and want[4][0] == "語",
          f"a character astride the edge: {want[3:5]}")
    got = [line[35:].rstrip() for line in lines[:len(want) + 1]]
    check(got == want + [PROMPT], "wrapped at blanks by columns:\n" + "\n".join(got))
    check(all(line[35:].strip() == "" for line in lines[len(want) + 1:]), "nothing below")
    t.keys("x")
    t.wait_screen("Short.")
    lines = t.lines()
    check([line[35:].rstrip() for line in lines[:3]] == ["Short.", PROMPT, ""] and
          not any(line[35:].strip() for line in lines[2:]),
          f"the next figure leaves nothing stale: {lines[:4]!r}")
    t.quit("UTF-8 run")


# Whole screens compared with the captures kept in golden/NAME.screen (with
# --update they are written anew): the record golden/NAME.sgf on a
# terminal of the size given, after the keys given, in C.UTF-8 with
# TERM=xterm-256color.
GOLDEN = {
    # Comments wrap at blanks; an address longer than the line is cut.
    "wrap": ((80, 24), [], "the review."),
    # The diagram after a figure: nothing of the figure's prompt stays in
    # the columns between the diagram's comments and its board.
    "stale_prompt": ((88, 24), ["x"], "White answers"),
}


def case_golden(t, work, update=False):
    """Screens compared whole with the captures kept beside the test."""
    here = Path(__file__).resolve().parent / "golden"
    for name, ((columns, lines), keys, last) in GOLDEN.items():
        shutil.copy(here / f"{name}.sgf", work / f"{name}.sgf")
        g = Tmux(work, t.binary, name, columns, lines)
        try:
            g.env["LANG"] = "C.UTF-8"
            g.start(f"env TERM=xterm-256color LANG=C.UTF-8 kifugram -to graphic {name}.sgf", prompt=True)
            for key in keys:
                g.keys(key)
            g.wait_screen(last)
            time.sleep(0.3)  # the rest of the screen drawn after it
            got = "\n".join(line.rstrip() for line in g.lines()).rstrip("\n") + "\n"
            kept = here / f"{name}.screen"
            if update:
                kept.write_text(got)
            want = kept.read_text() if kept.exists() else ""
            check(got == want, f"{name}: the screen differs from golden/{name}.screen:\n{got}")
            g.quit(name)
        finally:
            g.close()


def case_corpus(binary, corpus):
    """Every record in go mode on a pty: no sanitizer report, status 0 or 1,
    the terminal modes kept; in every glyph set and layout."""
    files = sorted(Path(corpus).rglob("*.sgf"))
    started = time.monotonic()

    # The records take turns at the glyph sets (Unicode on 256 and on 8
    # colours, the board font, plain on colours) and at two sizes of
    # terminal (three and two columns a point).
    terminals = [("tmux-256color", "C.UTF-8"), ("xterm", "C"), ("tmux-256color", "C"),
                 ("xterm", "C.UTF-8")]

    def one(index, f, work):
        # Sanitizer reports go to files: curses may hold standard error back.
        term, lang = terminals[index % 4]
        env = {"PATH": "/usr/bin:/bin", "TERM": term, "LANG": lang, "HOME": work,
               "ASAN_OPTIONS": f"log_path={work}/asan.{index}",
               "UBSAN_OPTIONS": f"log_path={work}/ubsan.{index}"}
        width, height = (120, 40) if index // 4 % 2 == 0 else (80, 24)
        with open(Path(work) / f"err.{index}", "w+b") as err:
            status, out, sane = run_on_pty([binary, "-to", "graphic", str(f)], env, err, width, height)
            err.seek(0)
            text = err.read()
        reports = [p for p in Path(work).iterdir()
                   if p.name.startswith((f"asan.{index}.", f"ubsan.{index}."))]
        if status in (0, 1) and sane and not reports and \
                b"Sanitizer" not in text and b"runtime error:" not in text:
            return None
        report = f"FAIL {f}: status {status}, terminal modes kept {sane}\n"
        for p in reports:
            report += p.read_text(errors="replace")[:2000]
        return report + text.decode(errors="replace")[-2000:]

    with tempfile.TemporaryDirectory(prefix="kg-graphic-") as work:
        with ThreadPoolExecutor(2) as pool:
            reports = [r for r in pool.map(one, range(len(files)), files, [work] * len(files)) if r]
    for report in reports:
        print(report)
    print(f"graphic: {len(files)} files in {time.monotonic() - started:.0f} s, {len(reports)} failed")
    return not reports


def main():
    binary, case = os.path.abspath(sys.argv[1]), sys.argv[2]
    if case == "corpus":
        if len(sys.argv) < 4 or not Path(sys.argv[3]).is_dir():
            print("no corpus: skipped")
            return 77
        return 0 if case_corpus(binary, sys.argv[3]) else 1
    if case != "font" and not shutil.which("tmux"):
        print("tmux is not installed: skipped")
        return 77
    with tempfile.TemporaryDirectory(prefix=f"kg-screen-{case}-") as work:
        t = Tmux(work, binary, case)
        try:
            if case == "golden":
                case_golden(t, Path(work), "--update" in sys.argv[3:])
            else:
                {"boards": case_boards, "keys": case_keys, "terminal": case_terminal,
                 "font": case_font, "text": case_text}[case](t, Path(work))
        except Stuck as e:
            check(False, f"{e}; the screen:\n{t.screen()}")
        finally:
            t.close()
    print(f"{case}: {len(failures)} failed checks")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
