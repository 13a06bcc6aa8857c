// Opening and closing variations while a record is read, and taking the
// shared board back to the branching position.
#include <algorithm>
#include <vector>

#include "game/game.h"
#include "game/pools.h"
#include "util/message.h"

namespace kg {

namespace {

void put_back(Game* game, int location, Move* stone) {
  if (on_board(game, location)) set_stone(*game->goban, game->goban->points[location], stone);
}

}  // namespace

Game* push_var(Game* game) {
  Move* node = need_node(game, "push_var");
  if (!node) return nullptr;
  Game* last = nullptr;
  if (Game* first = node->variations) {
    last = first->last_sibling && !first->last_sibling->next ? first->last_sibling : first;
    while (last->next) last = last->next;
  }
  Game* variation = game_alloc(game);
  if (!variation) return nullptr;
  variation->prev = last;
  variation->next = nullptr;
  if (!store_node(variation)) {
    game_free(variation);
    return nullptr;
  }
  if (last) {
    last->next = variation;
    variation->varno = last->varno + 1;
  } else {
    node->variations = variation;
  }
  node->variations->last_sibling = variation;
  return variation;
}

Game* pop_var(Game* game) {
  move_mv_allback(game);
  game->current = game->first;
  return game->parent;
}

Move* move_current(Game* game) {
  if (!game) {
    message("Game pointer null in move_current()\n");
    return nullptr;
  }
  return game->current;
}

Move* move_mv_back(Game* game) {
  Move* node = game->current;
  if (!node) return nullptr;
  if (node->location >= 0) put_back(game, node->location, nullptr);
  if (MoveInfo* info = node->info) {
    // Every point this node touched gets back the one stone that stood there
    // before the node: the occupant that the node did not itself put there.
    // This holds whatever order setup stones and emptied points came in,
    // also when one point was set up twice or set up over the node's move.
    std::vector<const Move*> spare;
    auto& made = game->goban ? game->goban->scratch.made : spare;
    made.assign(1, node);
    for (Chain* c = info->added; c; c = c->next) made.push_back(c->move);
    std::sort(made.begin(), made.end());
    auto earlier = [&](const Move* m) {
      return m && !std::binary_search(made.begin(), made.end(), m);
    };
    for (Chain* c = info->added; c; c = c->next)
      if (c->move) put_back(game, c->move->location, nullptr);
    for (Move** s = info->captured; s && *s; ++s)
      if (earlier(*s)) put_back(game, (*s)->location, *s);
    for (Chain* list : {info->cleared, info->added})
      for (Chain* c = list; c; c = c->next)
        if (earlier(c->occupant)) put_back(game, c->location, c->occupant);
  }
  game->current = node->prev;
  return game->current;
}

Move* move_mv_allback(Game* game) {
  while (move_mv_back(game)) {
  }
  return game->current;
}

}  // namespace kg
