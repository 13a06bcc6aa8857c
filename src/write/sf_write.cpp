// Writer of the keyword-based standard format. Variations are written where
// they branch, each line of a variation indented by one tab whatever its
// depth; the tree is walked with an explicit stack.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "game/game.h"
#include "util/message.h"
#include "util/strutil.h"
#include "write/writers.h"

namespace kg {
namespace {

constexpr std::size_t kLongText = 66;  // header texts are cut to this length

// The reader takes at most 255 bytes as one line; keyword lists that would
// be longer are continued on further lines with the same keyword.
constexpr std::size_t kLineLimit = 255;

// Row 1 is the bottom line.
std::string point(const Game* game, int location) {
  return point_name(location, game->size, PointName::board);
}

// One keyword line of items ("SETUP B d4 q16"), split where the reader would
// cut it.
class ListLine {
 public:
  ListLine(FILE* fw, const char* indent, const char* keyword) : fw_(fw), head_(std::string(indent) + keyword) {}
  ListLine(const ListLine&) = delete;
  ListLine& operator=(const ListLine&) = delete;
  ~ListLine() { put(line_.empty() ? head_ : line_); }
  void add(const std::string& item) {
    if (line_.empty()) {
      line_ = head_;
    } else if (line_.size() + 1 + item.size() > kLineLimit - 1) {
      put(line_);
      line_ = head_;
    }
    line_ += ' ';
    line_ += item;
  }

 private:
  void put(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), fw_);
    std::fputc('\n', fw_);
  }
  FILE* fw_;
  std::string head_;
  std::string line_;
};

// The reader takes a header value or a name from the rest of one line: a line
// break inside it would start a line of its own, which cannot be read.
// Breaks are written as blanks instead, one for a carriage return and line
// feed pair.
std::string one_line(const char* text) {
  std::string line;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '\r' && p[1] == '\n') continue;
    line += *p == '\n' || *p == '\r' ? ' ' : *p;
  }
  return line;
}

bool is_white(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_white(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_white(s.back())) s.remove_suffix(1);
  return s;
}

// Whether the reader would take a line that begins with `line` for the end
// of the comment: its first word abbreviates ENDCOM ("End of game.").
bool ends_comment(std::string_view line) {
  std::size_t n = 0;
  while (n < line.size() && !is_white(line[n])) ++n;
  constexpr std::string_view key = "ENDCOM";
  if (n == 0 || n > key.size()) return false;
  for (std::size_t i = 0; i < n; ++i)
    if ((line[i] >= 'a' && line[i] <= 'z' ? line[i] - 'a' + 'A' : line[i]) != key[i]) return false;
  return true;
}

// The lines of a node's comment, "" for a paragraph break, such that the
// reader gives the text back with only its white space changed: the format
// joins the lines of a paragraph with blanks and keeps blank lines. A line
// the reader would take for ENDCOM follows the line before it on the same
// line; at the start of the comment it is the COM line's own text, and
// after a paragraph break it opens a new COM (the reader adds a comment's
// COM text to the one before, a paragraph apart).
std::vector<std::string> comment_lines(const Text* texts) {
  std::string all;
  for (const Text* t = texts; t; t = t->next) {
    all += t->text;
    if (text_needs_break(t->text)) all += '\n';
  }
  std::vector<std::string> lines{"COM"};
  bool paragraph = false;  // a break is due before the next text
  std::string_view rest = all;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = trimmed(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (line.empty()) {
      paragraph = lines.size() > 1;
      continue;
    }
    if (!ends_comment(line)) {
      if (paragraph) lines.emplace_back();
      lines.emplace_back(line);
    } else if (lines.size() == 1) {
      lines[0] += ' ';
      lines[0] += line;
    } else if (paragraph) {
      lines.emplace_back();
      lines.emplace_back("ENDCOM");
      lines.push_back("COM " + std::string(line));
    } else {
      lines.back() += ' ';
      lines.back() += line;
    }
    paragraph = false;
  }
  lines.emplace_back("ENDCOM");
  return lines;
}

int cleared_point(const Chain* c) { return c->occupant ? c->occupant->location : c->location; }

bool clears(const Move* node, int location) {
  for (const Chain* c = node->info ? node->info->cleared : nullptr; c; c = c->next)
    if (cleared_point(c) == location) return true;
  return false;
}

// A mark as the reader takes it back: its bare point, which reads as a
// mark (a character before "@" would read as a letter); a mark with a text
// of two characters keeps it.
std::string mark_item(const Chain* c, const std::string& at) {
  const bool word = c->text && c->text->size() == 2 && !is_white((*c->text)[0]) && !is_white((*c->text)[1]);
  return c->mark == MARK_TEXT && word ? *c->text + "@" + at : at;
}

// "name (rank)" as the reader splits it; nothing for neither, and an empty
// rank after a name that ends in a bracket, which would be read as one.
std::string player(const char* name_text, const char* rank_text) {
  const std::string name = std::string(trimmed(one_line(name_text))),
                    rank = std::string(trimmed(one_line(rank_text)));
  if (rank.empty() && (name.empty() || name.back() != ')')) return name;
  return name.empty() ? "(" + rank + ")" : name + " (" + rank + ")";
}

bool holds_something(const Game* g) {
  for (const Move* m = g->first; m; m = m->next)
    if (m->location != LOC_NONE || m->variations || (m->info && (m->info->added || m->info->cleared ||
                                                                 m->info->marks || m->info->labels || m->info->texts)))
      return true;
  return false;
}

struct Frame {
  Game* game;
  Move* node;       // next node of the line to write
  Game* variation;  // next variation of the node written last
  // The last move written on the line: the reader hangs a variation there.
  const Move* current = nullptr;
  // For a variation: the move it hangs on, which the reader's VAR takes off
  // the board (the format's variation replaces the move before it).
  const Move* replaced = nullptr;
  int hidden = LOC_NONE;  // that point, when the variation empties it itself
};

// One writing of a record.
class SfWriter {
 public:
  explicit SfWriter(FILE* out) : fw(out) {}
  void game2sf(Game* game);

 private:
  FILE* fw;
  // Set once a line that the reader counts as a placed move (a move on a
  // point, or DIAGRAM) is written: before it, the reader refuses VAR.
  bool counted = false;
  // As the reader's: set by DIAGRAM, cleared by a move and by VAR. Setup
  // stones after a move, and emptied points, need it.
  bool diagram = false;

  void end_variation() {
    std::fputs("\tENDVAR\n", fw);
    diagram = false;
  }

  void need_diagram(const char* indent) {
    if (diagram) return;
    std::fprintf(fw, "%sDIAGRAM\n", indent);
    diagram = counted = true;
  }

  void head_line(const char* keyword, const char* text) {
    std::string line = one_line(text);
    if (line.size() < kLongText) {
      std::fprintf(fw, "%s %s\n", keyword, line.c_str());
      return;
    }
    line.resize(kLongText);
    line += "...\n";
    std::fprintf(fw, "%s %s\n", keyword, line.c_str());
  }

  void write_header(const Game* game) {
    // The format assumes 19 x 19; any other size must lead the record so that
    // it applies before the first point is read.
    if (game->size != 19 && game->size >= 2 && game->size <= 19)
      std::fprintf(fw, "BOARDSIZE %d\n", game->size);
    if (const char* event = info_gn(game)) head_line("EVENT", event);
    for (const auto& [keyword, name, rank] : {std::tuple{"BLACK", info_pb(game), info_br(game)},
                                              std::tuple{"WHITE", info_pw(game), info_wr(game)}}) {
      const std::string text = player(name, rank);
      std::fprintf(fw, "%s%s%s\n", keyword, text.empty() ? "" : " ", text.c_str());
    }
    static constexpr struct {
      const char* keyword;
      const char* (*get)(const Game*);
    } kHeader[] = {
        {"HANDICAP", info_ha},  {"KOMI", info_km},        {"DATE", info_dt},
        {"PLACE", info_pc},     {"RESULT", info_re},      {"TIMELIMIT", info_tm},
        {"ANALYSIS", info_analysis}, {"SOURCE", info_so}, {"RECORDER", info_recorder},
        {"RULES", info_rules},
    };
    for (const auto& row : kHeader)
      if (const char* text = row.get(game)) head_line(row.keyword, text);
  }

  void write_setup(const Game* game, const char* indent, const Chain* added, int colour) {
    ListLine line(fw, indent, colour == BLACK ? "SETUP B" : "SETUP W");
    for (const Chain* c = added; c; c = c->next)
      if (c->move && c->move->colour == colour) line.add(point(game, c->move->location));
  }

  void write_move(const char* indent, const Game* game, const Move* node) {
    const char colour = node->colour == BLACK ? 'B' : 'W';
    if (node->location == LOC_TENUKI)
      std::fprintf(fw, "%s%c %d tenuki\n", indent, colour, node->number);
    else if (node->location == LOC_PASS)
      std::fprintf(fw, "%s%c %d pass\n", indent, colour, node->number);
    else
      std::fprintf(fw, "%s%c %d %s\n", indent, colour, node->number, point(game, node->location).c_str());
    diagram = false;
    counted = counted || node->location >= 0;
  }

  void write_node(Frame& frame, const Move* node) {
    const Game* game = frame.game;
    const char* indent = game->parent ? "\t" : "";
    if (node->location == LOC_TENUKI || node->location == LOC_PASS) {
      write_move(indent, game, node);
      frame.current = node;
    } else {
      if (!node->prev) {
        if (game->parent) {
          // A variation ahead of every move would be refused and its moves
          // read into the main line.
          if (!counted) std::fputs("DIAGRAM\n", fw);
          std::fprintf(fw, "%sVAR\n", indent);
          std::fprintf(fw, "%sDIAGRAM %s\n", indent, one_line(game->name.c_str()).c_str());
          counted = diagram = true;
          if (const Move* replaced = frame.replaced) {
            // A variation read from this format empties that point itself
            // before its first move (the reader's VAR does it again, so it
            // is left out of HIDE); any other is played from the position
            // after the move, which is played again.
            for (const Move* m = node->next; m && m->location == LOC_NONE && frame.hidden == LOC_NONE; m = m->next)
              if (clears(m, replaced->location)) frame.hidden = replaced->location;
            if (frame.hidden == LOC_NONE) {
              write_move(indent, game, replaced);
              frame.current = replaced;
            }
          }
        } else if (node == game->first) {
          // A line merged by -flatten begins with a root of its own; the
          // header belongs to the record's first only.
          write_header(game);
        }
      }
      if (node->location >= 0) {
        write_move(indent, game, node);
        frame.current = node;
        if (node->info && node->info->captured) {
          ListLine line(fw, indent, "PRISONER");
          for (const Move* const* s = node->info->captured; *s; ++s) line.add(point(game, (*s)->location));
        }
      }
    }
    const MoveInfo* info = node->info;
    if (!info) return;
    if (info->added) {
      int black = 0, other = 0;
      for (const Chain* c = info->added; c; c = c->next)
        ++((c->move && c->move->colour == BLACK) ? black : other);
      if (counted) need_diagram(indent);
      if (black) write_setup(game, indent, info->added, BLACK);
      if (other) write_setup(game, indent, info->added, WHITE);
    }
    if (info->cleared) {
      std::vector<int> points;
      for (const Chain* c = info->cleared; c; c = c->next) {
        if (cleared_point(c) == frame.hidden) frame.hidden = LOC_NONE;
        else points.push_back(cleared_point(c));
      }
      if (!points.empty()) {
        need_diagram(indent);
        ListLine line(fw, indent, "HIDE");
        for (int p : points) line.add(point(game, p));
      }
    }
    if (info->marks) {
      // The list is newest first; in reading order it reads back the same.
      std::vector<const Chain*> marks;
      for (const Chain* c = info->marks; c; c = c->next) marks.push_back(c);
      ListLine line(fw, indent, "MARK");
      for (auto c = marks.rbegin(); c != marks.rend(); ++c) line.add(mark_item(*c, point(game, (*c)->location)));
    }
    if (info->labels) {
      ListLine line(fw, indent, "MARK");
      for (const Chain* c = info->labels; c; c = c->next)
        line.add(std::string(1, static_cast<char>(c->label)) + "@" + point(game, c->location));
    }
    if (info->texts)
      for (const std::string& line : comment_lines(info->texts))
        std::fprintf(fw, "%s%s\n", line.empty() ? "" : indent, line.c_str());
  }
};

}  // namespace

// Writes `game` with all its variations to `fw`.
void SfWriter::game2sf(Game* game) {
  if (!game) return;
  std::vector<Frame> stack;
  auto begin = [this, &stack](Game* g, const Move* current) {
    if (!g->first) {
      if (g->parent) end_variation();
      else write_header(g);
      return;
    }
    Frame frame{g, g->first, nullptr};
    if (current && current->location >= 0) frame.replaced = current;
    stack.push_back(frame);
  };
  begin(game, nullptr);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.variation) {
      Game* variation = frame.variation;
      frame.variation = variation->next;
      // A variation that holds nothing would read back as the move again.
      if (holds_something(variation)) begin(variation, frame.current);  // may reallocate the stack
      continue;
    }
    if (!frame.node) {
      if (frame.game->parent) end_variation();
      stack.pop_back();
      continue;
    }
    Move* node = frame.node;
    write_node(frame, node);
    frame.node = node->next;
    frame.variation = node->variations;
  }
}

void game2sf(Game* game, FILE* fw) { SfWriter(fw).game2sf(game); }

}  // namespace kg
