// View and highlighted region, game references and statistics.
#include <cstdio>

#include "game/game.h"
#include "game/pools.h"

namespace kg {

namespace {

bool valid(const Region& r, int size) {
  return r.x >= 0 && r.x < size && r.y >= 0 && r.y < size && r.width >= 1 && r.height >= 1 &&
         r.x + r.width <= size && r.y + r.height <= size;
}

// One corner: the first marks the rectangle, the second completes it.
void set_corner(Region& r, int x, int y, int size) {
  if (r.width == 0) {
    r.width = x + 1;
    r.height = y + 1;
  } else {
    int x0 = r.width - 1, y0 = r.height - 1;
    r.x = x < x0 ? x : x0;
    r.width = (x < x0 ? x0 - x : x - x0) + 1;
    r.y = y < y0 ? y : y0;
    r.height = (y < y0 ? y0 - y : y - y0) + 1;
  }
  if (!valid(r, size)) r = Region{};
}

}  // namespace

void store_vw(Game* game, int x, int y) { set_corner(game->view, x, y, game->size); }
void store_rg(Game* game, int x, int y) { set_corner(game->region, x, y, game->size); }

Ref* ref_alloc(Game* game) {
  Ref* ref = pools.ref.make();
  if (!ref) return nullptr;
  Ref** tail = &game->refs;
  while (*tail) tail = &(*tail)->next;
  *tail = ref;
  return ref;
}

void store_gr(Game* game, const char* text) {
  Ref* ref = ref_alloc(game);
  if (!ref) return;
  Region& r = ref->region;
  int n = std::sscanf(text, "%d,%ld@%d,%dX%d@(%d,%d)", &ref->a, &ref->b, &ref->c, &r.width,
                      &r.height, &r.x, &r.y);
  if (n != 7) std::fprintf(stderr, "Parse error in store_gr()\n");
}

Stat* stat_alloc(Game* game) {
  game->stat = pools.stat.make();
  return game->stat;
}

void store_gs(Game* game, const char* text) {
  if (game->stat) {
    std::fprintf(stderr, "Extra game stat specs ignored\n");
    return;
  }
  Stat* s = stat_alloc(game);
  if (!s) return;
  int n = std::sscanf(text, "%d(%d,%d,%d),%d", &s->s1, &s->s2, &s->s3, &s->s4, &s->s5);
  if (n != 5) std::fprintf(stderr, "Parse error in store_gs()\n");
}

}  // namespace kg
