// Draws the tile library of the gif output: square 16-bit PPM tiles at 15,
// 19 and 23 pixels, named as the picture scripts name them. Every pixel is
// one of five placeholder colours that the scripts map to the user's
// colours, so the tiles know nothing of the final palette. Glyphs come from
// the X misc-fixed bitmap fonts (Debian's xfonts-base). With -font it draws
// the terminal viewer's board font from the same shapes instead.
//
// Usage: make_tiles FONT_DIR OUT_DIR
//        make_tiles -font FONT_DIR OUT.bdf
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/gif_tiles.h"
#include "tiles/shapes.h"

namespace {

using namespace kg_tiles;

struct Ink {
  int x0 = 1 << 20, y0 = 1 << 20, x1 = -(1 << 20), y1 = -(1 << 20);
  std::vector<std::pair<int, int>> pixels;
  int width() const { return x1 - x0 + 1; }
  int height() const { return y1 - y0 + 1; }
};

// The ink of a text set on one baseline; none when a glyph is missing.
bool set_text(const Font& font, const std::string& text, Ink& ink) {
  int pen = 0;
  for (unsigned char ch : text) {
    const Glyph* g = font.glyph(ch);
    if (!g) return false;
    for (int y = 0; y < g->height; ++y)
      for (int x = 0; x < g->width; ++x)
        if (g->ink[static_cast<std::size_t>(y) * g->width + x]) {
          int px = pen + g->left + x, py = y - g->ascent;
          ink.pixels.emplace_back(px, py);
          ink.x0 = std::min(ink.x0, px);
          ink.x1 = std::max(ink.x1, px);
          ink.y0 = std::min(ink.y0, py);
          ink.y1 = std::max(ink.y1, py);
        }
    pen += g->advance;
  }
  return true;
}

// Places the ink centred on the tile; returns the offset used.
std::pair<int, int> centre(const Tile& t, const Ink& ink) {
  return {(t.size() - ink.width()) / 2 - ink.x0, (t.size() - ink.height()) / 2 - ink.y0};
}

void draw_ink(Tile& t, const Ink& ink, Colour c) {
  auto [dx, dy] = centre(t, ink);
  for (auto [x, y] : ink.pixels) t.set(x + dx, y + dy, c);
}

// True when the centred ink keeps clear of the stone's rim.
bool fits_stone(const Tile& t, const Ink& ink) {
  auto [dx, dy] = centre(t, ink);
  double limit = stone_radius(t.size()) - 1.6;
  for (int y = ink.y0; y <= ink.y1; ++y)
    for (int x = ink.x0; x <= ink.x1; ++x)
      if (from_centre(t, x + dx, y + dy) > limit) return false;
  return true;
}

// Fonts by falling size; the first that fits is taken.
struct Fonts {
  std::vector<Font> by_size;
  // The largest font in which every text fits on a stone, so that numbers
  // of the same length share one size.
  const Font& for_stone(int size, const std::vector<std::string>& texts) const {
    Tile probe(size);
    for (const Font& f : by_size) {
      bool all = true;
      for (const auto& text : texts) {
        Ink ink;
        if (!set_text(f, text, ink) || !fits_stone(probe, ink)) {
          all = false;
          break;
        }
      }
      if (all) return f;
    }
    return by_size.back();
  }
  // The largest font in which every text keeps a margin of `margin`
  // pixels in the tile.
  const Font& for_tile(int size, int margin, const std::vector<std::string>& texts) const {
    for (const Font& f : by_size) {
      bool all = true;
      for (const auto& text : texts) {
        Ink ink;
        if (!set_text(f, text, ink) || ink.height() > size - 2 * margin ||
            ink.width() > size - 2 * margin) {
          all = false;
          break;
        }
      }
      if (all) return f;
    }
    return by_size.back();
  }
};

void draw_text(Tile& t, const Font& font, const std::string& text, Colour c) {
  Ink ink;
  if (set_text(font, text, ink) && !ink.pixels.empty()) draw_ink(t, ink, c);
}

// ---- marks -------------------------------------------------------------------

void draw_mark(Tile& t, const std::string& kind, Colour c) {
  const int s = t.size(), m = s / 2;
  const int half = std::max(2, s / 5);  // half the side of a square mark
  if (kind == "s" || kind == "sf") {
    for (int y = m - half; y <= m + half; ++y)
      for (int x = m - half; x <= m + half; ++x)
        if (kind == "sf" || y == m - half || y == m + half || x == m - half || x == m + half)
          t.set(x, y, c);
  } else if (kind == "t" || kind == "tf") {
    // Apex up; the base as wide as the triangle is high.
    const int top = m - half - 1, bottom = m + half;
    const int h = bottom - top;
    for (int y = top; y <= bottom; ++y) {
      int w = (y - top) * (half + 1) / h;
      for (int x = m - w; x <= m + w; ++x)
        if (kind == "tf" || y == bottom || x == m - w || x == m + w) t.set(x, y, c);
    }
  } else if (kind == "p" || kind == "m") {
    for (int i = m - half - 1; i <= m + half + 1; ++i) {
      t.set(i, m, c);
      if (kind == "p") t.set(m, i, c);
    }
  }
}

// ---- the library ---------------------------------------------------------------

void make_size(const Fonts& fonts, int s, const fs::path& out) {
  const Font& letter = fonts.for_tile(s, 2, {"W", "M", "g", "j"});

  // Coordinates: column letters without I, row numbers.
  for (int column = 0; column < 19; ++column) {
    char ch = static_cast<char>('A' + column + (column >= 8 ? 1 : 0));
    Tile t(s, OUTSIDE);
    draw_text(t, letter, std::string(1, ch), BLACK);
    t.write(out / "c" / std::string(1, ch));
  }
  for (int row = 1; row <= 19; ++row) {
    Tile t(s, OUTSIDE);
    std::string text = std::to_string(row);
    const Font& f = row < 10 ? letter : fonts.for_tile(s, 1, {"18", "19"});
    draw_text(t, f, text, BLACK);
    t.write(out / "c" / text);
  }

  // Letters on the board replace the point's lines.
  for (int code = 0; code < 256; ++code) {
    Tile t(s);
    bool visible = code > ' ' && code != 127 && !(code >= 128 && code < 160);
    draw_text(t, letter, std::string(1, static_cast<char>(visible ? code : '?')), BLACK);
    if (code == ' ') t = Tile(s);
    t.write(out / kg::label_tile(code));
  }

  // Empty points.
  struct Point {
    const char* name;
    Lines lines;
  };
  const Point points[] = {
      {"e", {}},
      {"ul", {false, true, false, true}},
      {"ur", {false, true, true, false}},
      {"ll", {true, false, false, true}},
      {"lr", {true, false, true, false}},
      {"l", {true, true, false, true}},
      {"r", {true, true, true, false}},
      {"u", {false, true, true, true}},
      {"d", {true, false, true, true}},
  };
  for (const Point& p : points) {
    Tile t(s);
    draw_grid(t, p.lines);
    t.write(out / "n" / p.name);
  }
  {
    Tile t(s);
    draw_star(t);
    t.write(out / "n" / "h");
  }

  // Stones, plain and numbered.
  Tile black(s), white(s);
  draw_stone(black, BLACK);
  draw_stone(white, WHITE);
  black.write(out / "n" / "b");
  white.write(out / "n" / "w");
  const Font& one = fonts.for_stone(s, {"1", "4", "8"});
  const Font& two = fonts.for_stone(s, {"10", "48", "88", "99"});
  const Font& three = fonts.for_stone(s, {"100"});
  for (int n = 1; n <= 100; ++n) {
    std::string text = std::to_string(n);
    const Font& f = n < 10 ? one : n < 100 ? two : three;
    Tile b = black, w = white;
    draw_text(b, f, text, WHITE);
    draw_text(w, f, text, BLACK);
    b.write(out / "bn" / text);
    w.write(out / "wn" / text);
  }

  // Marks: on a black stone, on a white stone, on an empty point.
  for (const char* kind : {"s", "sf", "t", "tf", "p", "m"}) {
    Tile b = black, w = white, e(s);
    draw_mark(b, kind, WHITE);
    draw_mark(w, kind, BLACK);
    draw_mark(e, kind, BLACK);
    b.write(out / "bm" / kind);
    w.write(out / "wm" / kind);
    e.write(out / "em" / kind);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool font = argc == 4 && std::string(argv[1]) == "-font";
  if (argc != 3 && !font) {
    std::fprintf(stderr, "usage: %s FONT_DIR OUT_DIR\n       %s -font FONT_DIR OUT.bdf\n", argv[0],
                 argv[0]);
    return 2;
  }
  try {
    if (font) {
      write_board_font(Font(fs::path(argv[2]) / "9x18.pcf.gz"), argv[3]);
      return 0;
    }
    const fs::path dir = argv[1], out = argv[2];
    Fonts fonts;
    for (const char* name : {"9x15B", "8x13B", "7x13B", "6x13B", "6x12", "6x10", "6x9", "5x8",
                             "5x7", "4x6"})
      fonts.by_size.emplace_back(dir / (std::string(name) + ".pcf.gz"));
    for (int size : {15, 19, 23}) make_size(fonts, size, out / std::to_string(size));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
