// The board font of the terminal viewer: under TERM=xterm in a locale that
// is not UTF-8 the viewer writes every point as two bytes of 0xC0 to 0xE8,
// the left and the right half of a board piece. The pieces are the gif
// tiles' shapes on a tile two character cells wide; every other character
// is the misc-fixed glyph of the same cell, so comments read as usual.
#include <cstdio>
#include <string>
#include <vector>

#include "tiles/shapes.h"

namespace kg_tiles {

namespace {

enum Kind { GRID, STAR, BLACK_STONE, WHITE_STONE };

struct Shape {
  Kind kind;
  Lines lines;
};

constexpr Lines kAll{};
constexpr Lines kLeftEdge{true, true, false, true}, kRightEdge{true, true, true, false};
constexpr Lines kTopEdge{false, true, true, true}, kBottomEdge{true, false, true, true};
constexpr Lines kTopLeft{false, true, false, true}, kTopRight{false, true, true, false};
constexpr Lines kBottomLeft{true, false, false, true}, kBottomRight{true, false, true, false};

// The bytes of each half, as the viewer's glyph table pairs them.
struct Half {
  int code;
  const char* name;
  Shape shape;
  bool right;
};
constexpr Half kHalves[] = {
    {0xC0, "black_stone_left", {BLACK_STONE, kAll}, false},
    {0xC1, "black_stone_right", {BLACK_STONE, kAll}, true},
    {0xC4, "point_left", {GRID, kAll}, false},
    {0xC5, "point_right", {GRID, kAll}, true},
    {0xC6, "star_left", {STAR, kAll}, false},
    {0xC7, "star_right", {STAR, kAll}, true},
    {0xC8, "left_edge_left", {GRID, kLeftEdge}, false},
    {0xC9, "bottom_left_left", {GRID, kBottomLeft}, false},
    {0xCA, "bottom_edge_right", {GRID, kBottomEdge}, true},
    {0xCB, "bottom_edge_left", {GRID, kBottomEdge}, false},
    {0xCC, "bottom_right_right", {GRID, kBottomRight}, true},
    {0xCD, "right_edge_right", {GRID, kRightEdge}, true},
    {0xCE, "top_left_left", {GRID, kTopLeft}, false},
    {0xCF, "top_edge_right", {GRID, kTopEdge}, true},
    {0xD0, "top_edge_left", {GRID, kTopEdge}, false},
    {0xD1, "top_right_right", {GRID, kTopRight}, true},
    {0xD2, "white_stone_left", {WHITE_STONE, kAll}, false},
    {0xD3, "white_stone_right", {WHITE_STONE, kAll}, true},
};
constexpr int kFirst = 0xC0, kLast = 0xE8;

Tile draw_piece(int size, const Shape& shape) {
  Tile t(size);
  switch (shape.kind) {
    case GRID: draw_grid(t, shape.lines); break;
    case STAR: draw_star(t); break;
    case BLACK_STONE: draw_stone(t, BLACK); break;
    case WHITE_STONE: draw_stone(t, WHITE); break;
  }
  return t;
}

// A glyph of the font: one bit per pixel of the cell, rows from the top.
using Cell = std::vector<std::vector<bool>>;

void write_char(std::FILE* out, const std::string& name, int code, const Cell& cell, int width,
                int descent) {
  const int height = static_cast<int>(cell.size());
  std::fprintf(out, "STARTCHAR %s\nENCODING %d\nSWIDTH 540 0\nDWIDTH %d 0\nBBX %d %d 0 %d\nBITMAP\n",
               name.c_str(), code, width, width, height, -descent);
  const int bytes = (width + 7) / 8;
  for (const auto& row : cell) {
    for (int b = 0; b < bytes; ++b) {
      unsigned value = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const int x = b * 8 + bit;
        if (x < width && row[static_cast<std::size_t>(x)]) value |= 0x80u >> bit;
      }
      std::fprintf(out, "%02X", value);
    }
    std::fputc('\n', out);
  }
  std::fputs("ENDCHAR\n", out);
}

}  // namespace

void write_board_font(const Font& cells, const fs::path& out) {
  // The cell of the letters, and a square tile of two cells for a point.
  const Glyph* m = cells.glyph('M');
  if (!m) throw std::runtime_error("the letter font has no M");
  const int width = m->advance, height = 2 * width;
  int ascent = 0, descent = 0;
  std::vector<int> codes;
  for (int code = 0x20; code <= 0xFF; ++code) {
    if ((code > 0x7E && code < 0xA0) || (code >= kFirst && code <= kLast)) continue;
    const Glyph* g = cells.glyph(code);
    if (!g) continue;
    if (g->advance != width) throw std::runtime_error("the letter font is not of one width");
    ascent = std::max(ascent, g->ascent);
    descent = std::max(descent, g->height - g->ascent);
    codes.push_back(code);
  }
  if (ascent + descent > height) throw std::runtime_error("the letters are taller than a point");
  descent += height - ascent - descent;  // room left goes below the baseline

  std::FILE* f = std::fopen(out.c_str(), "w");
  if (!f) throw std::runtime_error("cannot write " + out.string());
  const int chars = static_cast<int>(codes.size()) + (kLast - kFirst + 1);
  std::fprintf(f,
               "STARTFONT 2.1\n"
               "COMMENT The board of kifugram's terminal viewer (-to graphic, TERM=xterm):\n"
               "COMMENT 0xC0 to 0xE8 are halves of board points; the other characters\n"
               "COMMENT are the X misc-fixed font of the same cell.\n"
               "FONT -kifugram-board-medium-r-normal--%d-120-100-100-c-%d-iso8859-1\n"
               "SIZE 12 100 100\n"
               "FONTBOUNDINGBOX %d %d 0 %d\n"
               "STARTPROPERTIES 19\n"
               "FOUNDRY \"kifugram\"\nFAMILY_NAME \"board\"\nWEIGHT_NAME \"Medium\"\n"
               "SLANT \"R\"\nSETWIDTH_NAME \"Normal\"\nADD_STYLE_NAME \"\"\n"
               "PIXEL_SIZE %d\nPOINT_SIZE 120\nRESOLUTION_X 100\nRESOLUTION_Y 100\n"
               "SPACING \"C\"\nAVERAGE_WIDTH %d\n"
               "CHARSET_REGISTRY \"ISO8859\"\nCHARSET_ENCODING \"1\"\n"
               "FONT_ASCENT %d\nFONT_DESCENT %d\nDEFAULT_CHAR 32\n"
               "COPYRIGHT \"Public domain\"\nNOTICE \"Letters from the X misc-fixed fonts\"\n"
               "ENDPROPERTIES\nCHARS %d\n",
               height, width * 10, width, height, -descent, height, width * 10, height - descent,
               descent, chars);

  const int baseline = height - descent;
  for (int code : codes) {
    const Glyph& g = *cells.glyph(code);
    Cell cell(static_cast<std::size_t>(height), std::vector<bool>(static_cast<std::size_t>(width)));
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x) {
        const int px = g.left + x, py = baseline - g.ascent + y;
        if (px >= 0 && px < width && py >= 0 && py < height &&
            g.ink[static_cast<std::size_t>(y) * g.width + x])
          cell[static_cast<std::size_t>(py)][static_cast<std::size_t>(px)] = true;
      }
    write_char(f, "char" + std::to_string(code), code, cell, width, descent);
  }

  // Bytes the viewer's table leaves free are halves of an inner point, as
  // the viewer draws its unused codes.
  for (int code = kFirst; code <= kLast; ++code) {
    const Half* half = nullptr;
    for (const Half& h : kHalves)
      if (h.code == code) half = &h;
    const Shape shape = half ? half->shape : Shape{GRID, kAll};
    const bool right = half ? half->right : code % 2 == 1;
    const Tile tile = draw_piece(height, shape);
    Cell cell(static_cast<std::size_t>(height), std::vector<bool>(static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        cell[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] =
            tile.at(right ? x + width : x, y) == BLACK;
    char name[32];
    std::snprintf(name, sizeof name, "board_%02x", static_cast<unsigned>(code));
    write_char(f, half ? half->name : name, code, cell, width, descent);
  }
  std::fputs("ENDFONT\n", f);
  if (std::fclose(f) != 0) throw std::runtime_error("cannot write " + out.string());
}

}  // namespace kg_tiles
