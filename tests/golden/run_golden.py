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
  expect/files/   optional files the run must leave in the working directory
A suite is a directory of cases. --update rewrites expect/ from the runs.
"""
import argparse, os, shutil, subprocess, sys, tempfile


def first_difference(name, want, got):
    wl, gl = want.split(b"\n"), got.split(b"\n")
    for i in range(max(len(wl), len(gl))):
        w, g = (wl[i] if i < len(wl) else None), (gl[i] if i < len(gl) else None)
        if w != g:
            return f"  {name} differs at line {i + 1}:\n    want: {w!r}\n    got:  {g!r}"
    return f"  {name} differs"


def read(path, default=b""):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return default


def run_case(binary, case, update):
    args = read(os.path.join(case, "args")).decode("utf-8", "surrogateescape").split("\n")
    if args[-1] == "":
        args.pop()
    env = {"PATH": "/usr/bin:/bin", "LC_ALL": "C", "HOME": "/nonexistent"}
    env.update(l.split("=", 1) for l in read(os.path.join(case, "env")).decode().splitlines() if "=" in l)
    expect = os.path.join(case, "expect")
    with tempfile.TemporaryDirectory(prefix="kg-golden-") as work:
        if os.path.isdir(os.path.join(case, "in")):
            shutil.copytree(os.path.join(case, "in"), work, dirs_exist_ok=True)
        try:
            proc = subprocess.run(["kifugram"] + args, executable=binary, cwd=work, env=env, timeout=120,
                                  input=read(os.path.join(case, "stdin")), capture_output=True)
        except subprocess.TimeoutExpired:
            return ["  timed out"]
        outputs = (("stdout", proc.stdout), ("stderr", proc.stderr))
        if update:
            os.makedirs(expect, exist_ok=True)
            for name, data in outputs:
                path = os.path.join(expect, name)
                if data:
                    with open(path, "wb") as f:
                        f.write(data)
                elif os.path.exists(path):
                    os.remove(path)
            with open(os.path.join(expect, "status"), "w") as f:
                f.write(f"{proc.returncode}\n")
            return []
        problems = [first_difference(name, read(os.path.join(expect, name)), got)
                    for name, got in outputs if read(os.path.join(expect, name)) != got]
        want_status = int(read(os.path.join(expect, "status"), b"0").strip() or 0)
        if proc.returncode != want_status:
            problems.append(f"  status: want {want_status}, got {proc.returncode}")
        files = os.path.join(expect, "files")
        for root, _, names in os.walk(files):
            for n in names:
                rel = os.path.relpath(os.path.join(root, n), files)
                want, got = read(os.path.join(root, n)), read(os.path.join(work, rel), None)
                if got is None:
                    problems.append(f"  file {rel} was not written")
                elif got != want:
                    problems.append(first_difference(f"file {rel}", want, got))
        return problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--update", action="store_true")
    ap.add_argument("suites", nargs="+")
    opts = ap.parse_args()
    passed = failed = 0
    for suite in opts.suites:
        for name in sorted(os.listdir(suite)):
            case = os.path.join(suite, name)
            if not os.path.exists(os.path.join(case, "args")):
                continue
            problems = run_case(os.path.abspath(opts.binary), case, opts.update)
            if problems:
                failed += 1
                print(f"FAIL {os.path.basename(suite)}/{name}\n" + "\n".join(problems))
            else:
                passed += 1
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed or not passed else 0)


if __name__ == "__main__":
    main()
