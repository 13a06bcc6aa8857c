#!/usr/bin/env bash
# Runs two kifugram binaries, OLD and NEW, over every SGF record of a
# collection with every output format and reports each (record, format) pair
# whose runs differ in standard output, standard error, exit status or any
# file written in the working directory or the -tmp directory.
#
# Usage: scripts/compare-binaries.sh [-j N] [-f formats] [-o extra-options]
#                                    [-k dir] OLD NEW [corpus-dir]
#   -j N        runs at once (default: nproc)
#   -f formats  comma or space separated (default: all ten; gif and html are
#               the slow ones, a shell script per picture)
#   -o options  added to every run, split at white space (e.g. "-hold -verbose")
#   -k dir      keep the normalised outputs of every differing pair in dir
#   corpus-dir  default ../shared/corpus/sgf from the repository root
# Prints a line per differing pair with its first differing line or file, then
# a summary; exits 0 when nothing differs, 1 otherwise, 2 on bad usage.
#
# Both binaries get the same environment: only PATH and HOME are kept, plus
# TZ=UTC, LC_ALL=C.UTF-8, SGFPROLOG and SGFMACROS from share/, and -ppm with
# the build's tiles when there are any (build/share/ppm, or $KG_PPM; without
# them gif and html fail alike in both). Each is called with argv[0]
# "kifugram", so that messages and the EPS %%Creator do not differ by the
# binaries' paths; a wrapper script given as OLD or NEW should pass that on
# (exec -a kifugram ...). Each run gets a fresh working directory.
#
# Before comparing, in every output and file (names too):
#   - the run's working directory becomes @WORK@ (-tmp lies inside it);
#   - kifugram-XXXXXX, the directory mkdtemp makes for the gif scripts, loses
#     its six random characters;
#   - %%CreationDate: lines (EPS) and # CreationDate lines (gif scripts) lose
#     their date.
# Nothing else was found to vary between two runs of the same binary.
#
# -to graphic runs under a pseudo-terminal of 40 lines and 120 columns with
# TERM=xterm-256color; whenever the viewer has been silent for 0.2 s it gets
# the key g (go on without stopping; also answers [more]). What it wrote to the
# terminal is compared byte for byte like standard output: two runs of the
# same binary write the same bytes, whatever the timing of the keys, because
# the terminal does not echo them.
#
# A run taking longer than $KG_COMPARE_TIMEOUT seconds (default 300) is
# killed; timeout's status 124 is then compared like any other.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd -P)
all_formats="pstex tex ascii graphic gif html null sgf sf db"

usage() {
  sed -n '/^# Usage:/,/^# a summary/s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

jobs=$(nproc) formats=$all_formats extra_words="" keep=""
while getopts "j:f:o:k:h" opt; do
  case $opt in
    j) jobs=$OPTARG ;;
    f) formats=${OPTARG//,/ } ;;
    o) extra_words=$OPTARG ;;
    k) keep=$OPTARG ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
(($# == 2 || $# == 3)) || usage
[[ $jobs =~ ^[1-9][0-9]*$ ]] || { echo "-j wants a positive number" >&2; exit 2; }
formats_list=()
for fmt in $formats; do
  [[ " $all_formats " == *" $fmt "* ]] || { echo "unknown format: $fmt" >&2; exit 2; }
  [[ " ${formats_list[*]} " == *" $fmt "* ]] || formats_list+=("$fmt")
done
((${#formats_list[@]})) || usage
for side in 1 2; do
  bin=${!side}
  [[ -f $bin && -x $bin ]] || { echo "not an executable file: $bin" >&2; exit 2; }
done
OLD=$(readlink -f "$1") NEW=$(readlink -f "$2")
corpus=$(readlink -f "${3:-$root/../shared/corpus/sgf}")
[[ -d $corpus ]] || { echo "no such directory: $corpus" >&2; exit 2; }
read -ra extra <<< "$extra_words"
if [[ -n $keep ]]; then
  mkdir -p "$keep" && keep=$(cd "$keep" && pwd -P) || exit 2
fi

ppm=${KG_PPM:-}
if [[ -z $ppm ]]; then
  for dir in "$root"/build/share/ppm "$root"/build*/share/ppm; do
    [[ -d $dir ]] && ppm=$dir && break
  done
fi
ppm_opt=()
[[ -n $ppm ]] && ppm_opt=(-ppm "$(readlink -f "$ppm")")

# pyenv and similar shims cost a shell per call; call the interpreter itself.
python=$(python3 -c 'import sys; print(sys.executable)') || { echo "python3 is needed" >&2; exit 2; }

mapfile -d '' records < <(find "$corpus" -type f -iname '*.sgf' -print0 | LC_ALL=C sort -z)
((${#records[@]})) || { echo "no SGF files under $corpus" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kg-compare-XXXXXX") || exit 2
scratch=$(cd "$scratch" && pwd -P)
monitor=
trap '[[ -n $monitor ]] && kill "$monitor" 2>/dev/null; rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM
mkdir "$scratch/results"

# The viewer under a pseudo-terminal: pty.py TIMEOUT TERMINAL-OUT STDERR-OUT
# BIN ARGS...; prints the status (or "timeout").
cat > "$scratch/pty.py" <<'PY'
import errno, fcntl, os, select, struct, subprocess, sys, termios, time

timeout, out_path, err_path, binary = float(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
master, slave = os.openpty()
fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 40, 120, 0, 0))
# No echo: a key sent before the viewer takes the terminal over would
# otherwise show up in the output, or not, by timing.
attrs = termios.tcgetattr(slave)
attrs[3] &= ~termios.ECHO
termios.tcsetattr(slave, termios.TCSANOW, attrs)


def take_terminal():
    os.setsid()
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)


with open(err_path, "wb") as err:
    child = subprocess.Popen(["kifugram"] + sys.argv[5:], executable=binary, stdin=slave,
                             stdout=slave, stderr=err, preexec_fn=take_terminal)
os.close(slave)
out, deadline, timed_out = bytearray(), time.monotonic() + timeout, False
while True:
    left = deadline - time.monotonic()
    if left <= 0:
        timed_out = True
        os.killpg(child.pid, 9)  # its own session: whatever it started goes too
        break
    if not select.select([master], [], [], min(left, 0.2))[0]:
        if child.poll() is None:
            os.write(master, b"g")  # silent and alive: it waits for a key
        continue
    try:
        chunk = os.read(master, 65536)
    except OSError as e:  # EIO: every end of the terminal is closed
        if e.errno != errno.EIO:
            raise
        chunk = b""
    if not chunk:
        break
    out += chunk
status = child.wait()
with open(out_path, "wb") as f:
    f.write(out)
print("timeout" if timed_out else status if status >= 0 else "signal %d" % -status)
PY

# Where two files first differ: line, column and both lines around it.
cat > "$scratch/where.py" <<'PY'
import sys

a, b = (open(p, "rb").read() for p in sys.argv[1:3])
n = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
if b"\0" in a or b"\0" in b:
    print("byte %d (binary; sizes %d, %d)" % (n + 1, len(a), len(b)))
    sys.exit()
start = max(a.rfind(b"\n", 0, n), -1) + 1
line, col = a.count(b"\n", 0, start) + 1, n - start


def around(data):
    if start >= len(data):
        return "<end of file>"
    end = data.find(b"\n", start)
    text = data[start:end if end >= 0 else len(data)]
    lo = max(0, col - 40)
    shown = text[lo:lo + 100].decode("utf-8", "backslashreplace")
    return repr(shown)[1:-1] + ("..." if lo + 100 < len(text) else "")


print("line %d col %d: old '%s' new '%s'" % (line, col + 1, around(a), around(b)))
PY

# Process starts are most of the cost of a pair; the functions below start
# as few as they can (no command substitutions, globs instead of find).

# Runs one binary: run_one DIR BIN FORMAT RECORD. Leaves DIR/run (the working
# directory, -tmp inside), DIR/stdout, DIR/stderr and DIR/status.
run_one() {
  local dir=$1 bin=$2 fmt=$3 record=$4
  local args=(-to "$fmt" -tmp "$dir/run/tmp" "${PPM_OPT[@]}" "${EXTRA[@]}" "$record")
  if [[ $fmt == graphic ]]; then
    (cd "$dir/run" && TERM=xterm-256color exec "$PYTHON" "$SCRATCH/pty.py" "$TIMEOUT" \
      "$dir/stdout" "$dir/stderr" "$bin" "${args[@]}" < /dev/null > "$dir/status" 2>&1)
  else
    (cd "$dir/run" && exec timeout -k 5 "$TIMEOUT" bash -c 'exec -a kifugram "$@"' kifugram \
      "$bin" "${args[@]}" < /dev/null > "$dir/stdout" 2> "$dir/stderr")
    echo $? > "$dir/status"
  fi
}

# Normalises the outputs of both runs of pair DIR in place.
normalise() {
  local dir=$1 path paths=() files=() i
  paths=("$dir"/old/run/**/kifugram-?????? "$dir"/new/run/**/kifugram-??????)
  for ((i = ${#paths[@]} - 1; i >= 0; i--)); do
    path=${paths[i]}
    # A second such directory in one run would collide; left as it is, it
    # then shows as a difference.
    [[ ${path##*/} =~ ^kifugram-[A-Za-z0-9]{6}$ && ! -e ${path%/*}/kifugram-XXXXXX ]] &&
      mv "$path" "${path%/*}/kifugram-XXXXXX"
  done
  for path in "$dir"/old/** "$dir"/new/**; do
    [[ -f $path && ! -L $path ]] && files+=("$path")
  done
  # The work directories' names are plain ([A-Za-z0-9/_-] under $SCRATCH).
  LC_ALL=C sed -i -E \
    -e "s|$SCRATCH_RE/$2/old/run|@WORK@|g" -e "s|$SCRATCH_RE/$2/new/run|@WORK@|g" \
    -e 's/kifugram-[A-Za-z0-9]{6}\b/kifugram-XXXXXX/g' \
    -e 's/^%%CreationDate:.*/%%CreationDate: @DATE@/' \
    -e 's/^# CreationDate.*/# CreationDate @DATE@/' "${files[@]}"
}

# Sets difference to the first difference of pair DIR (format FORMAT): status
# first, then standard output (the terminal for graphic), standard error and
# the files by name; empty if none.
first_difference() {
  local old=$1/old new=$1/new line rel best="" best_rel="" key best_key=9 what a b
  difference=
  while IFS= read -r line; do
    case $line in
      "Only in $old"*) rel=${line#"Only in $old"} what="only in old" ;;
      "Only in $new"*) rel=${line#"Only in $new"} what="only in new" ;;
      "Files $old/"*) rel=${line#"Files $old/"} rel=${rel%% and "$new/"*} what=differ ;;
      "File $old/"*) rel=${line#"File $old/"} rel=${rel%% is a *} what="of another type" ;;
      *) rel=$line what="(diff: $line)" ;;
    esac
    rel=${rel/: //} rel=${rel#/}
    case $rel in
      status) key=0 ;; stdout) key=1 ;; stderr) key=2 ;; *) key=3 ;;
    esac
    if ((key < best_key)) || { ((key == best_key)) && [[ $rel < $best_rel ]]; }; then
      best=$what best_rel=$rel best_key=$key
    fi
  done < <(LC_ALL=C diff -rq "$old" "$new")
  [[ -n $best_rel ]] || return 0
  local label=$best_rel
  [[ $best_rel == run/* ]] && label="file ${best_rel#run/}"
  [[ $best_rel == stdout && $2 == graphic ]] && label=terminal
  if [[ $best_rel == status ]]; then
    read -r a < "$old/status"
    read -r b < "$new/status"
    difference="status $a -> $b"
  elif [[ $best == differ ]]; then
    difference="$label $("$PYTHON" "$SCRATCH/where.py" "$old/$best_rel" "$new/$best_rel")"
  else
    difference="$label $best"
  fi
}

# One (record, format) pair: job ID FORMAT RECORD.
job() {
  local id=$1 fmt=$2 record=$3 dir=$SCRATCH/$1 started=$EPOCHREALTIME status side
  local -a PPM_OPT EXTRA
  eval "PPM_OPT=($PPM_OPT_Q) EXTRA=($EXTRA_Q)"
  shopt -s globstar nullglob dotglob
  mkdir -p "$dir"/{old,new}/run/tmp
  run_one "$dir/old" "$OLD" "$fmt" "$record"
  run_one "$dir/new" "$NEW" "$fmt" "$record"
  normalise "$dir" "$id"
  first_difference "$dir" "$fmt"
  # The pty runner's own failure must not pass for two equal runs.
  for side in old new; do
    status=
    read -r status < "$dir/$side/status"
    [[ $status =~ ^([0-9]+|timeout|signal\ [0-9]+)$ ]] ||
      difference=${difference:-"harness failed for $side: $status"}
  done
  local rel=${record#"$CORPUS"/} us=$((${EPOCHREALTIME/[.,]/} - ${started/[.,]/})) elapsed
  printf -v elapsed '%d.%06d' $((us / 1000000)) $((us % 1000000))
  if [[ -n $difference ]]; then
    if [[ -n $KEEP ]]; then
      mkdir -p "$KEEP/$fmt/$rel" && cp -a "$dir/old" "$dir/new" "$KEEP/$fmt/$rel/"
    fi
    printf '%s\t%s\tDIFF\t%s\t%s\n' "$fmt" "$rel" "$elapsed" "${difference//[$'\n\t']/ }" \
      > "$SCRATCH/results/$id"
  else
    printf '%s\t%s\tSAME\t%s\n' "$fmt" "$rel" "$elapsed" > "$SCRATCH/results/$id"
  fi
  rm -rf "$dir"
}

TIMEOUT=${KG_COMPARE_TIMEOUT:-300}
[[ $TIMEOUT =~ ^[1-9][0-9]*$ ]] || { echo "KG_COMPARE_TIMEOUT wants seconds" >&2; exit 2; }
# Only what the runs need reaches them, the same for both binaries.
while IFS= read -r var; do
  case $var in PATH | HOME) ;; *) unset "$var" 2> /dev/null ;; esac
done < <(compgen -e)
export TZ=UTC LC_ALL=C.UTF-8 SGFPROLOG=$root/share/ps/gopro.eps SGFMACROS=$root/share/sty
export OLD NEW TIMEOUT PYTHON=$python SCRATCH=$scratch CORPUS=$corpus KEEP=$keep
SCRATCH_RE=$(printf '%s' "$scratch" | sed 's/[][\\.*^$|+?(){}]/\\&/g')
export SCRATCH_RE
export PPM_OPT_Q="${ppm_opt[*]@Q}" EXTRA_Q="${extra[*]@Q}"
export -f run_one normalise first_difference job

total=$((${#records[@]} * ${#formats_list[@]}))
echo "comparing $OLD (old) with $NEW (new): ${#records[@]} records of $corpus," \
  "formats ${formats_list[*]}, $jobs at once${ppm:+, tiles $ppm}${extra_words:+, options $extra_words}"
if [[ -t 2 ]]; then
  (while sleep 5; do
    printf '\r%d/%d' "$(find "$scratch/results" -type f | wc -l)" "$total" >&2
  done) &
  monitor=$!
fi
started=$SECONDS
id=0
for record in "${records[@]}"; do
  for fmt in "${formats_list[@]}"; do
    printf '%s\0%s\0%s\0' $((++id)) "$fmt" "$record"
  done
done | xargs -0 -n 3 -P "$jobs" bash -c 'job "$@"' job
if [[ -n $monitor ]]; then
  kill "$monitor" 2> /dev/null
  wait "$monitor" 2> /dev/null
  monitor=
  printf '\r' >&2
fi

find "$scratch/results" -type f -exec cat {} + > "$scratch/all"
LC_ALL=C awk -F '\t' -v formats="${formats_list[*]}" -v total=$total -v secs=$((SECONDS - started)) '
  BEGIN { n = split(formats, order, " ") }
  { runs[$1]++; time[$1] += $4; done++ }
  $3 == "SAME" { same[$1]++; alike++ }
  $3 == "DIFF" { differ[$1]++; print "DIFF " $1 " " $2 ": " $5 | "LC_ALL=C sort -k3,3 -k2,2" }
  END {
    close("LC_ALL=C sort -k3,3 -k2,2")
    if (done < total) print "only " done " of " total " runs finished"
    printf "%d runs, %d identical, %d differing (%d s)\n", done, alike, done - alike, secs
    for (i = 1; i <= n; i++) {
      f = order[i]
      printf "  %-8s %5d runs, %5d identical, %5d differing, %8.1f s run time\n",
        f, runs[f], same[f], differ[f], time[f]
    }
  }' "$scratch/all"
[[ $(wc -l < "$scratch/all") -eq $total ]] && ! grep -q $'\tDIFF\t' "$scratch/all"
