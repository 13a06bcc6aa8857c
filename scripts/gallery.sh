#!/usr/bin/env bash
# Remakes the pictures of the README's gallery, doc/gallery/*.png, from the
# example game with the tools the tests use: kifugram-book and pdftoppm (a
# page of the book), netpbm (a GIF figure), headless chromium (an HTML page)
# and xterm under Xvfb (the terminal viewer).
# The support files come from share/ and the build's tiles, not an install.
# Usage: scripts/gallery.sh [build dir [part...]]   (default: build, every
# part: book gif html screen)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd -P)
build=$(readlink -f "${1:-build}")
kifugram=$build/kifugram
out=$top/doc/gallery
example=$top/examples/example-9x9.sgf
export SGFPROLOG=$top/share/ps/gopro.eps SGFMACROS=$top/share/sty
mkdir -p "$out"
work=$(mktemp -d /tmp/kg-gallery-XXXXXX)
trap 'tmux -L kg-gallery-$$ kill-server 2>/dev/null || true; rm -rf "$work"' EXIT

shot() { # page, png, width, height
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --screenshot="$2" --window-size="$3,$4" "file://$1" >/dev/null 2>&1
  [[ -s $2 ]] || { echo "chromium made no $2" >&2; return 1; }
}

# The terminal viewer at the example's second figure, as xterm shows it
# (under Xvfb, the 9x18 misc-fixed font, 256 colours, C.UTF-8): the viewer
# runs in a 72 x 14 tmux pane that xterm shows and tmux sends the keys to.
screen() {
  local pane=kg-gallery-$$ display font=-misc-fixed-medium-r-normal--18-120-100-100-c-90-iso10646-1
  Xvfb -displayfd 3 -screen 0 800x400x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  local server=$!
  until [[ -s $work/display ]]; do sleep 0.1; done
  display=:$(head -n 1 "$work/display")
  printf 'set -g status off\n' >"$work/tmux.conf"
  tmux -L "$pane" -f "$work/tmux.conf" new-session -d -x 72 -y 14 \
    "env TERM=xterm-256color LANG=C.UTF-8 $kifugram -to graphic $example; sleep 60"
  DISPLAY=$display LANG=C.UTF-8 xterm -b 0 -bw 0 -geometry 72x14+0+0 -tn xterm-256color \
    -fn "$font" -bg '#1e1e1e' -fg '#e0e0e0' -e tmux -L "$pane" attach 2>/dev/null &
  local term=$!
  sleep 1.5
  tmux -L "$pane" send-keys n
  sleep 1
  DISPLAY=$display xwd -root -silent | xwdtopnm 2>/dev/null |
    pamcut -left 0 -top 0 -width $((72 * 9)) -height $((14 * 18)) | pnmtopng -compression 9 >"$out/screen.png"
  kill "$term" 2>/dev/null || true
  tmux -L "$pane" kill-server
  kill "$server"
  wait "$server" 2>/dev/null || true
}

# The first page of the example's book.
book() {
  (cd "$work" && KIFUGRAM=$kifugram "$build/kifugram-book" "$example" >/dev/null)
  pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$work/example-9x9.pdf" "$out/book"
}

# A GIF figure in the largest tiles, and a web page with its picture.
gif() {
  mkdir "$work/gif"
  (cd "$work/gif" && "$kifugram" -to gif -fontsize 23 -ppm "$build/share/ppm" "$example" 2>/dev/null)
  giftopnm "$work/gif/example-9x9-f01.gif" | pnmtopng -compression 9 >"$out/gif.png"
}
html() {
  mkdir "$work/html"
  (cd "$work/html" && "$kifugram" -to html -ppm "$build/share/ppm" "$example" 2>/dev/null)
  shot "$work/html/example-9x9-f01.html" "$out/html.png" 640 540
}

parts=("${@:2}")
((${#parts[@]})) || parts=(book gif html screen)
for part in "${parts[@]}"; do
  echo "==> $part"
  "$part"
done
ls -l "$out"
