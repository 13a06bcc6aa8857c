#!/usr/bin/env bash
# Remakes the pictures of the README's gallery, doc/gallery/*.png, from the
# example game with the tools the tests use: kifugram-book and pdftoppm (a
# page of the book), netpbm (a GIF figure), headless chromium (an HTML page)
# and tmux (the terminal viewer, laid out as a page for chromium to take).
# The support files come from share/ and the build's tiles, not an install.
# Usage: scripts/gallery.sh [build dir]   (default: build)
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

# The terminal viewer at the example's second figure, in a 72 x 14 tmux
# pane; standout (reverse video for xterm-256color) stays reverse video.
screen() {
  local pane=kg-gallery-$$ i
  tmux -L "$pane" new-session -d -x 72 -y 14 \
    "env TERM=xterm-256color $kifugram -to graphic $example; sleep 60"
  for i in 1; do
    sleep 1
    tmux -L "$pane" send-keys n
  done
  sleep 1
  tmux -L "$pane" capture-pane -p -e >"$work/screen.txt"
  tmux -L "$pane" kill-server
  python3 - "$work/screen.txt" >"$work/screen.html" <<'PY'
import html, re, sys
text = open(sys.argv[1], encoding="utf-8", errors="replace").read().rstrip("\n")
reverse, out = False, []
for piece in re.split(r"(\x1b\[[0-9;]*m)", text):
    if piece.startswith("\x1b["):
        codes = piece[2:-1].split(";")
        if "7" in codes or "3" in codes:
            reverse = True
        elif codes in (["0"], [""], ["27"], ["23"]):
            reverse = False
        continue
    for line_piece in re.split(r"(\n)", piece):
        if line_piece == "\n" or not reverse:
            out.append(html.escape(line_piece))
        else:
            out.append('<span class="r">%s</span>' % html.escape(line_piece))
print("""<!DOCTYPE html><html><head><meta charset="utf-8"><style>
body { margin: 0; background: #1e1e1e; }
pre { margin: 0; padding: 8px 10px; color: #e0e0e0; font: 15px/18px "DejaVu Sans Mono", monospace; }
.r { background: #e0e0e0; color: #1e1e1e; }
</style></head><body><pre>%s</pre></body></html>""" % "".join(out))
PY
  shot "$work/screen.html" "$out/screen.png" 670 270
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

for part in book gif html screen; do
  echo "==> $part"
  "$part"
done
ls -l "$out"
