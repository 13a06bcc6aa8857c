// Reader of the Tavolin pair: a file of 32-bit big-endian records (moves,
// setup stones, marks, letters, passes, variation headers) and a companion
// text file with the players, the other facts and the comments.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "game/game.h"
#include "read/charset.h"
#include "read/readers.h"
#include "util/message.h"

namespace kg {
namespace {

constexpr std::size_t kBodySize = 10000;  // bytes of records decoded at most

struct TavState {
  Game* game = nullptr;       // the game or the open variation being filled
  bool in_variation = false;  // variations do not nest in this format
  int last_colour = BLACK;    // of the last move or pass
  int main_moves = 0;
  int variations = 0;
  int lines = 0;  // companion lines read
  std::vector<unsigned char> body;
};

// Releases a game that is not handed out (failures, fatal reports).
struct GameFree {
  void operator()(Game* g) const { game_free(g); }
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The input name with its extension (from the first '.' after the last '/')
// replaced by `extension`.
std::string tav_name(std::string_view name, const char* extension) {
  std::size_t slash = name.rfind('/');
  std::size_t from = slash == std::string_view::npos ? 0 : slash + 1;
  std::size_t dot = name.find('.', from);
  std::string out(name.substr(0, dot));
  out += '.';
  out += extension;
  return out;
}

// One companion line of any length; false at the end of the file. The text
// ends at the first line feed, carriage return or NUL.
bool companion_line(std::FILE* in, std::string& line) {
  line.clear();
  int c = 0;
  bool any = false;
  bool cut = false;
  while ((c = std::getc(in)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (c == '\r' || c == '\0') cut = true;
    if (!cut) line += static_cast<char>(c);
  }
  return any;
}

void store_companion(Game* game, int number, std::string_view text) {
  switch (number) {
    case 1: store_pb(game, text); break;
    case 2: store_pw(game, text); break;
    case 3: store_ha(game, text); break;
    case 4: store_km(game, text); break;
    case 5: store_dt(game, text); break;
    case 6: store_pc(game, text); break;
    case 7: store_re(game, text); break;
    default: store_c(game, text); break;
  }
}

std::uint32_t word_at(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

struct Record {
  int type, colour, number, column, row, line;
};

Record decode(std::uint32_t w) {
  Record r;
  r.type = static_cast<int>(w & 0xF);
  r.colour = ((w >> 4) & 3) == 2 ? WHITE : BLACK;
  r.number = static_cast<int>((w >> 6) & 0x3FF);
  r.column = static_cast<int>((w >> 16) & 0x1F);
  r.row = static_cast<int>((w >> 21) & 0x1F);
  r.line = static_cast<int>((w >> 28) & 7);
  return r;
}

// Setup stones, marks and letters must name a point of the board.
bool on_board(const Game* g, const Record& r) {
  return r.column < g->size && r.row < g->size && g->goban &&
         static_cast<std::size_t>(r.column + r.row * g->size) < g->goban->points.size();
}

// Decodes the body words into `tav.game`.
void tav_store(TavState& tav) {
  Game*& g = tav.game;
  std::size_t count = tav.body.size() / 4;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t w = word_at(&tav.body[i * 4]);
    Record r = decode(w);
    bool header = r.type == 1 && r.line == 1;
    if (tav.in_variation && (r.line == 0 || header)) {
      if (Game* parent = pop_var(g)) g = parent;
      tav.in_variation = false;
    }
    int location = r.column + r.row * g->size;
    switch (r.type) {
      case 1:
        if (header) {
          // A header near the body's end skips only the words that are there.
          i += 2;
          Game* variation = push_var(g);
          if (!variation) break;
          g = variation;
          store_node(g);
          ++tav.variations;
          store_n(g, format_text("Diagram %d", tav.variations));
          tav.in_variation = true;
        }
        break;
      case 0: case 8: case 11: case 12:
        break;
      case 3:
        if (on_board(g, r)) store_addstone(g, r.colour, location);
        break;
      case 4:
        store_node(g);
        store_move_at(g, r.number, r.colour, r.column, r.row);
        tav.last_colour = r.colour;
        if (r.line == 0) ++tav.main_moves;
        break;
      case 5: {
        int select = r.number & 3;
        int kind = select == 1 ? MARK_PLUS : select == 2 ? MARK_MINUS : MARK_PLAIN;
        if (on_board(g, r)) store_m(g, location, kind);
        break;
      }
      case 6:
        if (on_board(g, r)) store_l(g, location, (r.number & 0xFF) + 64);
        break;
      case 9: case 10: {
        int colour = tav.last_colour == WHITE ? BLACK : WHITE;
        tav.last_colour = colour;
        store_node(g);
        store_pass(g, r.number, colour);
        break;
      }
      default:
        message("tav_store(): Undefined case: %d\n", r.type);
        break;
    }
  }
}

}  // namespace

// Reads the record file and its companion text named after `name`; none
// after a failure that was reported. A missing record file ends the run.
Game* read_tavolin(const char* name, const Options& opt) {
  if (!name) throw Exit(1, "tavolin_read: Can't read from standard input\n");
  std::unique_ptr<Game, GameFree> owner{game_alloc(nullptr, &opt)};
  Game* game = owner.get();
  if (!game) return nullptr;
  TavState tav;
  tav.game = game;
  store_node(game);

  std::string text_name = tav_name(name, "txt");
  if (File text{std::fopen(text_name.c_str(), "r")}; !text) {
    message("\ntavolin_read: Couldn't open \"%s\"", text_name.c_str());
  } else {
    std::string line;
    // The names and comments in another encoding than UTF-8 (-encoding)
    // are read converted; the record file holds no text.
    File converted_text;
    std::string converted;
    FILE* lines = text.get();
    if (opt.encoding && *opt.encoding != kUtf8) {
      converted = read_converted(text.get(), *opt.encoding, opt.program, text_name.c_str());
      if (!converted.empty()) {
        converted_text.reset(fmemopen(converted.data(), converted.size(), "r"));
        if (!converted_text) throw Exit(1, format_text("%s: Out of memory\n", opt.program.c_str()));
        lines = converted_text.get();
      }
    }
    while (companion_line(lines, line)) store_companion(game, ++tav.lines, line);
  }

  std::string record_name = tav_name(name, "tav");
  File in{std::fopen(record_name.c_str(), "rb")};
  if (!in) {
    message("tavolin_read: Couldn't open \"%s\"\n", record_name.c_str());
    throw Exit(1);
  }
  try {
    tav.body.resize(kBodySize);
  } catch (const std::bad_alloc&) {
    message("tavolin_read: Out of memory in getcore()\n");
    throw;
  }

  unsigned char head[4];
  long header_bytes = 4;
  if (std::fread(head, 1, 4, in.get()) != 4) {
    message("tavolin_read: Read error\n");
    return nullptr;
  }
  if (std::string_view(reinterpret_cast<char*>(head), 4) != "ISHI") {
    message("\ntavolin_read: \"%s\" could be a non-Tavolin file", record_name.c_str());
    std::rewind(in.get());
    header_bytes = 0;
  }

  if (std::fread(head, 1, 4, in.get()) != 4) {
    message("tavolin_read: Read error\n");
    throw Exit(1);
  }
  Record size_word = decode(word_at(head));
  int size = 19;
  if (size_word.type == 2) {
    size = 2 * size_word.number + 1;
    header_bytes += 4;
    message("[Board size = %02dx%02d]", size, size);
  } else {
    std::fseek(in.get(), -4, SEEK_CUR);
    message("[Assumed board size = %02dx%02d]", 19, 19);
  }
  if (size != 19) store_sz(game, size);

  std::size_t got = std::fread(tav.body.data(), 1, kBodySize, in.get());
  tav.body.resize(got);
  message("[%ld bytes]", static_cast<long>(got) + header_bytes);
  in.reset();
  tav_store(tav);
  tav.body = {};
  message("[%d moves, %d variations]\n", tav.main_moves, tav.variations);
  return owner.release();
}

}  // namespace kg
