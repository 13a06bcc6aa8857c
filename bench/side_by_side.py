#!/usr/bin/env python3
"""Whole-process figures of kifugram beside another SGF reader and writer.

Each input is read and written by both programs in turn, the runs of the two
interleaved (the machine's speed drifts, and it is shared): for each, the
median wall time, CPU time (user + system) and peak memory of --runs runs,
with the spread (lowest and highest wall time). The other program is run as
"OTHER IN OUT".

With --corpus, also the start-up loop: "kifugram -to sgf F" once per SGF file
F of the directory, beside the same loop running "cat F", and the other
program's loop, each timed whole, interleaved.

The large inputs are the ones kg_bench makes under /tmp/kifugram-bench
(run "kg_bench --benchmark_filter=BM_WholeRun" once).
"""
import argparse, os, statistics, subprocess, sys, time


def run(argv):
    """Wall seconds, CPU seconds and peak resident kB of one process."""
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    if os.waitstatus_to_exitcode(status) not in (0, 1):
        sys.exit(f"{argv[0]} failed on {argv[-2]}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def loop(argv_of, files):
    start = time.monotonic()
    for f in files:
        subprocess.run(argv_of(f), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def summary(name, runs, size=None):
    walls = sorted(r[0] for r in runs)
    line = (f"  {name:10} wall {statistics.median(walls):7.3f} s ({walls[0]:.3f}-{walls[-1]:.3f})"
            f"  cpu {statistics.median(r[1] for r in runs):7.3f} s")
    if size:
        kb = max(r[2] for r in runs)
        line += f"  peak {kb / 1024:8.1f} MiB = {kb * 1024 / size:5.2f} bytes per input byte"
    print(line)
    return statistics.median(walls), statistics.median(r[1] for r in runs), max(r[2] for r in runs)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("kifugram")
    ap.add_argument("other", help="the other program, run as OTHER IN OUT")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--inputs", nargs="*", default=["/tmp/kifugram-bench/random-10MB.sgf",
                                                   "/tmp/kifugram-bench/random-100MB.sgf"])
    ap.add_argument("--corpus", help="directory of SGF files for the start-up loop")
    ap.add_argument("--out", default="/tmp/kifugram-side-by-side.sgf", help="where the outputs go")
    opts = ap.parse_args()

    for path in opts.inputs:
        size = os.path.getsize(path)
        print(f"{path}: {size / 1e6:.1f} MB, {opts.runs} runs each")
        ours, theirs = [], []
        for _ in range(opts.runs):
            ours.append(run([opts.kifugram, "-to", "sgf", "-output", opts.out, path]))
            theirs.append(run([opts.other, path, opts.out]))
        wall, cpu, kb = summary("kifugram", ours, size)
        owall, ocpu, okb = summary("other", theirs, size)
        print(f"  kifugram is {owall / wall:.1f}x as fast (cpu {ocpu / cpu:.1f}x), "
              f"{size / wall / 1e6:.0f} MB/s, {okb / kb:.1f}x less memory")
    if os.path.exists(opts.out):
        os.unlink(opts.out)

    if opts.corpus:
        files = sorted(os.path.join(d, n) for d, _, names in os.walk(opts.corpus)
                       for n in names if n.endswith(".sgf"))
        print(f"start-up loop over {len(files)} files, {opts.runs} rounds")
        times = {"cat": [], "kifugram": [], "other": []}
        for _ in range(opts.runs):
            times["cat"].append(loop(lambda f: ["cat", f], files))
            times["kifugram"].append(loop(lambda f: [opts.kifugram, "-to", "sgf", f], files))
            times["other"].append(loop(lambda f: [opts.other, f, "/dev/null"], files))
        cat = statistics.median(times["cat"])
        for name, t in times.items():
            t.sort()
            print(f"  {name:10} {statistics.median(t):7.2f} s ({t[0]:.2f}-{t[-1]:.2f})"
                  f"  {statistics.median(t) / cat:.2f}x cat")


if __name__ == "__main__":
    main()
