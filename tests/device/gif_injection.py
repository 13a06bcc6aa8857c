#!/usr/bin/env python3
"""Feeds the gif scripts hostile text everywhere it can come from: the file
name, the working, figure, tile and tool directories, the player and
variation names, the comments and a colour. Stand-in tools record what they
are given. No command hidden in the text may run, and every name must reach
the tools exactly as it was given.

Usage: gif_injection.py KIFUGRAM"""
import os, subprocess, sys, tempfile

kifugram = os.path.abspath(sys.argv[1])
# Each payload tries another way into a shell; the builtin echo leaves a
# trace without needing PATH. (No colon: PATH could not name the tools'
# directory at all.)
def hostile(trace):
    return (f" $(echo >{trace}1) `echo >{trace}2`; echo >{trace}3 ' \" * ? [a] ~ $HOME \\"
            f"\n echo >{trace}4\n&& echo >{trace}5 | echo >{trace}6 # ")

STUB = """#!/bin/sh
printf '%s\\n' "$0" "$@" >> "$KG_TOOL_LOG"
[ "$(basename "$0")" = pamtogif ] && echo GIF89a
exit 0
"""

failures = []
with tempfile.TemporaryDirectory(prefix="kg-inject-") as work:
    trace = os.path.join(work, "pwned")
    name = hostile("pwned")  # relative: a file name holds no slash
    dirs = {}
    for role in ("cwd", "tmp", "tiles", "bin"):
        dirs[role] = os.path.join(work, role + name)
        os.makedirs(dirs[role])
    os.makedirs(os.path.join(dirs["tiles"], "15"))
    for tool in ("pnmcat", "ppmchange", "pamtogif"):
        path = os.path.join(dirs["bin"], tool)
        with open(path, "w") as f:
            f.write(STUB)
        os.chmod(path, 0o755)
    text = hostile(trace).replace("]", "\\]")
    record = "game" + name + ".sgf"
    with open(os.path.join(dirs["cwd"], record), "w") as f:
        f.write(f"(;GM[1]SZ[9]PB[{text}]PW[{text}]C[{text}];B[ee]"
                f"(;W[cc]N[{text}])(;W[gg]N[{text}]))\n")
    colour = "rgb:00/00/00" + hostile(trace)
    log = os.path.join(work, "tools.log")
    env = {"PATH": "/nonexistent", "KG_TOOL_LOG": log, "HOME": work, "LC_ALL": "C"}
    for hold in ([], ["-hold"]):
        args = [kifugram, "-to", "gif", *hold, "-tmp", dirs["tmp"], "-ppm", dirs["tiles"],
                "-pbmbin", dirs["bin"], "-rgbb", colour, record]
        run = subprocess.run(args, cwd=dirs["cwd"], env=env, capture_output=True)
        stderr = run.stderr.decode("utf-8", "replace")
        if run.returncode != 0 or ("Left script" in stderr) != bool(hold):
            failures.append(f"{hold}: status {run.returncode}\n{stderr}")
        base = "game" + name
        for picture in ("f01", "d01", "d02"):
            if not os.path.isfile(os.path.join(dirs["cwd"], f"{base}-{picture}.gif")):
                failures.append(f"{hold}: no picture {picture}")
        given = ""
        if os.path.exists(log):
            with open(log) as f:
                given = f.read()
            os.remove(log)
        if colour not in given:
            failures.append(f"{hold}: ppmchange was not given the colour as it was written")
    # A held script shows the names in comments: one line each.
    scripts = [os.path.join(root, f) for root, _, files in os.walk(dirs["tmp"]) for f in files]
    for script in scripts:
        with open(script, "rb") as f:
            lines = f.read().split(b"\n")
        if not lines[1].startswith(b"# Title\t: ") or not lines[2].startswith(b"# Creator\t: "):
            failures.append(f"the title of {script!r} runs over more lines")
    if len(scripts) != 3:
        failures.append(f"held scripts: {scripts}")
    for root, subdirs, files in os.walk(work):
        for entry in files + subdirs:
            if entry.startswith("pwned"):
                failures.append(f"a hidden command ran: {os.path.join(root, entry)!r}")

print("\n".join(failures) if failures else "no command ran; every name arrived whole")
sys.exit(1 if failures else 0)
