// Draws the tile library of the gif output: square 16-bit PPM tiles at 15,
// 19 and 23 pixels, named as the picture scripts name them. Every pixel is
// one of five placeholder colours that the scripts map to the user's
// colours, so the tiles know nothing of the final palette (the masks that
// lay a mark over a numbered stone, am/ and kh/, are 8-bit PGM). Glyphs
// come from the X misc-fixed bitmap fonts (Debian's xfonts-base). With
// -font it draws the terminal viewer's board font from the same shapes
// instead.
//
// Usage: make_tiles FONT_DIR OUT_DIR
//        make_tiles -font FONT_DIR OUT.bdf
#include <cmath>
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

// True when the centred ink keeps `margin` pixels clear of the stone's rim.
bool fits_stone(const Tile& t, const Ink& ink, double margin) {
  auto [dx, dy] = centre(t, ink);
  double limit = stone_radius(t.size()) - margin;
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
  const Font& for_stone(int size, const std::vector<std::string>& texts,
                        double margin = 1.6) const {
    Tile probe(size);
    for (const Font& f : by_size) {
      bool all = true;
      for (const auto& text : texts) {
        Ink ink;
        if (!set_text(f, text, ink) || !fits_stone(probe, ink, margin)) {
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

// The pixels next to the text's ink (diagonals too) that are not ink: a
// mark or a veil drawn over a number keeps off them, so the digits stay
// whole and apart from it.
std::vector<std::pair<int, int>> text_halo(const Tile& t, const Font& font, const std::string& text) {
  Ink ink;
  std::vector<std::pair<int, int>> out;
  if (!set_text(font, text, ink) || ink.pixels.empty()) return out;
  auto [dx, dy] = centre(t, ink);
  const int s = t.size();
  std::vector<char> inked(static_cast<std::size_t>(s) * s, 0), near(inked.size(), 0);
  auto at = [s](int x, int y) { return static_cast<std::size_t>(y) * s + x; };
  auto inside = [s](int x, int y) { return x >= 0 && y >= 0 && x < s && y < s; };
  for (auto [x, y] : ink.pixels)
    if (inside(x + dx, y + dy)) inked[at(x + dx, y + dy)] = 1;
  for (auto [x, y] : ink.pixels)
    for (int v = -1; v <= 1; ++v)
      for (int u = -1; u <= 1; ++u) {
        int px = x + dx + u, py = y + dy + v;
        if (inside(px, py) && !inked[at(px, py)]) near[at(px, py)] = 1;
      }
  for (int y = 0; y < s; ++y)
    for (int x = 0; x < s; ++x)
      if (near[at(x, y)]) out.emplace_back(x, y);
  return out;
}

// A transparency mask for pamcomp: full where the tile holds BLACK.
void write_mask(const Tile& t, const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) throw std::runtime_error("cannot write " + path.string());
  std::fprintf(out, "P5\n%d %d\n255\n", t.size(), t.size());
  for (int y = 0; y < t.size(); ++y)
    for (int x = 0; x < t.size(); ++x) std::fputc(t.at(x, y) == BLACK ? 255 : 0, out);
  if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + path.string());
}

// A line of one pixel's width between two points given in pixel units from
// the tile's top left corner.
void draw_line(Tile& t, double x0, double y0, double x1, double y1, Colour c) {
  const int steps = 8 * t.size();
  for (int i = 0; i <= steps; ++i) {
    double f = static_cast<double>(i) / steps;
    t.set(static_cast<int>(std::floor(x0 + (x1 - x0) * f)),
          static_cast<int>(std::floor(y0 + (y1 - y0) * f)), c);
  }
}

// A veil of every other pixel in the board's colour over what the tile
// draws: with only the placeholder colours to hand, this is how a stone
// or a line looks fainter.
// A stone keeps its rim, the pixels beside the board: veiled too, it
// frays into a blot, and a white stone all but vanishes.
void dim(Tile& t, bool keep_rim = false) {
  const int s = t.size();
  auto board = [&](int x, int y) { return x < 0 || y < 0 || x >= s || y >= s || t.at(x, y) == BOARD; };
  Tile veiled = t;
  for (int y = 0; y < s; ++y)
    for (int x = 0; x < s; ++x)
      if ((x + y) % 2 != 0 && !(keep_rim && (board(x - 1, y) || board(x + 1, y) ||
                                             board(x, y - 1) || board(x, y + 1))))
        veiled.set(x, y, BOARD);
  t = veiled;
}

// A shade of `level` percent of black over the board's pixels, dithered
// (4x4 ordered), lines and stones left as they are.
void shade(Tile& t, int level) {
  static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  for (int y = 0; y < t.size(); ++y)
    for (int x = 0; x < t.size(); ++x)
      if (t.at(x, y) == BOARD && (bayer[y % 4][x % 4] + 0.5) * 100 < level * 16.0) t.set(x, y, BLACK);
}

// A disc of `radius`, or its rim alone: the pixels of the disc beside one
// outside it, which leaves no gaps in the ring.
void draw_circle(Tile& t, double radius, bool filled, Colour c) {
  auto inside = [&](int x, int y) { return from_centre(t, x, y) <= radius; };
  for (int y = 0; y < t.size(); ++y)
    for (int x = 0; x < t.size(); ++x)
      if (inside(x, y) && (filled || !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) ||
                           !inside(x, y + 1)))
        t.set(x, y, c);
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
  } else if (kind == "c" || kind == "cf") {
    // As wide as the square.
    draw_circle(t, half + 1.0, kind == "cf", c);
  }
}

// Territory as editors mark it: a small square of the owner's colour. A
// white one keeps a black rim so that it shows on the board and on a white
// stone; a black one gets a white rim on a black stone.
void draw_territory(Tile& t, Colour owner, Colour stone) {
  const int m = t.size() / 2, half = std::max(1, t.size() / 8);
  Colour rim = owner == WHITE ? BLACK : stone == BLACK ? WHITE : owner;
  for (int y = m - half - 1; y <= m + half + 1; ++y)
    for (int x = m - half - 1; x <= m + half + 1; ++x) {
      bool edge = y == m - half - 1 || y == m + half + 1 || x == m - half - 1 || x == m + half + 1;
      t.set(x, y, edge ? rim : owner);
    }
}

// A mark drawn round the number of a stone, as large as the stone leaves
// room for; the scripts lay it over numbered stones through this mask and
// then clear the number's halo, so it never runs into the digits. Filled
// kinds share the outlines: a filled shape would hide the number.
// `below` is the first row under every number's halo, where a triangle's
// base still shows.
void draw_mark_around(Tile& t, const std::string& kind, int below) {
  const int s = t.size(), m = s / 2;
  const double r = stone_radius(s), c = s / 2.0;
  if (kind == "s") {
    int half = static_cast<int>(std::floor((r - 1.0) / std::sqrt(2.0)));
    for (int i = m - half; i <= m + half; ++i) {
      t.set(i, m - half, BLACK);
      t.set(i, m + half, BLACK);
      t.set(m - half, i, BLACK);
      t.set(m + half, i, BLACK);
    }
  } else if (kind == "c") {
    draw_circle(t, r - 1.5, false, BLACK);
  } else if (kind == "t") {
    // Apex up, in the circle that keeps off the stone's rim, with its base
    // under the digits: the sides fall mostly into their halos, but the tip
    // above and the base below still make a triangle.
    const double R = r - 1.5, top = c - R;
    const double base = std::max(c + R / 2, below + 0.5);
    const double w = std::min(R * std::sqrt(3.0) / 2, std::sqrt(R * R - (base - c) * (base - c)));
    draw_line(t, c, top, c - w, base, BLACK);
    draw_line(t, c, top, c + w, base, BLACK);
    draw_line(t, c - w, base, c + w, base, BLACK);
  } else if (kind == "p" || kind == "m") {
    const int reach = static_cast<int>(std::floor(r - 1.5));
    for (int i = m - reach; i <= m + reach; ++i) {
      t.set(i, m, BLACK);
      if (kind == "p") t.set(m, i, BLACK);
    }
  }
}

// The name of a shade's tiles, "g0" to "g100".
std::string shade_name(int level) {
  char name[8];
  std::snprintf(name, sizeof name, "g%d", level);
  return name;
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
  // Empty points dimmed, shaded at 0, 10, ... 100 percent, or marked as
  // territory keep their lines: a veil or a territory square is over the
  // point, not a mark in place of it, and a counted board stays a board.
  auto empty_kinds = [&](const char* name, const Tile& t) {
    t.write(out / "n" / name);
    Tile d = t;
    dim(d);
    d.write(out / "dn" / name);
    for (Colour owner : {BLACK, WHITE}) {
      Tile k = t;
      draw_territory(k, owner, BOARD);
      k.write(out / (owner == BLACK ? "tb" : "tw") / name);
    }
    for (int level = 0; level <= 100; level += 10) {
      Tile g = t;
      shade(g, level);
      g.write(out / shade_name(level) / name);
    }
  };
  for (const Point& p : points) {
    Tile t(s);
    draw_grid(t, p.lines);
    empty_kinds(p.name, t);
  }
  {
    Tile t(s);
    draw_star(t);
    empty_kinds("h", t);
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
  // Inside a mark the digits keep off its line by a pixel, but never shrink
  // to the smallest font, whose 8 reads as 3: there the mark gives way.
  auto in_mark = [&](const Font& plain, const std::vector<std::string>& texts) -> const Font& {
    const Font& f = fonts.for_stone(s, texts, 3.2);
    return &f == &fonts.by_size.back() ? plain : f;
  };
  const Font& one_in_mark = in_mark(one, {"1", "4", "8"});
  const Font& two_in_mark = in_mark(two, {"10", "48", "88", "99"});
  const Font& three_in_mark = in_mark(three, {"100"});
  Tile dim_black = black, dim_white = white;
  dim(dim_black, true);
  dim(dim_white, true);
  for (int n = 1; n <= 100; ++n) {
    std::string text = std::to_string(n);
    const Font& f = n < 10 ? one : n < 100 ? two : three;
    Tile b = black, w = white;
    draw_text(b, f, text, WHITE);
    draw_text(w, f, text, BLACK);
    b.write(out / "bn" / text);
    w.write(out / "wn" / text);
    // Smaller, for a mark to go round, with the halo the scripts clear
    // round the digits after laying the mark over the stone.
    const Font& small = n < 10 ? one_in_mark : n < 100 ? two_in_mark : three_in_mark;
    Tile kb = black, kw = white, halo(s);
    draw_text(kb, small, text, WHITE);
    draw_text(kw, small, text, BLACK);
    kb.write(out / "bk" / text);
    kw.write(out / "wk" / text);
    for (auto [x, y] : text_halo(halo, small, text)) halo.set(x, y, BLACK);
    write_mask(halo, out / "kh" / text);
    // Dimmed, the number stays solid on its own ground.
    Tile db = dim_black, dw = dim_white;
    for (auto [x, y] : text_halo(db, f, text)) {
      db.set(x, y, BLACK);
      dw.set(x, y, WHITE);
    }
    draw_text(db, f, text, WHITE);
    draw_text(dw, f, text, BLACK);
    db.write(out / "bd" / text);
    dw.write(out / "wd" / text);
  }

  // Marks: on a black stone, on a white stone, on an empty point.
  for (const char* kind : {"s", "sf", "t", "tf", "p", "m", "c", "cf"}) {
    Tile b = black, w = white, e(s);
    draw_mark(b, kind, WHITE);
    draw_mark(w, kind, BLACK);
    draw_mark(e, kind, BLACK);
    b.write(out / "bm" / kind);
    w.write(out / "wm" / kind);
    e.write(out / "em" / kind);
  }
  for (Colour owner : {BLACK, WHITE}) {
    const char* kind = owner == BLACK ? "tb" : "tw";
    Tile b = black, w = white;
    draw_territory(b, owner, BLACK);
    draw_territory(w, owner, WHITE);
    b.write(out / "bm" / kind);
    w.write(out / "wm" / kind);
  }
  dim_black.write(out / "bm" / "d");
  dim_white.write(out / "wm" / "d");
  for (int level = 0; level <= 100; level += 10) {
    const std::string kind = shade_name(level);
    Tile b = black, w = white;
    shade(b, level);
    shade(w, level);
    b.write(out / "bm" / kind);
    w.write(out / "wm" / kind);
  }

  // Marks round a number: their masks, and the two inks they are drawn in.
  int digits_bottom = 0;
  for (int n = 1; n <= 100; ++n) {
    Ink ink;
    const Font& small = n < 10 ? one_in_mark : n < 100 ? two_in_mark : three_in_mark;
    if (set_text(small, std::to_string(n), ink) && !ink.pixels.empty())
      digits_bottom = std::max(digits_bottom, ink.y1 + centre(black, ink).second);
  }
  for (const char* kind : {"s", "c", "t", "p", "m"}) {
    Tile mask(s);
    draw_mark_around(mask, kind, digits_bottom + 2);
    write_mask(mask, out / "am" / kind);
  }
  Tile(s, BLACK).write(out / "ink" / "b");
  Tile(s, WHITE).write(out / "ink" / "w");

  // Labels on stones, in the colour of the other.
  const Font& on_stone = fonts.for_stone(s, {"W", "M", "g", "j", "@"});
  for (int code = '!'; code < 127; ++code) {
    Tile b = black, w = white;
    draw_text(b, on_stone, std::string(1, static_cast<char>(code)), WHITE);
    draw_text(w, on_stone, std::string(1, static_cast<char>(code)), BLACK);
    b.write(out / kg::label_tile(code, 'b'));
    w.write(out / kg::label_tile(code, 'w'));
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
