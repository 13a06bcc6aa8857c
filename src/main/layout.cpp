// STUB: replaced by the variation layout passes.
#include "main/figure.h"
namespace kg {
void game_sequent(Game*) {}
void game_flatten(Game*) {}
}  // namespace kg
