// Placing moves and annotations on the current node, with captures and the
// legality of each move checked on the board as the record is read.
#include <algorithm>
#include <bit>
#include <cstdio>
#include <vector>

#include "game/game.h"
#include "game/pools.h"
#include "util/message.h"

namespace kg {

namespace {

// Takes the group at `start` off the board, noting each stone in the
// scratch list of captured stones. The stones are visited depth first, north, east, south,
// west, which fixes their order in the capture list; the explicit stack
// gives the same order as the natural recursion.
void capture_group(Game* game, int start) {
  Board& board = *game->goban;
  int colour = board.colour[start];
  auto& stack = board.scratch.stack;
  auto& taken = board.scratch.taken;
  ++board.stamp;
  stack.assign(1, start);
  taken.clear();
  while (!stack.empty()) {
    int x = stack.back();
    stack.pop_back();
    if (board.points[x].stamp == board.stamp) continue;
    board.points[x].stamp = board.stamp;
    board.scratch.captured.push_back(board.points[x].stone);
    taken.push_back(x);
    // Only stones of the group go on the stack (the edge has no colour of
    // play); anything else would be passed over when it came off.
    for (int k = 3; k >= 0; --k) {  // north comes off first
      int m = board.around[x][k];
      if (board.colour[m] == colour && board.points[m].stamp != board.stamp) stack.push_back(m);
    }
  }
  remove_group(board, taken);
}

const char* rejection_text(Legality result) {
  switch (result) {
    case Legality::occupied: return "occupied";
    case Legality::suicide: return "suicide";
    default: return "off the board";
  }
}

Chain* last_of(Chain* c) {
  while (c && c->next) c = c->next;
  return c;
}

Board::Tails& tails_of(Game* game, const MoveInfo* info) {
  Board::Tails& tails = game->goban->tails;
  if (tails.info != info) tails = {info, last_of(info->cleared), last_of(info->added), last_of(info->labels)};
  return tails;
}

// Appends `entry` at the end of a list whose last entry is `tail`.
void append(Chain*& list, Chain*& tail, Chain* entry) {
  if (!list) {
    list = entry;
  } else {
    tail = last_of(tail ? tail : list);
    tail->next = entry;
  }
  tail = entry;
}

}  // namespace

void forget_tails(Board* board, const MoveInfo* info) {
  if (board && board->tails.info == info) board->tails = {};
}

Move* need_node(Game* game, const char* label) {
  if (!game->current) {
    if (warns(game)) message("*** isolated info (\"%s\"), allocated storage ***\n", label);
    game->current = move_new(game, nullptr);
  }
  return game->current;
}

Move* store_node(Game* game) {
  Move* node = move_new(game, game->current);
  if (node) game->current = node;
  return node;
}

Legality rules_check(Game* game, int location, int colour) {
  if (!on_board(game, location)) return Legality::off_board;
  Board& board = *game->goban;
  BoardPoint* point = &board.points[location];
  if (point->stone) return Legality::occupied;
  if (board.groups_stale) refresh_groups(board);
  set_stone(board, *point, game->current);
  // Enemy groups left without a liberty are taken in the order their first
  // stone is met around the point; a capture always frees the point's own.
  // The edge's entry has no colour of play, so it is never taken. The test
  // has no branch; a neighbour taken with the group of an earlier one is
  // empty by the time its turn comes.
  int enemy = colour == BLACK ? WHITE : BLACK;
  const auto& around = board.around[location];
  unsigned taken = 0;
  for (int k = 0; k < 4; ++k) {
    int n = around[k];
    unsigned enemy_here = board.colour[n] == enemy, no_liberty = board.liberties[board.head[n]] == 0;
    taken |= (enemy_here & no_liberty) << k;
  }
  if (taken) {
    auto& captured = board.scratch.captured;
    captured.clear();
    for (; taken; taken &= taken - 1) {
      int n = around[std::countr_zero(taken)];
      if (board.colour[n] == enemy) capture_group(game, n);
    }
    // Only taking a move back and some outputs read the list; a top-level
    // line is never taken back.
    if (keeps_captures(game)) store_captures(game, captured.data(), static_cast<int>(captured.size()));
  }
  if (board.liberties[board.head[location]] > 0) return Legality::legal;
  set_stone(board, *point, nullptr);
  return Legality::suicide;
}

// A node holds one stone. When a record gives it a second move, the first
// stone leaves the board: the board must not keep a stone that the record no
// longer has, nor one whose node is released after an illegal second move.
void lift_stone(Game* game, Move* node) {
  if (on_board(game, node->location) && game->goban->points[node->location].stone == node)
    set_stone(*game->goban, game->goban->points[node->location], nullptr);
}

namespace {

// Plays a move on the current node; `column` and `row` name the point in the
// report of a refused move, since an off-board point has no location.
void play(Game* game, int number, int colour, int location, int column, int row) {
  Move* node = need_node(game, "store_move");
  if (!node) return;
  lift_stone(game, node);
  node->location = location;
  node->colour = static_cast<std::int16_t>(colour);
  node->number = static_cast<std::int16_t>(number == -1 ? game->movenum + 1 : number);
  const Legality result = rules_check(game, location, colour);
  if (result == Legality::legal) {
    if (!node->next) ++game->nmoves;
    game->movenum = node->number;
    return;
  }
  if (warns(game))
    message("*** %c[%c%c] (%s) ***\n", node->colour == BLACK ? 'B' : 'W', 'a' + column, 'a' + row,
            rejection_text(result));
  // The line must not keep a pointer to the released node.
  if (game->first == node) game->first = node->next;
  game->current = move_free(game, node);
}

}  // namespace

int point_at(const Game* game, int column, int row) {
  int size = game->size;
  if (column < 0 || column >= size || row < 0 || row >= size) return LOC_NONE;
  return column + row * size;
}

void store_move(Game* game, int number, int colour, int location) {
  int size = game->size > 0 ? game->size : 1;
  play(game, number, colour, location, location % size, location / size);
}

void store_move_at(Game* game, int number, int colour, int column, int row) {
  play(game, number, colour, point_at(game, column, row), column, row);
}

void store_pass(Game* game, int number, int colour) {
  Move* node = need_node(game, "store_pass");
  if (!node) return;
  lift_stone(game, node);
  node->location = LOC_PASS;
  node->colour = static_cast<std::int16_t>(colour);
  node->number = static_cast<std::int16_t>(number == -1 ? game->movenum + 1 : number);
  game->movenum = node->number;
  if (!node->next) ++game->nmoves;
}

void store_captures(Game* game, Move* const* stones, int count) {
  if (count <= 0) return;
  Move* node = need_node(game, "store_capture");
  MoveInfo* info = node ? move_info(node) : nullptr;
  if (!info) return;
  int before = captures_count(info->captured);
  Move** list = captures_alloc(before + count);
  if (!list) return;
  for (int i = 0; i < count; ++i) list[i] = stones[count - 1 - i];
  std::copy_n(info->captured, before, list + count);
  captures_free(info->captured);
  info->captured = list;
}

void store_addstone(Game* game, int colour, int location) {
  if (colour == EMPTY) {
    message("store_addstone(): Empty point request denied\n");
    return;
  }
  if (!on_board(game, location)) return;
  Move* node = need_node(game, "store_addstone");
  MoveInfo* info = node ? move_info(node) : nullptr;
  Chain* entry = info ? chain_alloc(game) : nullptr;
  if (!entry) return;
  Move* setup = move_new(game, nullptr);
  if (!setup) {
    chain_free(entry);
    return;
  }
  setup->colour = static_cast<std::int16_t>(colour);
  setup->number = 0;
  setup->location = location;
  BoardPoint& point = game->goban->points[location];
  entry->occupant = point.stone;
  entry->move = setup;
  entry->location = location;
  append(info->added, tails_of(game, info).added, entry);
  set_stone(*game->goban, point, setup);
}

void store_ae(Game* game, int location) {
  if (!on_board(game, location)) return;
  Move* node = need_node(game, "store_ae");
  MoveInfo* info = node ? move_info(node) : nullptr;
  Chain* entry = info ? chain_alloc(game) : nullptr;
  if (!entry) return;
  BoardPoint& point = game->goban->points[location];
  if (point.stone) {
    entry->occupant = point.stone;
    entry->location = location;
    append(info->cleared, tails_of(game, info).cleared, entry);
    set_stone(*game->goban, point, nullptr);
    return;
  }
  bool emptied_here = false;
  for (Chain* c = info->cleared; c && !emptied_here; c = c->next)
    emptied_here = c->occupant && c->location == location;
  if (!emptied_here && warns(game)) {
    int size = game->size;
    message("AE[%c%c]\t*** (not occupied)\n", 'a' + location % size, 'a' + location / size);
  }
  chain_free(entry);
}

namespace {

Chain* add_label(Game* game, int location, int letter, std::string_view text) {
  if (!on_board(game, location)) return nullptr;
  Move* node = need_node(game, "store_l");
  MoveInfo* info = node ? move_info(node) : nullptr;
  Chain* entry = info ? chain_alloc(game) : nullptr;
  if (!entry) return nullptr;
  entry->location = location;
  Chain*& tail = tails_of(game, info).labels;
  if (info->labels) tail = last_of(tail ? tail : info->labels);
  entry->label = letter == -1 ? (info->labels ? tail->label + 1 : 'a') : letter;
  if (!text.empty()) entry->text = text;
  append(info->labels, tail, entry);
  return entry;
}

}  // namespace

void store_l(Game* game, int location, int letter) {
  if (letter == -1) {
    add_label(game, location, -1, {});
    return;
  }
  const char given = static_cast<char>(letter);
  add_label(game, location, letter, std::string_view(&given, 1));
}

void store_lb(Game* game, int location, std::string_view text) {
  if (text.empty()) return;
  add_label(game, location, static_cast<unsigned char>(text[0]), text);
}

void store_pl(Game* game, int colour) {
  Move* node = need_node(game, "store_pl");
  if (MoveInfo* info = node ? move_info(node) : nullptr) info->to_play = static_cast<std::int8_t>(colour);
}

void store_mn(Game* game, int number) {
  Move* node = need_node(game, "store_mn");
  if (MoveInfo* info = node ? move_info(node) : nullptr) {
    info->shown_number = number;
    info->has_shown_number = true;
  }
}

void store_raw(Game* game, std::string_view key, std::string_view value, bool more) {
  Move* node = need_node(game, "store_raw");
  MoveInfo* info = node ? move_info(node) : nullptr;
  if (!info) return;
  if (!info->raw) info->raw = std::make_unique<std::vector<RawProperty>>();
  auto& raw = *info->raw;
  if (!more || raw.empty()) raw.push_back(RawProperty{std::string(key), {}});
  raw.back().values.emplace_back(value);
}

Chain* store_m(Game* game, int location, int kind, std::string_view text) {
  if (!on_board(game, location)) return nullptr;
  Move* current = game->current;
  if (current && current->info) {
    for (Chain** link = &current->info->marks; *link; link = &(*link)->next) {
      if ((*link)->location == location) {
        Chain* gone = *link;
        *link = gone->next;
        chain_free(gone);
        break;
      }
    }
  }
  if (kind == 0) return nullptr;
  Move* node = need_node(game, "store_m");
  MoveInfo* info = node ? move_info(node) : nullptr;
  Chain* entry = info ? chain_alloc(game) : nullptr;
  if (!entry) return nullptr;
  entry->mark = kind;
  entry->location = location;
  entry->occupant = game->goban->points[location].stone;
  if (!text.empty()) entry->text = text;
  entry->next = info->marks;
  info->marks = entry;
  return entry;
}

// Appends a text entry at the end of the current node's list.
Text* append_text(Game* game, const char* label) {
  Move* node = need_node(game, label);
  MoveInfo* info = node ? move_info(node) : nullptr;
  Text* entry = info ? text_alloc(game) : nullptr;
  if (!entry) return nullptr;
  entry->prev = info->texts_tail;
  if (info->texts_tail)
    info->texts_tail->next = entry;
  else
    info->texts = entry;
  info->texts_tail = entry;
  return entry;
}

void store_c(Game* game, std::string_view text) {
  if (text.empty()) return;
  Text* entry = append_text(game, "store_c");
  if (!entry) return;
  entry->rank = static_cast<int>(text.size());
  entry->text.assign(text);
}

void store_time(Game* game, int colour, std::string_view text) {
  Move* node = need_node(game, "store_time");
  MoveInfo* info = node ? move_info(node) : nullptr;
  if (!info) return;
  (colour == BLACK ? info->black_time : info->white_time) = text;
}

void store_n(Game* game, std::string_view text) {
  if (!text.empty()) game->name.assign(text);
}

void store_sz(Game* game, int size) {
  if (size < 3 || size > 19) {
    if (warns(game)) {
      message("*** %d is an illegal board size ***\n", size);
      message("*** Substituted %d as board size ***\n", 19);
    }
    size = 19;
  }
  if (size == game->size) return;
  if (game->parent) {
    // The board is shared with the enclosing game, whose position must
    // survive the variation: a variation keeps the size it was opened with.
    if (warns(game)) message("*** board size change inside a variation ignored ***\n");
    return;
  }
  if (game->first && game->first->location >= 0 && warns(game))
    message("*** resized board caused information loss ***\n");
  goban_free(game->goban);
  game->goban = nullptr;
  game->size = goban_new(game, size) ? size : 0;
}

}  // namespace kg
