// Draws the tile library of the gif output: square 16-bit PPM tiles at 15,
// 19 and 23 pixels, named as the picture scripts name them. Every pixel is
// one of five placeholder colours that the scripts map to the user's
// colours, so the tiles know nothing of the final palette. Glyphs come from
// the X misc-fixed bitmap fonts (Debian's xfonts-base).
//
// Usage: make_tiles FONT_DIR OUT_DIR
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/gif_tiles.h"

namespace {

namespace fs = std::filesystem;

// The placeholder colours, as the scripts' ppmchange lines name them.
enum Colour : std::uint8_t { BLACK = 0, WHITE = 1, BOARD = 2, OUTSIDE = 3 };

// ---- X bitmap fonts (PCF) ----------------------------------------------------

struct Glyph {
  int left = 0, ascent = 0, advance = 0, width = 0, height = 0;
  std::vector<bool> ink;  // width x height, rows from the top
};

class Font {
 public:
  explicit Font(const fs::path& path) { load(read_gz(path)); }
  const Glyph* glyph(int code) const {
    auto it = glyphs_.find(code);
    return it == glyphs_.end() ? nullptr : &it->second;
  }

 private:
  static std::vector<std::uint8_t> read_gz(const fs::path& path) {
    gzFile in = gzopen(path.c_str(), "rb");
    if (!in) throw std::runtime_error("cannot open " + path.string());
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[65536];
    int n;
    while ((n = gzread(in, chunk, sizeof chunk)) > 0) data.insert(data.end(), chunk, chunk + n);
    gzclose(in);
    if (n < 0) throw std::runtime_error("cannot read " + path.string());
    return data;
  }

  // Reads PCF tables with the byte order their format word gives.
  struct Reader {
    const std::vector<std::uint8_t>& d;
    std::size_t at;
    bool big = false;
    std::uint32_t u8() {
      if (at >= d.size()) throw std::runtime_error("truncated font");
      return d[at++];
    }
    std::uint32_t u16() {
      std::uint32_t a = u8(), b = u8();
      return big ? a << 8 | b : b << 8 | a;
    }
    std::uint32_t u32() {
      std::uint32_t a = u16(), b = u16();
      return big ? a << 16 | b : b << 16 | a;
    }
    std::int32_t s16() { return static_cast<std::int16_t>(u16()); }
    std::uint32_t format() {  // always little-endian
      big = false;
      std::uint32_t f = u32();
      big = (f & 4) != 0;
      return f;
    }
  };

  void load(const std::vector<std::uint8_t>& d) {
    Reader r{d, 0};
    if (r.u32() != 0x70636601) throw std::runtime_error("not a PCF font");
    std::uint32_t tables = r.u32();
    std::map<std::uint32_t, std::size_t> offset;
    for (std::uint32_t i = 0; i < tables; ++i) {
      std::uint32_t type = r.u32();
      r.u32();  // format, repeated in the table
      r.u32();  // size
      offset[type] = r.u32();
    }
    constexpr std::uint32_t kMetrics = 1 << 2, kBitmaps = 1 << 3, kEncodings = 1 << 5;
    if (!offset.count(kMetrics) || !offset.count(kBitmaps) || !offset.count(kEncodings))
      throw std::runtime_error("font without glyphs");

    std::vector<Glyph> all;
    r.at = offset[kMetrics];
    std::uint32_t f = r.format();
    bool compressed = (f & 0xffffff00) == 0x100;
    std::uint32_t count = compressed ? r.u16() : r.u32();
    for (std::uint32_t i = 0; i < count; ++i) {
      Glyph g;
      int right, descent;
      if (compressed) {
        g.left = static_cast<int>(r.u8()) - 0x80;
        right = static_cast<int>(r.u8()) - 0x80;
        g.advance = static_cast<int>(r.u8()) - 0x80;
        g.ascent = static_cast<int>(r.u8()) - 0x80;
        descent = static_cast<int>(r.u8()) - 0x80;
      } else {
        g.left = r.s16();
        right = r.s16();
        g.advance = r.s16();
        g.ascent = r.s16();
        descent = r.s16();
        r.u16();  // attributes
      }
      g.width = std::max(0, right - g.left);
      g.height = std::max(0, g.ascent + descent);
      all.push_back(std::move(g));
    }

    r.at = offset[kBitmaps];
    f = r.format();
    std::uint32_t nbitmaps = r.u32();
    if (nbitmaps != all.size()) throw std::runtime_error("bitmaps do not match metrics");
    std::vector<std::uint32_t> starts(nbitmaps);
    for (auto& s : starts) s = r.u32();
    for (int i = 0; i < 4; ++i) r.u32();  // sizes for each padding
    const std::size_t base = r.at;
    const int pad = 1 << (f & 3), unit = 1 << ((f >> 4) & 3);
    const bool msb_bit = (f & 8) != 0, msb_byte = (f & 4) != 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
      Glyph& g = all[i];
      int stride = (g.width + 8 * pad - 1) / (8 * pad) * pad;
      g.ink.assign(static_cast<std::size_t>(g.width) * g.height, false);
      for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
          int byte = x / 8;
          if (unit > 1 && !msb_byte) byte = byte / unit * unit + (unit - 1 - byte % unit);
          std::size_t at = base + starts[i] + static_cast<std::size_t>(y) * stride + byte;
          if (at >= d.size()) throw std::runtime_error("truncated bitmap");
          int bit = x % 8;
          int mask = msb_bit ? 0x80 >> bit : 1 << bit;
          g.ink[static_cast<std::size_t>(y) * g.width + x] = (d[at] & mask) != 0;
        }
    }

    r.at = offset[kEncodings];
    r.format();
    int min2 = r.s16(), max2 = r.s16(), min1 = r.s16(), max1 = r.s16();
    r.s16();  // default character
    for (int b1 = min1; b1 <= max1; ++b1)
      for (int b2 = min2; b2 <= max2; ++b2) {
        std::uint32_t index = r.u16();
        if (index != 0xffff && index < all.size()) glyphs_[b1 << 8 | b2] = all[index];
      }
  }

  std::map<int, Glyph> glyphs_;
};

// ---- tiles -------------------------------------------------------------------

class Tile {
 public:
  explicit Tile(int size, Colour fill = BOARD)
      : size_(size), px_(static_cast<std::size_t>(size) * size, fill) {}
  int size() const { return size_; }
  void set(int x, int y, Colour c) {
    if (x >= 0 && y >= 0 && x < size_ && y < size_) px_[static_cast<std::size_t>(y) * size_ + x] = c;
  }
  void write(const fs::path& path) const {
    fs::create_directories(path.parent_path());
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) throw std::runtime_error("cannot write " + path.string());
    std::fprintf(out, "P6\n%d %d\n65535\n", size_, size_);
    for (Colour c : px_) {
      // Sample value c of 65535 is the placeholder rgb:000c/000c/000c.
      const unsigned char sample[6] = {0, c, 0, c, 0, c};
      std::fwrite(sample, 1, sizeof sample, out);
    }
    if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + path.string());
  }

 private:
  int size_;
  std::vector<Colour> px_;
};

// Distance of a pixel's centre from the tile's centre.
double from_centre(const Tile& t, int x, int y) {
  double c = t.size() / 2.0;
  return std::hypot(x + 0.5 - c, y + 0.5 - c);
}

// The radius of a stone: neighbouring stones just touch, and the lines of
// neighbouring points run into the stone.
double stone_radius(int size) { return size / 2.0 - 0.3; }

// Which lines of the grid reach the point from each side.
struct Lines {
  bool up = true, down = true, left = true, right = true;
};

void draw_grid(Tile& t, Lines lines) {
  int c = t.size() / 2;
  for (int i = 0; i < t.size(); ++i) {
    if ((i <= c && lines.up) || (i >= c && lines.down)) t.set(c, i, BLACK);
    if ((i <= c && lines.left) || (i >= c && lines.right)) t.set(i, c, BLACK);
  }
}

void draw_disk(Tile& t, double radius, Colour c) {
  for (int y = 0; y < t.size(); ++y)
    for (int x = 0; x < t.size(); ++x)
      if (from_centre(t, x, y) <= radius) t.set(x, y, c);
}

void draw_stone(Tile& t, Colour colour) {
  double r = stone_radius(t.size());
  draw_disk(t, r, colour);
  if (colour != WHITE) return;
  // A white stone is outlined wherever its disk meets the board.
  auto inside = [&](int x, int y) { return from_centre(t, x, y) <= r; };
  for (int y = 0; y < t.size(); ++y)
    for (int x = 0; x < t.size(); ++x)
      if (inside(x, y) &&
          (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1)))
        t.set(x, y, BLACK);
}

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
    draw_grid(t, {});
    draw_disk(t, s / 7.0 + 0.2, BLACK);
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
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FONT_DIR OUT_DIR\n", argv[0]);
    return 2;
  }
  try {
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
