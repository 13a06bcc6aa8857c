// The shapes the gif tiles and the board font are drawn from: the grid of
// a point, stones and star points on square tiles of placeholder colours,
// and the glyphs of the X bitmap fonts they take their letters from.
#pragma once

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

namespace kg_tiles {

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
  Colour at(int x, int y) const { return px_[static_cast<std::size_t>(y) * size_ + x]; }
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
inline double from_centre(const Tile& t, int x, int y) {
  double c = t.size() / 2.0;
  return std::hypot(x + 0.5 - c, y + 0.5 - c);
}

// The radius of a stone: neighbouring stones just touch, and the lines of
// neighbouring points run into the stone.
inline double stone_radius(int size) { return size / 2.0 - 0.3; }

// Which lines of the grid reach the point from each side.
struct Lines {
  bool up = true, down = true, left = true, right = true;
};

inline void draw_grid(Tile& t, Lines lines) {
  int c = t.size() / 2;
  for (int i = 0; i < t.size(); ++i) {
    if ((i <= c && lines.up) || (i >= c && lines.down)) t.set(c, i, BLACK);
    if ((i <= c && lines.left) || (i >= c && lines.right)) t.set(i, c, BLACK);
  }
}

inline void draw_disk(Tile& t, double radius, Colour c) {
  for (int y = 0; y < t.size(); ++y)
    for (int x = 0; x < t.size(); ++x)
      if (from_centre(t, x, y) <= radius) t.set(x, y, c);
}

inline void draw_stone(Tile& t, Colour colour) {
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

// A star point: the grid with a dot on the crossing.
inline void draw_star(Tile& t) {
  draw_grid(t, {});
  draw_disk(t, t.size() / 7.0 + 0.2, BLACK);
}

// Draws the board font: BDF, ISO8859-1, the board pieces in the bytes 0xC0
// to 0xE8, letters and digits from the X font `cells` (a misc-fixed font of
// the same cell) everywhere else.
void write_board_font(const Font& cells, const fs::path& out);

}  // namespace kg_tiles
