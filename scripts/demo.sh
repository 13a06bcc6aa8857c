#!/usr/bin/env bash
# Builds kifugram (Release, in build/), installs it under /usr/local, prints
# the bundled example game as text diagrams and makes its book,
# build/example-9x9.pdf, with the installed kifugram-book (LaTeX, dvips and
# ps2pdf; the prolog and style are the installed ones).
set -euo pipefail
cd "$(dirname "$0")/.."

# netpbm, xfonts-base and zlib: the GIF tiles that the install carries;
# xfonts-utils: the PCF form of the viewer's board font.
scripts/deps.sh cmake:cmake ninja-build:ninja g++:g++ libncurses-dev libuchardet-dev \
  ghostscript:ps2pdf texlive-latex-base:latex texlive-latex-recommended texlive-latex-extra \
  texlive-games netpbm:pamtogif xfonts-base zlib1g-dev xfonts-utils:bdftopcf

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKG_TESTS=OFF -DKG_BENCH=OFF
ninja -j"${KG_JOBS:-2}" -C build

echo
echo "\$ cmake --install build"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
"${sudo[@]}" cmake --install build | grep -v '^-- Up-to-date:'
bin=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' build/CMakeCache.txt)/bin

echo
echo "\$ $bin/kifugram -to ascii examples/example-9x9.sgf"
"$bin/kifugram" -to ascii examples/example-9x9.sgf

echo
echo "\$ cd build && $bin/kifugram-book ../examples/example-9x9.sgf"
unset SGFPROLOG SGFMACROS
cd build
"$bin/kifugram-book" ../examples/example-9x9.sgf
echo "The book of the example game: build/example-9x9.pdf"
