#!/usr/bin/env bash
# Builds kifugram (Release, in build/), prints the bundled example game as
# text diagrams and makes its book, build/example-9x9.pdf, with kifugram-book
# (LaTeX, dvips and ps2pdf; the prolog and style come from share/).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh cmake:cmake ninja-build:ninja g++:g++ libncurses-dev \
  ghostscript:ps2pdf texlive-latex-base:latex texlive-latex-recommended texlive-latex-extra \
  texlive-games

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKG_TESTS=OFF -DKG_BENCH=OFF
ninja -j"${KG_JOBS:-2}" -C build kifugram

echo
echo "\$ build/kifugram -to ascii examples/example-9x9.sgf"
build/kifugram -to ascii examples/example-9x9.sgf

echo
echo "\$ cd build && ./kifugram-book ../examples/example-9x9.sgf"
export SGFPROLOG=$PWD/share/ps/gopro.eps SGFMACROS=$PWD/share/sty
cd build
./kifugram-book ../examples/example-9x9.sgf
echo "The book of the example game: build/example-9x9.pdf"
