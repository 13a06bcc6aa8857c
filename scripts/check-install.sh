#!/usr/bin/env bash
# Checks what users get: installs build/ into a DESTDIR and looks at the
# files; builds the Debian package (build-deb/, prefix /usr), installs it
# with apt-get and runs the bundled example through the installed files
# only; then removes the package again. Needs root (or sudo) for apt-get.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd -P)
jobs=${KG_JOBS:-2}
problems=0
problem() {
  echo "FAIL: $*"
  problems=$((problems + 1))
}
work=$(mktemp -d /tmp/kg-install-XXXXXX)
cleanup() {
  rm -rf "$work"
  if dpkg-query -W -f='${Status}' kifugram 2>/dev/null | grep -q 'install ok installed'; then
    "${sudo[@]}" apt-get remove -y -o DPkg::Lock::Timeout=600 kifugram >/dev/null 2>&1
  fi
}
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
trap cleanup EXIT

# What the program needs of an installed tree, relative to the prefix.
installed_files=(
  bin/kifugram
  bin/kifugram-book
  bin/kifugram-batch
  share/man/man1/kifugram.1.gz
  share/man/man1/kifugram-book.1.gz
  share/man/man1/kifugram-batch.1.gz
  share/doc/kifugram/examples/example-9x9.sgf
  lib/kifugram/lib/ps/gopro.eps
  lib/kifugram/lib/sty/sgf.sty
  lib/kifugram/lib/sty/go8.mf
  share/texmf/tex/latex/kifugram/sgf.sty
  share/texmf/fonts/source/kifugram/go8.mf
  lib/kifugram/ppm/15/n/ul
  lib/kifugram/ppm/19/n/ul
  lib/kifugram/ppm/23/n/ul
  lib/kifugram/fonts/kifugram-board.bdf
)
# The go fonts' metrics are made when METAFONT is there, the board font's
# PCF form and font directory when xfonts-utils are.
command -v mf >/dev/null && installed_files+=(share/texmf/fonts/tfm/kifugram/go8.tfm lib/kifugram/lib/sty/go8.tfm)
command -v bdftopcf >/dev/null && command -v mkfontdir >/dev/null &&
  installed_files+=(lib/kifugram/fonts/kifugram-board.pcf lib/kifugram/fonts/fonts.dir
    lib/kifugram/fonts/fonts.alias)

check_tree() { # root of the installed tree, prefix
  local root=$1 prefix=$2 file
  for file in "${installed_files[@]}"; do
    [[ -s $root$prefix/$file ]] || problem "$prefix/$file is not installed"
    [[ $file != bin/* || -x $root$prefix/$file ]] || problem "$prefix/$file is not executable"
  done
  local stray
  stray=$(cd "$root" && find . ! -type d ! -path ".$prefix/*" | head -n 5)
  [[ -z $stray ]] || problem "installed outside $prefix: $stray"
  local warnings
  warnings=$(MANWIDTH=80 man --warnings -l "$root$prefix/share/man/man1/kifugram.1.gz" 2>&1 >/dev/null)
  [[ -z $warnings ]] || problem "the installed manual page warns: $warnings"
  "$root$prefix/bin/kifugram" -help 2>&1 | grep -q "$prefix/lib/kifugram/lib/sty" ||
    problem "$prefix/bin/kifugram -help does not show the support files under $prefix/lib/kifugram"
}

echo "==> cmake --install build into a DESTDIR"
DESTDIR=$work/destdir cmake --install build >/dev/null
check_tree "$work/destdir" /usr/local

echo "==> the Debian package (build-deb/, prefix /usr)"
rm -f build-deb/kifugram_*.deb
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DKG_TESTS=OFF -DKG_BENCH=OFF >/dev/null
ninja -j"$jobs" -C build-deb >/dev/null
(cd build-deb && cpack -G DEB) >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(echo build-deb/kifugram_*.deb)
[[ -f $deb ]] || { echo "FAIL: cpack made no package"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
suggests=$(dpkg-deb -f "$deb" Suggests)
echo "$deb"
echo "  Depends: $depends"
echo "  Suggests: $suggests"
[[ $depends == *netpbm* ]] || problem "the package does not depend on netpbm"
# A program linked with shared libraries depends on their packages.
if objdump -p build-deb/kifugram | grep -q NEEDED; then
  [[ $depends == *libc6* ]] || problem "the package does not depend on libc6"
fi
for want in texlive-latex-base texlive-games ghostscript; do
  [[ $suggests == *"$want"* ]] || problem "the package does not suggest $want"
done
mkdir "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
check_tree "$work/unpacked" /usr

echo "==> apt-get install ./$deb"
if [[ $(id -u) -ne 0 ]] && ! command -v sudo >/dev/null; then
  echo "not root and no sudo: the package is not installed"
else
  # Another apt-get at work (an unattended upgrade) is waited for.
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "./$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; exit 1; }
  # The installed files only: a bare environment, an empty directory, and a
  # program that names nothing of this tree.
  run() { (cd "$work/run" && env -i PATH=/usr/bin:/bin HOME="$work/run" LC_ALL=C "$@"); }
  mkdir "$work/run"
  example=/usr/share/doc/kifugram/examples/example-9x9.sgf
  grep -qF "$top" /usr/bin/kifugram && problem "/usr/bin/kifugram names the source tree $top"
  run kifugram -to ascii "$example" >"$work/run/example.txt" 2>/dev/null ||
    problem "kifugram -to ascii $example failed"
  build/kifugram -to ascii examples/example-9x9.sgf 2>/dev/null | cmp -s - "$work/run/example.txt" ||
    problem "the installed kifugram draws the example differently"
  [[ $(run man -w kifugram) == /usr/share/man/man1/kifugram.1.gz ]] || problem "man does not find kifugram(1)"
  run kifugram-batch -j 2 sgf /usr/share/doc/kifugram/examples "$work/run/batch" 2>/dev/null ||
    problem "kifugram-batch failed on the examples"
  [[ -s $work/run/batch/example-9x9.sgf ]] || problem "kifugram-batch made no example-9x9.sgf"
  if command -v latex >/dev/null && command -v ps2pdf >/dev/null; then
    # The prolog and the style of the book come from /usr/lib/kifugram.
    run kifugram-book "$example" >/dev/null 2>"$work/book.log" ||
      problem "kifugram-book failed on the installed example: $(cat "$work/book.log")"
    [[ $(pdfinfo "$work/run/example-9x9.pdf" 2>/dev/null | sed -n 's/^Pages: *//p') -ge 2 ]] ||
      problem "kifugram-book made no book of the installed example"
    # The style and the go fonts come from the package's TeX tree.
    run kifugram -to tex -output example.tex "$example" 2>/dev/null &&
      run latex -interaction=batchmode -halt-on-error example.tex >/dev/null 2>&1 ||
      problem "LaTeX cannot compile the -to tex document of the installed example"
  fi
  # The GIF pictures and the pages, with the package's tiles and netpbm.
  run kifugram -to html "$example" >/dev/null 2>"$work/html.log" ||
    problem "kifugram -to html failed on the installed example: $(cat "$work/html.log")"
  [[ -s $work/run/example-9x9.html && $(head -c 4 "$work/run/example-9x9-f01.gif" 2>/dev/null) == GIF8 ]] ||
    problem "kifugram -to html made no pages or pictures of the installed example: $(cat "$work/html.log")"
  echo "the installed kifugram drew $example ($(wc -l <"$work/run/example.txt") lines)"
fi

((problems == 0)) || exit 1
echo "install, package and installed example: all checks passed"
