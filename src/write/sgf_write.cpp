// The SGF writer and the game-information record writer. Both write the
// dialect the SGF reader reads, to `fw`.
#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <tuple>
#include <vector>

#include "game/game.h"
#include "util/strutil.h"
#include "write/writers.h"

namespace kg {
namespace {

// The root and game-information properties that a record keeps without
// the model holding them (the older formats' among them): they belong in
// the header, wherever the model put them on the first node.
bool header_property(std::string_view key) {
  static constexpr std::string_view kKeys[] = {"BS", "BT", "CA", "CP", "KI", "ON", "OT", "ST", "WS", "WT"};
  return std::find(std::begin(kKeys), std::end(kKeys), key) != std::end(kKeys);
}

// The first node, which the reader filled from the record's root node. Its
// properties the model keeps as read go to the header: all of them when it
// holds no move, as the root and the node after the header are one node.
bool hoisted(const Move* m, std::string_view key) {
  return header_property(key) || m->location == LOC_NONE;
}

// Which SGF key writes a mark of `kind` in each dialect: the FF[4] key, and
// a long spelling that reads back as that key. None: written as a label.
struct MarkKey {
  int kind;
  const char* long_key;
  const char* short_key;
};
constexpr MarkKey kMarkKeys[] = {
    {MARK_PLAIN, "Mark", "MA"},  // FF[4] has no M: its mark is MA
    {MARK_CROSS, "MArk", "MA"},        {MARK_TRIANGLE, "TRiangle", "TR"},
    {MARK_SQUARE, "SQuare", "SQ"},     {MARK_CIRCLE, "CiRcle", "CR"},
    {MARK_DIMMED, "DimmeD", "DD"},     {MARK_BLACK_TERRITORY, "TerritoryBlack", "TB"},
    {MARK_WHITE_TERRITORY, "TerritoryWhite", "TW"},
};

// The text that stands for a mark no SGF key draws: "+", "-", or its own.
std::string_view mark_label(const Chain* c) {
  if (c->mark == MARK_PLUS) return "+";
  if (c->mark == MARK_MINUS) return "-";
  if (c->mark == MARK_TEXT && c->text) return *c->text;
  return {};
}

// Output is gathered here and handed to stdio in large pieces: a record is
// mostly pieces of a few characters. Every public entry point flushes it
// before it returns.
class Output {
 public:
  explicit Output(FILE* fw) : fw_(fw) {}
  void put(char c) {
    if (used_ == buffer_.size()) flush();
    buffer_[used_++] = c;
  }
  void put(std::string_view s) {
    // Keys and point names are a few bytes: copied in two overlapping
    // words instead of a call to memcpy.
    if (s.size() >= 4 && s.size() <= 16 && buffer_.size() - used_ >= 16) {
      char* to = buffer_.data() + used_;
      std::size_t n = s.size();
      if (n >= 8) {
        std::memcpy(to, s.data(), 8);
        std::memcpy(to + n - 8, s.data() + n - 8, 8);
      } else {
        std::memcpy(to, s.data(), 4);
        std::memcpy(to + n - 4, s.data() + n - 4, 4);
      }
      used_ += n;
      return;
    }
    if (s.size() > buffer_.size() - used_) {
      flush();
      if (s.size() > buffer_.size()) {
        fwrite_unlocked(s.data(), 1, s.size(), fw_);
        return;
      }
    }
    std::memcpy(buffer_.data() + used_, s.data(), s.size());
    used_ += s.size();
  }
  // Exactly four characters, such as a point "[xy]".
  void put4(const char* s) {
    if (buffer_.size() - used_ < 4) flush();
    std::memcpy(buffer_.data() + used_, s, 4);
    used_ += 4;
  }
  void flush() {
    if (used_) fwrite_unlocked(buffer_.data(), 1, used_, fw_);
    used_ = 0;
  }

 private:
  FILE* fw_;
  std::array<char, 1 << 14> buffer_;
  std::size_t used_ = 0;
};

bool has_setup(const Chain* added, int colour) {
  for (const Chain* c = added; c; c = c->next)
    if (c->move && c->move->colour == colour) return true;
  return false;
}

// One line of a game being written: the node reached, the variation of that
// node to write next, and the per-line state of the writer.
struct LineFrame {
  Game* game;
  Move* node;
  Game* variation = nullptr;
  bool node_done = false;
  int items = 0;  // move and point values on the current output line
  bool named = false;
  bool opened = false;  // a node of the line has been written
  bool root_pending = false;  // a variation's root goes with its first node
};

// One writing of a record, and of its game-information record.
class SgfWriter {
 public:
  SgfWriter(const Options& opt, FILE* fw)
      : opt_(opt), out(fw), fourth_(!opt.longkey), pass_value(fourth_ ? "[]" : "[tt]") {}
  void game2sgf(Game* game);
  void game2db(Game* game, const char* filename);

 private:
  std::string_view key(std::string_view long_key, std::string_view short_key) const {
    return opt_.longkey ? long_key : short_key;
  }
  void put(char c) { out.put(c); }
  void put(std::string_view s) { out.put(s); }

  __attribute__((format(printf, 2, 3))) void put_format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    // Only keys and numbers are formatted here; the cut never happens.
    if (n > 0) put(std::string_view(text, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1)));
  }

  // Text with "]" and "\\" escaped.
  void put_escaped(std::string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == ']' || text[i] == '\\') {
        put(text.substr(start, i - start));
        put('\\');
        start = i;
      }
    }
    put(text.substr(start));
  }

  // "[xy]" for every point of the board size last written, made once per size:
  // a record names hundreds of thousands of points.
  const std::vector<std::array<char, 4>>& point_names(int size) {
    if (made_for != size) {
      names.clear();
      for (int location = 0; location < size * size; ++location)
        names.push_back({'[', static_cast<char>('a' + location % size), static_cast<char>('a' + location / size), ']'});
      made_for = size;
    }
    return names;
  }

  // A location that names no point of the board (a tenuki, or anything a
  // reader let through) is written as a pass, so the output stays readable.
  void put_point(const Game* game, int location) {
    int size = game->size;
    if (size <= 0 || location < 0 || location >= size * size) {
      put(pass_value);
      return;
    }
    out.put4(point_names(size)[static_cast<std::size_t>(location)].data());
  }

  // One property line, for a text that is present and not empty.
  void put_text_line(const char* long_key, const char* short_key, const char* text) {
    if (!text || !*text) return;
    put(key(long_key, short_key));
    put('[');
    put_escaped(text);
    put("]\n");
  }

  void put_region(const char* long_key, const char* short_key, const Region& r) {
    if (r.width == 0 || r.height == 0) return;
    put(key(long_key, short_key));
    put_format("[%c%c]", 'a' + r.x, 'a' + r.y);
    put_format("[%c%c]\n", 'a' + r.x + r.width - 1, 'a' + r.y + r.height - 1);
  }

  // FF[4]'s view is a list of points, here one rectangle; the whole board
  // needs none.
  void put_view(const Game* game) {
    const Region& r = game->view;
    if (r.width == 0 || r.height == 0 || (r.x == 0 && r.y == 0 && r.width == game->size && r.height == game->size))
      return;
    put("VW");
    if (r.width == 1 && r.height == 1)
      put_format("[%c%c]\n", 'a' + r.x, 'a' + r.y);
    else
      put_format("[%c%c:%c%c]\n", 'a' + r.x, 'a' + r.y, 'a' + r.x + r.width - 1, 'a' + r.y + r.height - 1);
  }

  // One property of values written as they are, escaped.
  void put_values(std::string_view key, const std::vector<std::string>& values) {
    put(key);
    for (const std::string& v : values) {
      put('[');
      put_escaped(v);
      put(']');
    }
    put('\n');
  }

  void line_break(LineFrame& f) {
    if (f.items >= 10) {
      put('\n');
      f.items = 0;
    }
  }

  void put_points(LineFrame& f, const char* long_key, const char* short_key, const Chain* list,
                  bool occupant) {
    if (!list) return;
    put(key(long_key, short_key));
    for (const Chain* c = list; c; c = c->next) {
      // An emptied point's entry holds the point its stone stood on: the stone's
      // own record, long behind in memory, need not be read.
      put_point(f.game, occupant && !c->occupant ? -1 : c->location);
      ++f.items;
    }
    line_break(f);
  }

  // Marks are kept newest first; they are written oldest first so that reading
  // the output back rebuilds the same list, one property per key.
  void put_marks(LineFrame& f, const Chain* list) {
    if (!list) return;
    std::vector<const Chain*> marks;
    for (const Chain* c = list; c; c = c->next) marks.push_back(c);
    std::reverse(marks.begin(), marks.end());
    // FF[4] has one key for the plain mark and the cross.
    auto same_key = [this](int a, int b) {
      return a == b || (fourth_ && (a == MARK_PLAIN || a == MARK_CROSS) && (b == MARK_PLAIN || b == MARK_CROSS));
    };
    for (const MarkKey& k : kMarkKeys) {
      if (fourth_ && k.kind == MARK_CROSS) continue;  // written with MARK_PLAIN
      bool open = false;
      for (const Chain* c : marks) {
        if (!same_key(k.kind, c->mark)) continue;
        if (!open) put(key(k.long_key, k.short_key));
        open = true;
        put_point(f.game, c->location);
        ++f.items;
      }
      if (open) line_break(f);
    }
  }

  // "[xy:text]"; nothing for a point off the board.
  void put_label(const Game* game, int location, std::string_view text) {
    const int size = game->size;
    if (size <= 0 || location < 0 || location >= size * size) return;
    put_format("[%c%c:", 'a' + location % size, 'a' + location / size);
    put_escaped(text);
    put(']');
  }

  // Labels with their texts: FF[4] names every one with its text; the older
  // dialect gives letters by their place alone, unless a label of the node
  // has a text of its own. Marks that no key draws ("+", "-", a text) go
  // with them.
  void put_labels(LineFrame& f, const Chain* labels, const Chain* marks) {
    std::vector<const Chain*> drawn;
    for (const Chain* c = marks; c; c = c->next)
      if (!mark_label(c).empty()) drawn.push_back(c);
    std::reverse(drawn.begin(), drawn.end());
    bool texts = fourth_ || !drawn.empty();
    for (const Chain* c = labels; c && !texts; c = c->next) texts = c->text.has_value();
    if (!labels && drawn.empty()) return;
    if (!texts) {
      put_points(f, "Letter", "L", labels, false);
      return;
    }
    put(key("LaBel", "LB"));
    for (const Chain* c = labels; c; c = c->next) {
      const char letter = static_cast<char>(c->label);
      put_label(f.game, c->location, c->text ? std::string_view(*c->text) : std::string_view(&letter, 1));
      ++f.items;
    }
    for (const Chain* c : drawn) {
      put_label(f.game, c->location, mark_label(c));
      ++f.items;
    }
    line_break(f);
  }

  void put_setup(LineFrame& f, const Chain* added, int colour, const char* long_key, const char* short_key) {
    if (!has_setup(added, colour)) return;
    put(key(long_key, short_key));
    for (const Chain* c = added; c; c = c->next) {
      if (!c->move || c->move->colour != colour) continue;
      put_point(f.game, c->move->location);
      ++f.items;
    }
    line_break(f);
  }

  void put_time(LineFrame& f, const char* long_key, const char* short_key, const OptText& time) {
    if (!time) return;
    put(key(long_key, short_key));
    put('[');
    put_escaped(*time);
    put(']');
    line_break(f);
  }

  // The first node of the top line, whose root properties went to the header.
  static bool header_node(const LineFrame& f, const Move* m) {
    return !f.game->parent && m->prev && !m->prev->prev;
  }

  // Whether a property kept as read is written with this node.
  static bool raw_here(const LineFrame& f, const Move* m, const RawProperty& p) {
    return !(header_node(f, m) && hoisted(m, p.key));
  }

  // Whether write_node puts out any property of the node's annotations.
  bool writes_annotations(const LineFrame& f, const Move* m) {
    const MoveInfo* info = m->info;
    if (!info) return false;
    if (has_setup(info->added, BLACK) || has_setup(info->added, WHITE) || info->cleared || info->marks ||
        info->labels || info->black_time || info->white_time || (opt_.textout && info->texts) ||
        info->to_play != EMPTY || info->has_shown_number || info->empty_node)
      return true;
    if (info->raw)
      for (const RawProperty& p : *info->raw)
        if (raw_here(f, m, p)) return true;
    return false;
  }

  // The properties of the first node that belong in the header.
  void put_header_properties(const Game* game) {
    const Move* first = game->first ? static_cast<Move*>(game->first->next) : nullptr;
    if (!first || !first->info || !first->info->raw) return;
    for (const RawProperty& p : *first->info->raw)
      if (hoisted(first, p.key)) put_values(p.key, p.values);
  }

  void put_name(LineFrame& f) {
    if (f.game->name.empty() || f.named) return;
    put(key("Name", "N"));
    put('[');
    put_escaped(f.game->name);
    put("]\n");
    f.named = true;
  }

  // The ";" that begins a node; the first node of a variation takes the
  // variation's name.
  void open_node(LineFrame& f) {
    put(';');
    f.opened = true;
    if (f.root_pending) {
      f.root_pending = false;
      put_name(f);
    }
  }

  void write_node(LineFrame& f, const Move* m) {
    if (!m->prev && !f.game->parent) {
      put(";\n");
      f.opened = true;
      header(f.game);
      f.items = 0;
    } else if (!m->prev) {
      // A variation's root holds nothing of its own: it is no node, so that
      // the tree has the input's nodes and reads back as it was.
      f.root_pending = true;
      f.items = 0;
    } else if (m->location == LOC_NONE &&
               ((writes_annotations(f, m) && (m->prev->prev || f.game->parent)) || m->prev->variations)) {
      // A node of its own, or reading the output back would merge its
      // properties into the node before it. The node after the game's root
      // is the record's first node, which the root's ";" opens: its setup
      // stones and comment stay there. After variations a node is always
      // written, even with nothing to say, or the line would end there.
      open_node(f);
    }
    if (m->location != LOC_NONE) {
      open_node(f);
      put(m->colour == BLACK ? key("Black", "B") : key("White", "W"));
      if (m->location == LOC_PASS)
        put(pass_value);
      else
        put_point(f.game, m->location);
      ++f.items;
      line_break(f);
    }
    const MoveInfo* info = m->info;
    if (!info) return;
    put_setup(f, info->added, BLACK, "AddBlack", "AB");
    put_setup(f, info->added, WHITE, "AddWhite", "AW");
    put_points(f, "AddEmpty", "AE", info->cleared, true);
    put_marks(f, info->marks);
    put_labels(f, info->labels, info->marks);
    put_time(f, "BlacktimeLeft", "BL", info->black_time);
    put_time(f, "WhitetimeLeft", "WL", info->white_time);
    if (info->to_play != EMPTY) {
      put(key("PLayer", "PL"));
      put(info->to_play == BLACK ? "[B]" : "[W]");
      line_break(f);
    }
    if (info->has_shown_number) {
      put(key("MoveNumber", "MN"));
      put_format("[%d]", info->shown_number);
      line_break(f);
    }
    if (opt_.textout && info->texts) {
      put(key("Comment", "C"));
      put("[\n");
      for (const Text* t = info->texts; t; t = t->next) {
        put_escaped(t->text);
        if (!t->text.empty() && t->text.back() == ' ')
          put("\\\n");
        else if (text_needs_break(t->text))
          put('\n');
      }
      put("]\n");
    }
    if (info->raw)
      for (const RawProperty& p : *info->raw)
        if (raw_here(f, m, p)) put_values(p.key, p.values);
  }

  void header(Game* game);

  const Options& opt_;
  Output out;
  bool fourth_;  // FF[4], with its short keys; else the older dialect
  std::string_view pass_value;
  // "[xy]" for every point of the board size last written.
  std::vector<std::array<char, 4>> names;
  int made_for = 0;
  bool db_written = false;  // one record per writing
  bool header_written = false;
};

// Variations are written with an explicit stack in the order of a depth-first
// walk: a variation right after the node it hangs on, before the rest of
// that node's line.
void SgfWriter::game2sgf(Game* game) {
  if (!game) return;
  std::vector<LineFrame> stack;
  auto open = [this, &stack](Game* g) {
    put("(\n");
    stack.push_back(LineFrame{g, g->first});
    // A game whose every node was refused still has its information.
    if (!g->first && !g->parent) {
      put(";\n");
      stack.back().opened = true;
      header(g);
    }
  };
  open(game);
  while (!stack.empty()) {
    LineFrame& f = stack.back();
    if (f.variation) {
      Game* v = f.variation;
      f.variation = v->next;
      open(v);
      continue;
    }
    if (f.node_done) {
      f.node = f.node->next;
      f.node_done = false;
    }
    if (!f.node) {
      if (!f.opened) open_node(f);  // a sequence needs a node
      put(")\n");
      stack.pop_back();
      continue;
    }
    const Move* m = f.node;
    if (m->prev && m->location >= 0 && !m->info) {
      // Most nodes of a record are one move and nothing else.
      open_node(f);
      put(m->colour == BLACK ? key("Black", "B") : key("White", "W"));
      put_point(f.game, m->location);
      ++f.items;
      line_break(f);
    } else {
      write_node(f, m);
    }
    f.node_done = true;
    f.variation = f.node->variations;
  }
  out.flush();
}

// The root's game information, written once: a line merged by -flatten
// keeps its root node, which holds nothing.
void SgfWriter::header(Game* game) {
  if (header_written) return;
  header_written = true;
  put(key("GaMe", "GM"));
  put("[1]\n");
  if (fourth_) {
    put_view(game);
    // FF[4] has no region; one that is not the whole board is kept all the
    // same, as any property is.
    const Region& r = game->region;
    if (!(r.x == 0 && r.y == 0 && r.width == game->size && r.height == game->size))
      put_region("ReGion", "RG", r);
  } else {
    put_region("VieW", "VW", game->view);
    put_region("ReGion", "RG", game->region);
  }
  put_text_line("ROund", "RO", info_ro(game));
  put_text_line("USer", "US", info_us(game));
  put(key("APplication", "AP"));
  put_format("[kifugram:%d.%d.%d]\n", kVersionMajor, kVersionMinor, kVersionPatch);
  put_text_line("GameName", "GN", info_gn(game));
  put_text_line("EVent", "EV", info_ev(game));
  put_text_line("ID", "ID", info_id(game));
  put(key("FileFormat", "FF"));
  put(fourth_ ? "[4]\n" : "[3]\n");
  put_text_line("PlayerBlack", "PB", info_pb(game));
  put_text_line("BlackRanking", "BR", info_br(game));
  put_text_line("PlayerWhite", "PW", info_pw(game));
  put_text_line("WhiteRanking", "WR", info_wr(game));
  // A team's further players, as BP and WP give them: "name,rank", the
  // name up to the first comma.
  for (const auto& [long_key, short_key, team] :
       {std::tuple{"BlackPlayer", "BP", &GameInfo::black}, std::tuple{"WhitePlayer", "WP", &GameInfo::white}}) {
    const Team* players = game->info ? (game->info.get()->*team).get() : nullptr;
    for (int i = 1; players && i < players->count; ++i) {
      const auto& name = players->names[i];
      const auto& rank = players->ranks[i];
      put(key(long_key, short_key));
      put('[');
      put_escaped((name ? *name : "") + "," + (rank ? *rank : ""));
      put("]\n");
    }
  }
  put_text_line("DaTe", "DT", info_dt(game));
  put_text_line("PlaCe", "PC", info_pc(game));
  put_text_line("REsult", "RE", info_re(game));
  if (game->size != 19) {
    put(key("SiZe", "SZ"));
    put_format("[%d]\n", game->size);
  }
  put_text_line("HAndicap", "HA", info_ha(game));
  put_text_line("KoMi", "KM", info_km(game));
  put_text_line("SOurce", "SO", info_so(game));
  put_text_line("TiMe", "TM", info_tm(game));
  put_text_line("RUles", "RU", info_rules(game));
  put_text_line("ANnotation", "AN", info_analysis(game));
  if (game->info && game->info->gc) put_text_line("GameComment", "GC", game->info->gc->c_str());
  if (!game->name.empty()) put_text_line("Name", "N", game->name.c_str());
  // CA has no long spelling: it came with FF[4].
  if (!game->charset.empty()) put_text_line("CA", "CA", game->charset.c_str());
  put_header_properties(game);
}

void SgfWriter::game2db(Game* game, const char* filename) {
  // An unreadable input has no record to write.
  if (db_written || !game) return;
  if (!filename) {
    put(key("GaMe", "GM"));
    put_format("[%d]\n", game->gametype);
    put_region("VieW", "VW", game->view);
    put_region("ReGion", "RG", game->region);
    if (const char* ro = info_ro(game)) {
      put(key("ROund", "RO"));
      put('[');
      put_escaped(ro);
      put("]\n");
    }
    put_text_line("USer", "US", info_us(game));
    put(key("APplication", "AP"));
    put_format("[kifugram:%d.%d.%d]\n", kVersionMajor, kVersionMinor, kVersionPatch);
  }
  put_text_line("GameName", "GN", info_gn(game));
  put_text_line("EVent", "EV", info_ev(game));
  put_text_line("ID", "ID", info_id(game));
  put_text_line("FileFormat", "FF", game->format.c_str());
  put_text_line("PlayerBlack", "PB", info_pb(game));
  put_text_line("BlackRanking", "BR", info_br(game));
  put_text_line("PlayerWhite", "PW", info_pw(game));
  put_text_line("WhiteRanking", "WR", info_wr(game));
  put_text_line("DaTe", "DT", info_dt(game));
  put_text_line("PlaCe", "PC", info_pc(game));
  put_text_line("REsult", "RE", info_re(game));
  if (game->size != 19) {
    put(key("SiZe", "SZ"));
    put_format("[%d]\n", game->size);
  }
  put_text_line("HAndicap", "HA", info_ha(game));
  put_text_line("KoMi", "KM", info_km(game));
  put_text_line("SOurce", "SO", info_so(game));
  put_text_line("TiMe", "TM", info_tm(game));
  if (filename) {
    put(key("MoveS", "MS"));
    put_format("[%d]\n", game->nmoves);
    put(key("FileName", "FN"));
    put('[');
    put_escaped(filename);
    put("]\n");
  }
  db_written = true;
  out.flush();
}

}  // namespace

void game2sgf(Game* game, const Options& opt, FILE* fw) { SgfWriter(opt, fw).game2sgf(game); }

void game2db(Game* game, const char* filename, const Options& opt, FILE* fw) {
  SgfWriter(opt, fw).game2db(game, filename);
}

}  // namespace kg
