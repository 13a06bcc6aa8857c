#!/usr/bin/env bash
# Builds kifugram (Release, in build/) and prints the bundled example game as
# text diagrams.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh cmake:cmake ninja-build:ninja g++:g++ libncurses-dev

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKG_TESTS=OFF -DKG_BENCH=OFF
ninja -j"${KG_JOBS:-2}" -C build kifugram

echo
echo "\$ build/kifugram -to ascii examples/example-9x9.sgf"
exec build/kifugram -to ascii examples/example-9x9.sgf
