// The two rearrangements of the variation tree run between reading and
// writing: -sequent and -flatten.
#include <cstdint>
#include <vector>

#include "game/game.h"
#include "figure/figure.h"

namespace kg {

// At every branching node of a line, the last variation moves to the front;
// the moved variation's own line is treated the same way (a worklist instead
// of recursion, since variations nest without limit).
void game_sequent(Game* game) {
  if (!game || !game->first) return;
  std::vector<Game*> work{game};
  while (!work.empty()) {
    Game* g = work.back();
    work.pop_back();
    for (Move* m = g->first; m; m = m->next) {
      Game* first = m->variations;
      if (!first || !first->next) continue;
      Game* last = first;
      while (last->next) last = last->next;
      work.push_back(last);
      last->prev->next = nullptr;
      last->prev = nullptr;
      last->next = first;
      first->prev = last;  // keeps the sibling list doubly linked
      m->variations = last;
    }
  }
}

// Where the main line ends at a branching node, the first variation becomes
// the line's continuation, numbered on from the branching move. Where the
// line goes on after a node, its variations stay variations: nothing of
// the line is dropped.
void game_flatten(Game* game) {
  if (!game || !game->first) return;
  int last = 0;
  for (Move* m = game->first; m; m = m->next) {
    if (m->number != 0) last = m->number;
    // Variations on nodes merged from a variation are the line's now.
    for (Game* s = m->variations; s; s = s->next) s->parent = game;
    Game* v = m->variations;
    if (!v || m->next) continue;
    for (Move* n = v->first; n; n = n->next) {
      if (n->number == 0) continue;
      n->number = static_cast<std::int16_t>(n->number + last);
      ++game->movenum;
    }
    m->variations = v->next;
    if (v->next) v->next->prev = nullptr;
    // The merged line keeps its root node, which still has no `prev`: it
    // marks where the line was joined, and the SGF writer puts it out as
    // the empty node that begins a line.
    m->next = v->first;
    // The merged variation's record is no longer reachable; its nodes now
    // belong to the main line, so only the record itself is released.
    v->first = v->current = nullptr;
    v->next = v->prev = nullptr;
    game_free(v);
  }
}

}  // namespace kg
