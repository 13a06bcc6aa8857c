// The figure driver: cuts the main line into figures and every variation
// into a diagram, builds each picture on the game's figure board and calls
// the output device. Also the services every device shares (notes,
// captions).
#include "figure/figure.h"

#include <algorithm>
#include <bitset>
#include <unordered_map>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "game/game.h"
#include "util/message.h"

namespace kg {

// ---- notes and captions -------------------------------------------------------

int Figure::shown(const Move* m) const {
  auto it = offsets.find(m);
  return m->number + (it == offsets.end() ? 0 : it->second);
}

void OutputDevice::con_cat(std::string_view text) {
  if (!notes_.empty()) notes_ += ", ";
  notes_ += text;
}

std::string OutputDevice::con_cat() {
  std::string out;
  out.swap(notes_);
  return out;
}

void OutputDevice::con_printf(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  con_cat(buffer);
}

std::string board_caption(const Game* game, const Move* first, const Move* last) {
  return board_caption(game, first, first ? first->number : 0, last, last ? last->number : 0);
}

std::string board_caption(const Game* game, const Move* first, int first_number, const Move* last,
                          int last_number) {
  char caption[256];
  if (game->parent && !game->name.empty()) {
    // A name longer than a caption is cut.
    std::snprintf(caption, sizeof caption, "%s", game->name.c_str());
  } else if (!first) {
    std::snprintf(caption, sizeof caption, "No moves");
  } else if (first == last || !last) {
    std::snprintf(caption, sizeof caption, "%s %d", first->colour == BLACK ? "B" : "W", first_number);
  } else {
    std::snprintf(caption, sizeof caption, "%s %d -- %s %d", first->colour == BLACK ? "B" : "W",
                  first_number, last->colour == BLACK ? "B" : "W", last_number);
  }
  return caption;
}

// ---- positions ------------------------------------------------------------------

namespace {

// Points of a record can lie off the arrays when the board was resized after
// they were stored; such points are left out of every picture.
bool on_board(const std::vector<BoardCell>& cells, int location) {
  return location >= 0 && static_cast<std::size_t>(location) < cells.size();
}

// Replays the nodes [from, to) on `board` as figure_restore does; unless
// quiet, every setup stone met is announced and its location appended to
// `restoring`.
void replay(Game* game, Move* from, Move* to, std::vector<int>* restoring, bool quiet = false) {
  auto& board = game->board;
  for (Move* m = from; m && m != to; m = m->next) {
    if (MoveInfo* info = m->info) {
      for (Chain* c = info->added; c; c = c->next) {
        if (!quiet) std::fprintf(stderr, "Restoring %d\n", c->location);
        if (restoring) restoring->push_back(c->location);
        if (on_board(board, c->location) && c->move) board[c->location].colour = c->move->colour;
      }
      for (Chain* c = info->cleared; c; c = c->next)
        if (on_board(board, c->location)) board[c->location].colour = EMPTY;
    }
    if (m->location >= 0 && on_board(board, m->location)) {
      board[m->location].colour = m->colour;
      board[m->location].number = m->number;
      if (m->info)
        for (Move** s = m->info->captured; s && *s; ++s)
          if (on_board(board, (*s)->location)) board[(*s)->location].colour = EMPTY;
    }
  }
}

}  // namespace

void figure_begin(Game* game) {
  auto& board = game->board;
  auto& fig = game->figure_board;
  auto& saved = game->saved_board;
  std::size_t n = std::min({board.size(), fig.size(), saved.size()});
  for (std::size_t i = 0; i < n; ++i) {
    fig[i].label = nullptr;
    fig[i].mark = nullptr;
    fig[i].number = 0;
    board[i].number = 0;
    fig[i].colour = board[i].colour;
    saved[i].colour = board[i].colour;
  }
}

void figure_restore(Game* game, Move* from, Move* to) {
  game->board = game->saved_board;
  game->figure_board = game->saved_board;
  if (from == to) return;
  replay(game, from, to, nullptr);
}

// ---- the driver ---------------------------------------------------------------------

namespace {

// Where a figure stands, for the captions of the diagrams below it.
struct Place {
  bool diagram = false;
  int number = 0;
  std::unordered_map<const Move*, int> offsets;  // its nodes' numbers shown, where MN moved them
};

// What the first part of a figure leaves for its diagrams.
struct Head {
  bool made = false;  // alloc accepted the figure
  Move* next = nullptr;
  Move* first_branch = nullptr;
  Place place;
};

// One figure or diagram whose variations are being drawn.
struct Frame {
  Frame(Game* g, Move* s, Move* n, Move* branch, Place p)
      : game(g), start(s), next(n), node(branch), place(std::move(p)) {}
  Game* game;
  Move* start;
  Move* next;
  Move* node;            // next node of the figure to look at for variations
  Game* var = nullptr;   // next variation of the current branching node
  Move* branch = nullptr;  // the node `var` hangs on
  Place place;
  Move* replayed = nullptr;    // `board` holds the position before this node
  bool restored = false;       // `board` was rebuilt from saved_board
  std::vector<int> restoring;  // setup stones replayed so far, for the messages
  // While the diagrams below this figure are made, its arrays are released
  // and only the cells where saved_board differs from board are kept.
  bool parked = false;
  std::vector<std::pair<int, BoardCell>> saved_delta;
};

// Gives every variation its diagram number, depth first in the order the
// diagrams are made: a variation, the variations inside its line, then its
// next sibling.
void number_diagrams(Game* game) {
  int counter = 1;
  std::vector<std::pair<Game*, Move*>> stack;
  auto enter = [&](Game* g) {
    g->diagram_number = g->parent ? counter++ : 0;
    stack.emplace_back(g, g->first);
  };
  enter(game);
  while (!stack.empty()) {
    Move*& at = stack.back().second;
    while (at && !at->variations) at = at->next;
    if (at) {
      Game* v = at->variations;
      at = at->next;
      enter(v);
      continue;
    }
    Game* sibling = stack.back().first->next;
    stack.pop_back();
    if (sibling) enter(sibling);
  }
}

// The position after `to`, rebuilt from saved_board as figure_restore does,
// announcing every setup stone from the figure's start each time. Only the
// nodes not replayed before are played again: the board is not touched
// between two restores of one figure.
void restore_to(Frame& f, Move* to) {
  Game* game = f.game;
  if (!f.restored) {
    game->board = game->saved_board;
    game->figure_board = game->saved_board;
    f.restored = true;
    f.replayed = f.start;
  } else {
    for (int location : f.restoring) std::fprintf(stderr, "Restoring %d\n", location);
  }
  if (f.replayed == to) return;
  replay(game, f.replayed, to, &f.restoring);
  f.replayed = to;
}

// Releases the arrays of a figure whose diagrams are being made. The board
// is what its child's saved_board starts as, so only saved_board's
// differences need keeping.
void park(Frame& f, const Game* child) {
  Game* game = f.game;
  if (child->saved_board.size() != game->board.size() ||
      game->saved_board.size() != game->board.size())
    return;
  const auto& board = game->board;
  const auto& saved = game->saved_board;
  for (std::size_t i = 0; i < board.size(); ++i) {
    const BoardCell &b = board[i], &s = saved[i];
    if (b.colour != s.colour || b.number != s.number || b.label != s.label || b.mark != s.mark)
      f.saved_delta.emplace_back(static_cast<int>(i), s);
  }
  std::vector<BoardCell>().swap(game->board);
  std::vector<BoardCell>().swap(game->figure_board);
  std::vector<BoardCell>().swap(game->saved_board);
  f.parked = true;
}

void unpark(Frame& f, const Game* child) {
  if (!f.parked) return;
  Game* game = f.game;
  game->board = child->saved_board;
  game->saved_board = game->board;
  for (const auto& [i, cell] : f.saved_delta) game->saved_board[i] = cell;
  game->figure_board = game->saved_board;
  std::vector<std::pair<int, BoardCell>>().swap(f.saved_delta);
  f.parked = false;
}


class FigureDriver {
 public:
  FigureDriver(OutputDevice& device, const Options& opt, const FigureNeeds& needs)
      : device_(device), opt_(opt), needs_(needs) {}
  void run(Game* game);

 private:
  Move* make_figure(Game* game, Move* start);
  // `from`: for a diagram, the figure its variation branches in and the
  // node it hangs on.
  Head figure_head(Game* game, Move* start, bool figure, const Place* from = nullptr,
                   const Move* branch = nullptr);
  [[noreturn]] void end_run(Game* game, int status) {
    device_.exit(game);
    throw Exit(status);
  }

  OutputDevice& device_;
  const Options& opt_;
  const FigureNeeds& needs_;
  int figure_index_ = 1;     // the next entry of -figures
  int diagram_counter_ = 1;  // the number of the next diagram made
  int figures_ = 0;          // figures made
  int emitted_[2] = {0, 0};  // pictures emitted: figures, diagrams
  int main_offset_ = 0;      // MN on the main line: shown number less the move's
};

// Allocates, walks, annotates and emits one figure (a piece of the main
// line) or diagram and advances the diagram counter; its variations are
// left to the caller.
// The text that names where a variation begins: the move it replaces, as
// shown, and the figure or diagram that shows the node it hangs on.
std::string branch_text(const Place& from, const Move* branch) {
  auto shown = [&](const Move* m) {
    auto it = from.offsets.find(m);
    return m->number + (it == from.offsets.end() ? 0 : it->second);
  };
  const Move* after = branch->next;
  while (after && after->location == LOC_NONE) after = after->next;
  int move = 1;
  if (after) {
    move = shown(after);
  } else {
    for (const Move* m = branch; m; m = m->prev)
      if (m->location != LOC_NONE) {
        move = shown(m) + 1;
        break;
      }
  }
  return format_text("variation at move %d (%s %d)", move, from.diagram ? "Diagram" : "Figure", from.number);
}

// Allocates, walks, annotates and emits one figure (a piece of the main
// line) or diagram and advances the diagram counter; its variations are
// left to the caller.
Head FigureDriver::figure_head(Game* game, Move* start, bool figure, const Place* from,
                               const Move* branch) {
  Head head;
  if (!device_.alloc(game)) return head;
  head.made = true;
  figure_begin(game);

  const bool automatic = figure && opt_.figure_end(figure_index_) == 0;
  // Cut only by where comments, labels and variations fall (no -max, not
  // even -max 0, and no -figures), a figure ends before a number it would
  // show twice: numbers are shown modulo 100.
  const bool unique = automatic && opt_.maxmoves == -1 && opt_.figure_end(1) == 0;
  std::bitset<100> shown_numbers;
  int local_offset = 0;
  int& offset = figure ? main_offset_ : local_offset;
  Move *first = nullptr, *last = nullptr, *first_comment = nullptr, *walked = nullptr;
  auto& board = game->board;
  auto& fig = game->figure_board;
  int count = 0;
  bool stop = false;
  Move* next = start;
  const int number = figure ? ++figures_ : diagram_counter_;
  head.place.diagram = !figure;
  head.place.number = figure ? number : game->diagram_number;
  for (Move* node = start; node && !stop; node = node->next) {
    MoveInfo* info = node->info;
    const bool move = node->location >= 0 || node->location == LOC_PASS;
    int node_offset = offset;
    if (info && info->has_shown_number)
      node_offset = info->shown_number - node->number - (move ? 0 : 1);
    const int shown = node->number + node_offset;
    if (unique && count > 0 && node->location >= 0 && on_board(fig, node->location) &&
        fig[node->location].colour == EMPTY && shown_numbers[((shown - 1) % 100 + 100) % 100]) {
      next = node;
      break;
    }
    offset = node_offset;
    if (offset != 0) head.place.offsets[node] = offset;
    walked = node;
    if (move) {
      if (figure) {
        ++count;
        if (node->number == opt_.figure_end(figure_index_)) {
          ++figure_index_;
          stop = true;
        }
        if (count == opt_.maxmoves) stop = true;
      } else {
        ++count;
      }
      if (!first) first = node;
      last = node;
      if (node->location == LOC_PASS) {
        device_.pass(game, shown, node->colour);
      } else if (on_board(board, node->location) && on_board(fig, node->location)) {
        int p = node->location;
        board[p].colour = node->colour;
        board[p].number = node->number;
        if (fig[p].colour == EMPTY) {
          fig[p].colour = node->colour;
          fig[p].number = shown;
          shown_numbers[((shown - 1) % 100 + 100) % 100] = true;
        } else if (fig[p].number != 0) {
          device_.onmove(game, shown, node->colour, fig[p].number, fig[p].colour);
        } else {
          device_.onstone(game, shown, node->colour, p);
        }
        if (info)
          for (Move** s = info->captured; s && *s; ++s)
            if (on_board(board, (*s)->location)) board[(*s)->location].colour = EMPTY;
      }
    }
    if (opt_.textout && info && info->labels && automatic) stop = true;
    if (info && (info->black_time || info->white_time))
      device_.time(game, info->black_time ? info->black_time->c_str() : nullptr,
                   info->white_time ? info->white_time->c_str() : nullptr);
    if (node->variations) {
      if (figure) {
        for (Game* v = node->variations; v; v = v->next) v->figure_number = number;
      }
      if (automatic && !opt_.branches && opt_.diagram_selected(diagram_counter_)) stop = true;
      if (!head.first_branch) head.first_branch = node;
    }
    if (opt_.textout && info && info->texts) {
      if (automatic && first && (opt_.kibitz || needs_.cut_at_comments)) stop = true;
      if (!first_comment) first_comment = node;
    }
    next = node->next;
  }

  // A figure without a move or pass is annotated from its own nodes only.
  Move* end = last ? last : walked;
  if (opt_.textout) {
    add_letters(game, start, end);
    add_marks(game, start, end);
  }
  add_stones(game, start, end);
  remove_stones(game, start, end);

  if (figure || opt_.diagram_selected(diagram_counter_)) {
    Figure record;
    record.diagram = !figure;
    record.number = head.place.number;
    record.count = ++emitted_[figure ? 0 : 1];
    record.serial = emitted_[0] + emitted_[1];
    record.first = first;
    record.last = last;
    record.first_comment = first_comment;
    record.next = next;
    record.offsets = head.place.offsets;
    record.caption = board_caption(game, first, first ? record.shown(first) : 0, last,
                                   last ? record.shown(last) : 0);
    if (!figure && opt_.branches && from && branch) record.branch = branch_text(*from, branch);
    if (!device_.emit(game, record)) end_run(game, 0);
  }
  if (!figure) ++diagram_counter_;
  head.next = next;
  return head;
}

Move* FigureDriver::make_figure(Game* game, Move* start) {
  Head head = figure_head(game, start, true);
  if (!head.made) return nullptr;
  if (!head.first_branch) {
    // The walk leaves captured setup stones and late setup off the board,
    // and annotation puts drawn setup stones back on it: the next figure
    // starts from the position rebuilt as a branching figure's would be.
    game->board = game->saved_board;
    replay(game, start, head.next, nullptr, true);
    device_.free(game);
    return head.next;
  }

  // Diagrams are made depth first: a variation's diagram, the diagrams of its
  // own variations, then its next sibling's. An explicit stack keeps deep
  // nesting off the call stack.
  std::vector<Frame> stack;
  stack.emplace_back(game, start, head.next, head.first_branch, std::move(head.place));
  for (;;) {
    Frame& f = stack.back();
    if (!f.var) {
      while (f.node != f.next && !f.node->variations) f.node = f.node->next;
      if (f.node == f.next) {
        restore_to(f, f.next);
        device_.free(f.game);
        Move* next = f.next;
        Game* done = f.game;
        stack.pop_back();
        if (stack.empty()) return next;
        Frame& parent = stack.back();
        unpark(parent, done);
        board_free(done);
        parent.var = done->next;
        continue;
      }
      restore_to(f, f.node->next);
      f.var = f.node->variations;
      f.branch = f.node;
      f.node = f.node->next;
    }
    Game* v = f.var;
    if (!board_alloc(v)) end_run(f.game, 1);
    // A diagram is never cut, so one call draws the variation's whole line.
    Head sub = figure_head(v, v->first, false, &f.place, f.branch);
    if (sub.made && sub.first_branch) {
      park(f, v);
      stack.emplace_back(v, v->first, sub.next, sub.first_branch, std::move(sub.place));
      continue;
    }
    if (sub.made) device_.free(v);
    board_free(v);
    f.var = v->next;
  }
}

void FigureDriver::run(Game* game) {
  number_diagrams(game);
  Move* start = game->first;
  if (!device_.init(game)) end_run(game, 1);
  if (!board_alloc(game)) end_run(game, 1);
  do {
    start = make_figure(game, start);
  } while (start);
  board_free(game);
  device_.exit(game);
}

}  // namespace

void game2fig(Game* game, OutputDevice& device, const Options& opt, const FigureNeeds& needs) {
  FigureDriver(device, opt, needs).run(game);
}

}  // namespace kg
