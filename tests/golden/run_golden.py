#!/usr/bin/env python3
"""Runs golden whole-run cases against the built binary.

A case is a directory holding:
  args            the arguments, one per line (the program runs as "kifugram")
  env             optional KEY=VALUE lines added to a minimal environment
  stdin           optional standard input
  in/             optional files copied into the working directory first
  expect/stdout   exact standard output      (missing: must be empty)
  expect/stderr   exact standard error       (missing: must be empty)
  expect/status   exit status                (missing: 0)
  expect/files/   optional files the run must leave in the working directory,
                  compared with their "%%CreationDate:" lines masked
A suite is a directory of cases. --update rewrites expect/ from the runs,
and the files of expect/files/ (when it exists) from what the run wrote:
those it holds, or every file written when it is empty.
"""
import argparse, os, shutil, subprocess, sys, tempfile
from pathlib import Path


def first_difference(name, want, got):
    wl, gl = want.split(b"\n"), got.split(b"\n")
    for i in range(max(len(wl), len(gl))):
        w, g = (wl[i] if i < len(wl) else None), (gl[i] if i < len(gl) else None)
        if w != g:
            return f"  {name} differs at line {i + 1}:\n    want: {w!r}\n    got:  {g!r}"
    return f"  {name} differs"


def read(path, default=b""):
    return path.read_bytes() if path.is_file() else default


def masked(data):
    """A written file with its creation date, which no two runs share, masked."""
    return b"\n".join(b"%%CreationDate: (masked)" if line.startswith(b"%%CreationDate:") else line
                       for line in data.split(b"\n"))


def written_files(work, inputs):
    """The files of the run's directory that are not its inputs unchanged."""
    for path in sorted(p for p in Path(work).rglob("*") if p.is_file() and not p.is_symlink()):
        rel = path.relative_to(work)
        if not (inputs / rel).is_file() or (inputs / rel).read_bytes() != path.read_bytes():
            yield rel, path.read_bytes()


def run_case(binary, case, update):
    args = read(case / "args").decode("utf-8", "surrogateescape").split("\n")
    if args[-1] == "":
        args.pop()
    env = {"PATH": "/usr/bin:/bin", "LC_ALL": "C", "HOME": "/nonexistent"}
    env.update(l.split("=", 1) for l in read(case / "env").decode().splitlines() if "=" in l)
    expect = case / "expect"
    with tempfile.TemporaryDirectory(prefix="kg-golden-") as work:
        if (case / "in").is_dir():
            shutil.copytree(case / "in", work, dirs_exist_ok=True)
        try:
            proc = subprocess.run(["kifugram"] + args, executable=binary, cwd=work, env=env, timeout=120,
                                  input=read(case / "stdin"), capture_output=True)
        except subprocess.TimeoutExpired:
            return ["  timed out"]
        outputs = (("stdout", proc.stdout), ("stderr", proc.stderr))
        if update:
            expect.mkdir(exist_ok=True)
            for name, data in outputs:
                (expect / name).write_bytes(data) if data else (expect / name).unlink(missing_ok=True)
            (expect / "status").write_text(f"{proc.returncode}\n")
            if (expect / "files").is_dir():
                kept = {p.relative_to(expect / "files") for p in (expect / "files").rglob("*") if p.is_file()}
                for rel, data in written_files(work, case / "in"):
                    if not kept or rel in kept:
                        (expect / "files" / rel).parent.mkdir(parents=True, exist_ok=True)
                        (expect / "files" / rel).write_bytes(masked(data))
            return []
        problems = [first_difference(name, read(expect / name), got)
                    for name, got in outputs if read(expect / name) != got]
        want_status = int(read(expect / "status", b"0").strip() or 0)
        if proc.returncode != want_status:
            problems.append(f"  status: want {want_status}, got {proc.returncode}")
        for path in sorted(p for p in (expect / "files").rglob("*") if p.is_file()):
            rel, want = path.relative_to(expect / "files"), path.read_bytes()
            got = read(Path(work) / rel, None)
            if got is None:
                problems.append(f"  file {rel} was not written")
            elif masked(got) != masked(want):
                problems.append(first_difference(f"file {rel}", masked(want), masked(got)))
        return problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--update", action="store_true")
    ap.add_argument("suites", nargs="+")
    opts = ap.parse_args()
    passed = failed = 0
    for suite in opts.suites:
        for case in sorted(Path(suite).iterdir()):
            if not (case / "args").exists():
                continue
            problems = run_case(os.path.abspath(opts.binary), case, opts.update)
            if problems:
                failed += 1
                print(f"FAIL {Path(suite).name}/{case.name}\n" + "\n".join(problems))
            else:
                passed += 1
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed or not passed else 0)


if __name__ == "__main__":
    main()
