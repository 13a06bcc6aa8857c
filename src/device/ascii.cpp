// The ascii output format: every figure and selected diagram as a text board
// with coordinates, a centred caption, the figure's notes and its comments.
#include <cstdio>
#include <cstring>
#include <string>

#include "game/game.h"
#include "kibitz/kibitz.h"
#include "main/figure.h"
#include "main/settings.h"
#include "util/strutil.h"

namespace kg {

namespace {

void print_columns(int size) {
  std::fputs("\t   ", fw);
  for (int c = 0; c < size; ++c) std::fprintf(fw, "%c ", column_letter(c));
}

void print_caption(Game* game, const char* caption) {
  int length = static_cast<int>(std::strlen(caption));
  int pad = (2 * game->size - length) / 2;
  if (pad < 0) pad = 0;
  std::fprintf(fw, "\t%*s%s\n", pad, "", caption);
  std::fprintf(fw, "\t%*s%s\n", pad, "", std::string(length, '-').c_str());
}

int ASCII_init(Game*) { return 1; }

void ASCII_exit(Game*) {}

int ASCII_alloc(Game*) { return 1; }
void ASCII_free(Game*) {}

void ASCII_onmove(Game*, int number, int, int old_number, int) {
  con_printf("%d at %d", number, old_number);
}

void ASCII_onstone(Game* game, int number, int, int location) {
  con_printf("%d at (%c,%d)", number, column_letter(location % game->size),
             game->size - location / game->size);
}

void ASCII_pass(Game*, int number, int) { con_printf("%d pass", number); }
void ASCII_time(Game*, const char*, const char*) {}

// Prints the comments of the nodes [first_comment, next).
void print_comments(Move* first_comment, Move* next, int smallest, int largest) {
  // Lines and kibitzer names are printed whole, however long.
  std::string line, last_name;
  for (Move* m = first_comment; m && m != next; m = m->next) {
    if (!m->info || !m->info->texts) continue;
    if (kibitz) kib_add(m->info->texts);
    if (m->number != 0) {
      last_name.clear();
      if (labels && smallest != largest) {
        std::fprintf(fw, "\n%s %3d:\n", m->colour == BLACK ? "Black" : "White", m->number);
        std::fputs("---------\n", fw);
      }
    }
    for (const Text* t = m->info->texts; t; t = t->next) {
      line = t->text.c_str();
      if (!line.empty() && line.back() == ' ') line.back() = '\n';
      if (!kibitz) {
        std::fputs(line.c_str(), fw);
        if (text_needs_break(t->text)) std::fputc('\n', fw);
        continue;
      }
      if (!line.empty() && line.back() == '\n') line.pop_back();
      if (!t->name) {
        // A plain comment among kibitz lines has no speaker to align under.
        last_name.clear();
        std::fprintf(fw, "%s\n", line.c_str());
      } else if (*t->name != last_name) {
        last_name = *t->name;
        std::fprintf(fw, "%s[%s]: %s\n", t->name->c_str(), rank2str(t->rank), line.c_str());
      } else {
        int width = static_cast<int>(t->name->size() + std::strlen(rank2str(t->rank)) + 4);
        std::fprintf(fw, "%*s%s\n", width, "", line.c_str());
      }
    }
  }
}

int ASCII_emit(Game* game, Move* first, Move* last, Move* first_comment, Move* next) {
  const int size = game->size;
  const char* caption = board_caption(game, first, last);
  const auto& fig = game->figure_board;
  int smallest = 999, largest = 0;

  std::fputc('\n', fw);
  print_columns(size);
  std::fputc('\n', fw);
  for (int row = 0; row < size; ++row) {
    std::fprintf(fw, "\t%2d ", size - row);
    for (int col = 0; col < size; ++col) {
      std::size_t at = static_cast<std::size_t>(row) * size + col;
      BoardCell cell = at < fig.size() ? fig[at] : BoardCell{};
      if (cell.label) {
        std::fprintf(fw, "%c ", cell.label->label);
      } else if (cell.mark && cell.mark->mark != 0) {
        std::fputs(cell.colour == EMPTY ? "# " : cell.colour == BLACK ? "x " : "o ", fw);
      } else if (cell.colour == EMPTY) {
        std::fputs(". ", fw);
      } else if (cell.number != 0) {
        std::fprintf(fw, "%-2d", cell.number % 100);
        if (cell.number < smallest) smallest = cell.number;
        if (cell.number > largest) largest = cell.number;
      } else {
        std::fputs(cell.colour == BLACK ? "@ " : "O ", fw);
      }
    }
    std::fprintf(fw, " %2d\n", size - row);
  }
  print_columns(size);
  std::fputs("\n\n", fw);
  print_caption(game, caption);
  std::string notes = con_cat();
  if (!notes.empty()) std::fprintf(fw, "\n%s\n", notes.c_str());
  std::fputc('\n', fw);

  if (first_comment && first_comment != next) print_comments(first_comment, next, smallest, largest);
  return 1;
}

}  // namespace

const OutputDevice ascii_device = {ASCII_init,    ASCII_exit, ASCII_alloc, ASCII_free, ASCII_onmove,
                                   ASCII_onstone, ASCII_pass, ASCII_time,  ASCII_emit};

}  // namespace kg
