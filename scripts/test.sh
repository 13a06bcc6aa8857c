#!/usr/bin/env bash
# Builds kifugram three ways and runs every test:
#   build/       normal Release build: unit tests, golden runs, corpus runs
#   build-asan/  the same under AddressSanitizer + UndefinedBehaviorSanitizer
#   build-fuzz/  libFuzzer targets (clang), replayed over their saved corpora
#   build-deb/   the Debian package, installed and tried (check-install.sh)
# Exits non-zero when anything fails; ends with ctest's summaries.
set -euo pipefail
cd "$(dirname "$0")/.."

# netpbm runs the gif pictures; xfonts-base and zlib give the tiles' glyphs;
# chromium opens the web pages; xfonts-utils make the viewer's board font a
# PCF font, which xterm shows under Xvfb (xwd takes the screenshot).
scripts/deps.sh cmake:cmake ninja-build:ninja g++:g++ clang:clang++ libgtest-dev \
  libbenchmark-dev libncurses-dev libuchardet-dev python3:python3 tmux:tmux netpbm:pamtogif xfonts-base zlib1g-dev \
  chromium xfonts-utils:bdftopcf xvfb:Xvfb xterm:xterm x11-apps:xwd
# LaTeX for the TeX documents: the go package's fonts (texlive-games), a4 and
# a4wide (latex-recommended, latex-extra), METAFONT (texlive-binaries) for
# the 8 pt go fonts; dvips, Ghostscript and poppler for the PostScript books.
scripts/deps.sh texlive-latex-base texlive-latex-recommended texlive-latex-extra texlive-games \
  texlive-binaries ghostscript:gs poppler-utils:pdfinfo
# sgf2dg reads the SGF -to sgf writes; make builds the reference SGF checker.
scripts/deps.sh sgf2dg:sgf2dg make:make

# Install and package checks, the manual page: cpack's dpkg-shlibdeps, man, groff.
scripts/deps.sh dpkg-dev:dpkg-shlibdeps man-db:man groff-base:groff

jobs=${KG_JOBS:-2}
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
failed=()

configure_and_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" || return 1
  ninja -j"$jobs" -C "$dir" || return 1
}

run_ctest() {
  local dir=$1
  (cd "$dir" && ctest --output-on-failure -j"$jobs") 2>&1 | tee "$logs/$dir.log"
  return "${PIPESTATUS[0]}"
}

replay_fuzz_corpora() {
  local bin name corpus status=0 found=0
  for bin in build-fuzz/fuzz/fuzz_*; do
    [[ -f $bin && -x $bin ]] || continue
    found=1
    name=$(basename "$bin")
    corpus=
    for candidate in "fuzz/corpus/$name" "fuzz/corpus/${name#fuzz_}"; do
      [[ -d $candidate ]] && corpus=$candidate && break
    done
    if [[ -z $corpus ]]; then
      echo "$name: built (no saved corpus)"
      continue
    fi
    if "$bin" -runs=0 "$corpus" >"$logs/$name.log" 2>&1; then
      echo "$name: replayed $(find "$corpus" -type f | wc -l) inputs of $corpus"
    else
      echo "$name: FAILED on $corpus"
      tail -n 40 "$logs/$name.log"
      status=1
    fi
  done
  ((found)) || echo "no fuzz targets yet"
  return "$status"
}

echo "==> fuzz targets (clang, build-fuzz/)"
if CXX=clang++ configure_and_build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
     -DKG_FUZZ=ON -DKG_TESTS=OFF -DKG_BENCH=OFF; then
  replay_fuzz_corpora || failed+=("fuzz replay")
else
  failed+=("fuzz build")
fi

echo "==> normal build (build/)"
if configure_and_build build -DCMAKE_BUILD_TYPE=Release -DKG_TESTS=ON -DKG_BENCH=ON -DKG_SANITIZE=OFF; then
  run_ctest build || failed+=("tests in build/")
  echo "==> install into a DESTDIR, Debian package, installed example (build-deb/)"
  scripts/check-install.sh || failed+=("install and package")
else
  failed+=("build/")
fi

echo "==> sanitizer build (build-asan/)"
if configure_and_build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKG_TESTS=ON -DKG_SANITIZE=ON; then
  run_ctest build-asan || failed+=("tests in build-asan/")
else
  failed+=("build-asan/")
fi

echo
for dir in build build-asan; do
  [[ -f $logs/$dir.log ]] || continue
  echo "==> $dir:"
  sed -n '/tests passed, /,$p' "$logs/$dir.log"
done
if ((${#failed[@]})); then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
