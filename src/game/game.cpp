// Creation and release of the game records.
#include "game/game.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "game/pools.h"
#include "util/message.h"

namespace kg {

// Static: records of every game come from here and stay in the arena, which
// outlives any one game.
ModelPools pools;

namespace {

// Releases the annotations of one node; its variations are queued on
// `pending` so that nothing here recurses over the tree.
void release_info(Board* board, Move* node) {
  MoveInfo* info = node->info;
  if (!info) return;
  for (Chain* c = info->added; c;) {
    Chain* next = c->next;
    pools.move.release(c->move);
    pools.chain.release(c);
    c = next;
  }
  captures_free(info->captured);
  chain_freelist(info->cleared);
  chain_freelist(info->labels);
  chain_freelist(info->marks);
  for (Text* t = info->texts; t;) {
    Text* next = t->next;
    pools.text.release(t);
    t = next;
  }
  forget_tails(board, info);
  pools.info.release(info);
  node->info = nullptr;
}

}  // namespace

Game* game_alloc(Game* parent, const Options* options) {
  auto* game = new (std::nothrow) Game;
  if (!game) {
    if (parent ? warns(parent) : options && options->sgfwarn) message("Out of memory in game_alloc()\n");
    return nullptr;
  }
  game->options = parent ? parent->options : options;
  if (!parent) {
    if (!goban_new(game, 19)) {
      delete game;
      return nullptr;
    }
    game->size = 19;
    game->format.assign(1, '4');
    info_need(game, "game");
  } else {
    game->size = parent->size;
    game->info = parent->info;
    game->goban = parent->goban;
    game->view = parent->view;
    game->region = parent->region;
  }
  game->parent = parent;
  Move* root = move_new(game, nullptr);
  if (!root) {
    if (!parent) goban_free(game->goban);
    delete game;
    return nullptr;
  }
  game->first = game->current = root;
  root->colour = WHITE;
  return game;
}

void game_free(Game* game) {
  // Games waiting to be released: later siblings and the variations met on
  // the way. A worklist instead of recursion keeps the stack flat however
  // long or deep the tree is.
  std::vector<Game*> pending;
  if (game) pending.push_back(game);
  // A top-level game's board serves its variations until they are gone too.
  std::vector<Board*> boards;
  while (!pending.empty()) {
    Game* g = pending.back();
    pending.pop_back();
    if (g->next) pending.push_back(g->next);
    for (Move* node = g->first; node;) {
      Move* next = node->next;
      if (node->variations) pending.push_back(node->variations);
      release_info(g->goban, node);
      pools.move.release(node);
      node = next;
    }
    if (!g->parent) boards.push_back(g->goban);
    delete g;
  }
  for (Board* board : boards) goban_free(board);
}

Board* goban_alloc(int size, bool warn) {
  if (size <= 0) {
    if (warn) message("Board size out of range: %d\n", size);
    return nullptr;
  }
  auto* board = new (std::nothrow) Board;
  if (!board) {
    if (warn) message("Out of memory in goban_alloc()\n");
    return nullptr;
  }
  try {
    std::size_t n = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
    board->points.resize(n);
    // One spare entry behind the points stands for the edge: it is no
    // colour, and empty points name it as their group.
    auto edge = static_cast<std::int16_t>(n);
    board->around.assign(n, {edge, edge, edge, edge});
    board->colour.assign(n + 1, EMPTY);
    board->colour[n] = NO_PLAY;
    board->head.assign(n + 1, edge);
    board->next_stone.assign(n + 1, 0);
    board->stones.assign(n + 1, 0);
    board->liberties.assign(n + 1, 0);
  } catch (const std::bad_alloc&) {
    delete board;
    if (warn) message("Out of memory in goban_alloc()\n");
    return nullptr;
  }
  return board;
}

void goban_free(Board* board) { delete board; }

Board* goban_new(Game* game, int size) {
  Board* board = goban_alloc(size, warns(game));
  game->goban = board;
  if (!board) return nullptr;
  auto& p = board->points;
  int n = size * size;
  for (int i = 0; i < n; ++i) {
    p[i].north = i - size >= 0 ? &p[i - size] : nullptr;
    p[i].east = (i + 1) % size != 0 ? &p[i + 1] : nullptr;
    p[i].south = i + size < n ? &p[i + size] : nullptr;
    p[i].west = i % size != 0 ? &p[i - 1] : nullptr;
    int k = 0;
    for (BoardPoint* q : {p[i].north, p[i].east, p[i].south, p[i].west})
      board->around[i][k++] = static_cast<std::int16_t>(q ? q - p.data() : n);
  }
  return board;
}

int board_alloc(Game* game) {
  std::size_t cells = game->size > 0 ? static_cast<std::size_t>(game->size) * game->size : 0;
  try {
    game->board.assign(cells, BoardCell{});
    if (game->parent && !game->parent->board.empty()) {
      const auto& from = game->parent->board;
      // A parent resized after the variation was opened has another size;
      // copy what both share rather than read past either array.
      std::copy_n(from.begin(), std::min(cells, from.size()), game->board.begin());
    }
    game->figure_board = game->board;
    game->saved_board = game->board;
  } catch (const std::bad_alloc&) {
    board_free(game);
    if (warns(game)) message("Out of memory in board_alloc()\n");
    return 0;
  }
  return 1;
}

void board_free(Game* game) {
  std::vector<BoardCell>().swap(game->board);
  std::vector<BoardCell>().swap(game->figure_board);
  std::vector<BoardCell>().swap(game->saved_board);
}

Move* move_alloc(const Game* game) {
  Move* node = pools.move.make();
  if (!node) {
    if (warns(game)) message("Out of memory in move_alloc()\n");
    return nullptr;
  }
  node->location = LOC_NONE;
  return node;
}

Move* move_new(Game* game, Move* prev) {
  Move* node = move_alloc(game);
  if (!node) return nullptr;
  if (!game->first) game->first = node;
  node->number = static_cast<std::int16_t>(game->movenum);
  if (prev) {
    node->prev = prev;
    node->next = prev->next;
    if (prev->next) prev->next->prev = node;
    prev->next = node;
  }
  return node;
}

Move* move_free(Game* game, Move* node) {
  if (!node) return nullptr;
  Move* prev = node->prev;
  if (prev) prev->next = node->next;
  if (node->next) node->next->prev = prev;
  release_info(game ? game->goban : nullptr, node);
  // Variations hung on a rejected node could never be reached again.
  game_free(node->variations);
  pools.move.release(node);
  return prev;
}

MoveInfo* move_info(Move* node) {
  if (!node->info) node->info = pools.info.make();
  return node->info;
}

Text* text_alloc(const Game* game) {
  Text* t = pools.text.make();
  if (!t && warns(game)) message("Out of memory in text_alloc()\n");
  return t;
}

Chain* chain_alloc(const Game* game) {
  Chain* c = pools.chain.make();
  if (!c && warns(game)) message("Out of memory in chain_alloc()\n");
  return c;
}

void chain_free(Chain* entry) { pools.chain.release(entry); }

bool keeps_captures(const Game* game) {
  return game->parent || !game->options || game->options->keep_main_captures;
}

Move** captures_alloc(int count) {
  if (count < 1 || count > kMostCaptured) return nullptr;
  Move**& reuse = pools.captures_free[count];
  Move** list = reuse;
  if (list) {
    reuse = reinterpret_cast<Move**>(list[0]);
  } else {
    list = static_cast<Move**>(mp_carve((static_cast<std::size_t>(count) + 1) * sizeof(Move*)));
    if (!list) list = static_cast<Move**>(std::calloc(static_cast<std::size_t>(count) + 1, sizeof(Move*)));
    if (!list) return nullptr;
  }
  std::fill_n(list, count + 1, nullptr);
  return list;
}

int captures_count(const Move* const* list) {
  int count = 0;
  while (list && list[count]) ++count;
  return count;
}

void captures_free(Move** list) {
  int count = captures_count(list);
  if (count == 0) return;
  // The free list's link takes the first stone's place.
  list[0] = reinterpret_cast<Move*>(pools.captures_free[count]);
  pools.captures_free[count] = list;
}

void chain_freelist(Chain* entry) {
  while (entry) {
    Chain* next = entry->next;
    pools.chain.release(entry);
    entry = next;
  }
}

}  // namespace kg
