// The walk over a figure's comments that every device shares.
#pragma once

#include <string>

#include "figure/figure.h"
#include "game/game.h"

namespace kg {

template <class OnNode, class OnText>
void walk_comments(Move* first_comment, Move* next, bool kibitz, OnNode on_node, OnText on_text) {
  std::string speaker;
  for (Move* m = first_comment; m && m != next; m = m->next) {
    if (!m->info || !m->info->texts) continue;
    if (m->number != 0) speaker.clear();
    on_node(m);
    for (const Text* t = m->info->texts; t; t = t->next) {
      Speaker who = Speaker::none;
      if (kibitz && !t->name) {
        speaker.clear();
        who = Speaker::unnamed;
      } else if (kibitz && *t->name != speaker) {
        speaker = *t->name;
        who = Speaker::named;
      } else if (kibitz) {
        who = Speaker::again;
      }
      on_text(*t, who);
    }
  }
}

}  // namespace kg
