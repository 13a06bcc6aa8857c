#!/usr/bin/env python3
"""Runs golden whole-run cases against the built binary.

A case is a directory holding:
  args            the arguments, one per line (the program runs as "kifugram")
  env             optional KEY=VALUE lines added to a minimal environment
  stdin           optional standard input
  in/             optional files copied into the working directory first
                  (symbolic links copied as links)
  fsize           optional limit in bytes on any file the run writes (a
                  full disk): a write past it fails instead of ending the run
  expect/stdout   exact standard output      (missing: must be empty)
  expect/stderr   exact standard error       (missing: must be empty)
  expect/status   exit status                (missing: 0)
  expect/absent   optional paths, one per line, that the run must not leave
  expect/files/   optional files the run must leave in the working directory,
                  compared with their "%%CreationDate:" lines masked; a path
                  part ending in XXXXXX stands for any six characters there
                  (a directory made by mkdtemp)
  mask            optional regular expressions, one per line: what they match
                  in the outputs and files is compared as "*"
In every output and file the working directory's path reads $WORK.
A suite is a directory of cases. --update rewrites expect/ from the runs,
and the files of expect/files/ (when it exists) from what the run wrote:
those it holds, or every file written when it is empty.
"""
import argparse, fnmatch, glob, os, re, resource, shutil, signal, subprocess, sys, tempfile
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


def normalizer(case, work):
    """Outputs with the working directory's path and the case's masks replaced."""
    masks = [re.compile(l.encode()) for l in read(case / "mask").decode().splitlines() if l]
    paths = sorted({work.encode(), os.path.realpath(work).encode()}, key=len, reverse=True)

    def normal(data):
        for path in paths:
            data = data.replace(path, b"$WORK")
        for mask in masks:
            data = mask.sub(b"*", data)
        return data
    return normal


def pattern(rel):
    return [glob.escape(p[:-6]) + "??????" if p.endswith("XXXXXX") else glob.escape(p)
            for p in rel.parts]


def written(work, rel):
    """The file the run wrote for an expected path, or None."""
    found = glob.glob(os.path.join(glob.escape(work), *pattern(rel)))
    return Path(found[0]) if len(found) == 1 else None


def expected_as(kept, rel):
    """The expected path that stands for a written one, or None."""
    for want in kept:
        if len(want.parts) == len(rel.parts) and all(
                fnmatch.fnmatchcase(r, p) for r, p in zip(rel.parts, pattern(want))):
            return want
    return None


def run_case(binary, case, update):
    args = read(case / "args").decode("utf-8", "surrogateescape").split("\n")
    if args[-1] == "":
        args.pop()
    env = {"PATH": "/usr/bin:/bin", "LC_ALL": "C", "HOME": "/nonexistent"}
    env.update(l.split("=", 1) for l in read(case / "env").decode().splitlines() if "=" in l)
    expect = case / "expect"
    with tempfile.TemporaryDirectory(prefix="kg-golden-") as work:
        if (case / "in").is_dir():
            # Links stay links: a case may plant one where the run writes.
            shutil.copytree(case / "in", work, symlinks=True, dirs_exist_ok=True)
        fsize = read(case / "fsize").strip()

        def limits():
            if fsize:
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                resource.setrlimit(resource.RLIMIT_FSIZE, (int(fsize), int(fsize)))
        try:
            proc = subprocess.run(["kifugram"] + args, executable=binary, cwd=work, env=env, timeout=120,
                                  input=read(case / "stdin"), capture_output=True, preexec_fn=limits)
        except subprocess.TimeoutExpired:
            return ["  timed out"]
        normal = normalizer(case, work)
        outputs = (("stdout", normal(proc.stdout)), ("stderr", normal(proc.stderr)))
        if update:
            expect.mkdir(exist_ok=True)
            for name, data in outputs:
                (expect / name).write_bytes(data) if data else (expect / name).unlink(missing_ok=True)
            (expect / "status").write_text(f"{proc.returncode}\n")
            if (expect / "files").is_dir():
                kept = {p.relative_to(expect / "files") for p in (expect / "files").rglob("*") if p.is_file()}
                for rel, data in written_files(work, case / "in"):
                    want = expected_as(kept, rel) if kept else rel
                    if want is not None:
                        (expect / "files" / want).parent.mkdir(parents=True, exist_ok=True)
                        (expect / "files" / want).write_bytes(masked(normal(data)))
            return []
        problems = [first_difference(name, read(expect / name), got)
                    for name, got in outputs if read(expect / name) != got]
        for rel in read(expect / "absent").decode().splitlines():
            if rel and os.path.lexists(os.path.join(work, rel)):
                problems.append(f"  {rel} should not be there")
        want_status = int(read(expect / "status", b"0").strip() or 0)
        if proc.returncode != want_status:
            problems.append(f"  status: want {want_status}, got {proc.returncode}")
        for path in sorted(p for p in (expect / "files").rglob("*") if p.is_file()):
            rel, want = path.relative_to(expect / "files"), path.read_bytes()
            found = written(work, rel)
            got = normal(found.read_bytes()) if found is not None else None
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
