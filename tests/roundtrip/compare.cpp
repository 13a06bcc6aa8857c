#include "roundtrip/compare.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "game/game.h"
#include "read/readers.h"
#include "util/message.h"
#include "util/strutil.h"
#include "write/writers.h"

namespace kg::roundtrip {

namespace {

// One step of a line as a format carries it, with the variations that
// branch after it.
struct Unit {
  std::string what;
  int colour = 0, location = LOC_NONE;  // the move, if it is one
  std::vector<const Game*> variations;
};

int cleared_point(const Chain* c) { return c->occupant ? c->occupant->location : c->location; }

std::string joined_texts(const MoveInfo* info) {
  std::string all;
  for (const Text* t = info ? info->texts : nullptr; t; t = t->next) {
    if (t->name) all += format_text("<%s %d>", t->name->c_str(), t->rank);
    all += t->text;
    if (text_needs_break(t->text)) all += '\n';
  }
  return all;
}

std::string move_text(const Move* m) {
  const char colour = m->colour == BLACK ? 'B' : 'W';
  if (m->location == LOC_PASS || m->location == LOC_TENUKI) return format_text("%c pass #%d", colour, m->number);
  return format_text("%c %d #%d", colour, m->location, m->number);
}

// Everything a node holds, as SGF must give it back.
std::string sgf_node(const Move* m) {
  std::string d;
  if (m->location != LOC_NONE) d += move_text(m) + "; ";
  const MoveInfo* info = m->info;
  if (!info) return d;
  // Setup stones, letters and marks as sets: SGF writes each colour's
  // stones and each kind of mark in a list of its own.
  std::vector<std::string> items;
  for (const Chain* c = info->added; c; c = c->next)
    if (c->move) items.push_back(format_text("A%c %d; ", c->move->colour == BLACK ? 'B' : 'W', c->move->location));
  // A letter's text that is the letter alone is the letter: FF[4] writes an
  // older record's L as LB. Its M is FF[4]'s MA.
  for (const Chain* c = info->labels; c; c = c->next) {
    const bool own = c->text && *c->text != std::string(1, static_cast<char>(c->label));
    items.push_back(format_text("L %d at %d [%s]; ", c->label, c->location, own ? c->text->c_str() : ""));
  }
  for (const Chain* c = info->marks; c; c = c->next)
    items.push_back(format_text("M %d at %d [%s]; ", c->mark == MARK_PLAIN ? MARK_CROSS : c->mark, c->location,
                                c->text ? c->text->c_str() : ""));
  std::sort(items.begin(), items.end());
  for (const std::string& item : items) d += item;
  for (const Chain* c = info->cleared; c; c = c->next) d += format_text("AE %d; ", cleared_point(c));
  if (const std::string texts = joined_texts(info); !texts.empty()) d += "C[" + texts + "]; ";
  if (info->black_time) d += "BL[" + *info->black_time + "]; ";
  if (info->white_time) d += "WL[" + *info->white_time + "]; ";
  if (info->to_play != EMPTY) d += format_text("PL %d; ", info->to_play);
  if (info->has_shown_number) d += format_text("MN %d; ", info->shown_number);
  if (info->raw)
    for (const RawProperty& p : *info->raw) {
      d += p.key;
      for (const std::string& v : p.values) d += "[" + v + "]";
      d += "; ";
    }
  return d;
}

std::string blanks_as_one(std::string_view text) {
  std::string out;
  for (char c : text) {
    const bool white = c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    if (!white) out += c;
    else if (!out.empty() && out.back() != ' ') out += ' ';
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// What the standard format keeps of a stretch of nodes, the move first.
struct Bucket {
  std::string move;
  std::vector<std::string> setup, cleared, letters, marks;
  std::vector<int> cleared_points;
  std::string texts;

  void add(const Move* m) {
    const MoveInfo* info = m->info;
    if (!info) return;
    for (const Chain* c = info->added; c; c = c->next)
      if (c->move) setup.push_back(format_text("A%c %d", c->move->colour == BLACK ? 'B' : 'W', c->move->location));
    for (const Chain* c = info->cleared; c; c = c->next) cleared_points.push_back(cleared_point(c));
    // A letter the reader does not take for one comes back as a mark.
    for (const Chain* c = info->labels; c; c = c->next) {
      if (c->label >= 33 && c->label <= 122) letters.push_back(format_text("%c at %d", c->label, c->location));
      else marks.push_back(format_text("%d", c->location));
    }
    for (const Chain* c = info->marks; c; c = c->next) marks.push_back(format_text("%d", c->location));
    if (const std::string t = joined_texts(info); !t.empty()) texts += t + " ";
  }

  std::string text() {
    for (int p : cleared_points) cleared.push_back(format_text("%d", p));
    std::string d = move.empty() ? "" : move + "; ";
    for (auto* list : {&setup, &cleared, &letters, &marks}) {
      std::sort(list->begin(), list->end());
      for (const std::string& item : *list) d += item + ", ";
      d += "; ";
    }
    return d + "C[" + blanks_as_one(texts) + "]";
  }
};

// The units of one line: a start, then one per node that holds something
// (SGF) or one per move (the standard format).
std::vector<Unit> units_of(const Game* g, Format carried, const Unit* parent) {
  std::vector<Unit> units(1);
  if (carried == Format::sgf) {
    for (const Move* m = g->first; m; m = m->next) {
      if (std::string d = sgf_node(m); !d.empty()) units.push_back(Unit{std::move(d), 0, LOC_NONE, {}});
      for (const Game* v = m->variations; v; v = v->next) units.back().variations.push_back(v);
    }
    return units;
  }
  std::vector<Bucket> buckets(1);
  for (const Move* m = g->first; m; m = m->next) {
    if (m->location != LOC_NONE) {
      buckets.emplace_back();
      buckets.back().move = move_text(m);
      units.push_back(Unit{"", m->colour, m->location == LOC_TENUKI ? LOC_PASS : m->location, {}});
    }
    buckets.back().add(m);
    for (const Game* v = m->variations; v; v = v->next) units.back().variations.push_back(v);
  }
  // The format's variation replaces the move it hangs on: it empties that
  // point and, when written from another format, plays the move again.
  if (parent && parent->location >= 0) {
    auto& first = buckets[0].cleared_points;
    if (auto at = std::find(first.begin(), first.end(), parent->location); at != first.end()) first.erase(at);
    if (units.size() > 1 && units[1].location == parent->location && units[1].colour == parent->colour &&
        units[1].variations.empty()) {
      Bucket& again = buckets[1];
      for (auto [from, to] : {std::pair{&again.setup, &buckets[0].setup}, {&again.letters, &buckets[0].letters},
                              {&again.marks, &buckets[0].marks}})
        to->insert(to->end(), from->begin(), from->end());
      first.insert(first.end(), again.cleared_points.begin(), again.cleared_points.end());
      buckets[0].texts += again.texts;
      buckets.erase(buckets.begin() + 1);
      units.erase(units.begin() + 1);
    }
  }
  for (std::size_t i = 0; i < units.size(); ++i) units[i].what = buckets[i].text();
  return units;
}

std::string info_text(const Game* g) {
  const GameInfo* i = g->info.get();
  if (!i) return "";
  std::string d;
  for (const auto* f : {&i->ev, &i->id, &i->gn, &i->gc, &i->us, &i->tm, &i->ha, &i->km, &i->dt, &i->pc, &i->re,
                        &i->so, &i->ro, &i->recorder, &i->analysis, &i->rules})
    d += (*f && !(*f)->empty() ? "[" + **f + "]" : "-") + " ";  // an empty value is none
  for (const Team* t : {i->black.get(), i->white.get()}) {
    d += "team ";
    if (!t) continue;  // no member of a team that is not there, not even its address
    for (const auto* list : {&t->names, &t->ranks})
      for (std::size_t k = 0; k < list->size(); ++k)
        if ((*list)[k] && !(*list)[k]->empty()) d += format_text("%zu[%s]", k, (*list)[k]->c_str());
  }
  return d;
}

bool holds_nothing(const Game* v, Format carried) {
  if (!v->name.empty() && carried == Format::sgf) return false;
  for (const Move* m = v->first; m; m = m->next) {
    const MoveInfo* i = m->info;
    const bool sf_visible = m->location != LOC_NONE ||
                            (i && (i->added || i->cleared || i->marks || i->labels || i->texts));
    if (m->variations || (carried == Format::sgf ? !sgf_node(m).empty() : sf_visible)) return false;
  }
  return true;
}

struct Pair {
  const Game* a;
  const Game* b;
  Unit parent_a, parent_b;
  std::string where;
};

}  // namespace

std::string difference(const Game* a, const Game* b, Format carried) {
  if (a->size != b->size) return format_text("board size %d, then %d", a->size, b->size);
  if (carried == Format::sgf) {
    if (info_text(a) != info_text(b)) return "game information: " + info_text(a) + " | " + info_text(b);
    if (!(a->view == b->view) || !(a->region == b->region)) return "view or region";
  }
  std::vector<Pair> work{{a, b, {}, {}, "main line"}};
  while (!work.empty()) {
    Pair p = std::move(work.back());
    work.pop_back();
    const bool variation = p.a->parent != nullptr;
    if (carried == Format::sgf && variation && p.a->name != p.b->name)
      return p.where + ": name [" + p.a->name + "], then [" + p.b->name + "]";
    auto ua = units_of(p.a, carried, variation ? &p.parent_a : nullptr);
    auto ub = units_of(p.b, carried, variation ? &p.parent_b : nullptr);
    for (std::size_t i = 0; i < std::max(ua.size(), ub.size()); ++i) {
      const std::string where = format_text("%s, step %zu", p.where.c_str(), i);
      if (i >= ua.size() || i >= ub.size())
        return where + ": " + (i < ua.size() ? ua[i].what + " | (none)" : "(none) | " + ub[i].what);
      if (ua[i].what != ub[i].what) return where + ": " + ua[i].what + " | " + ub[i].what;
      // A variation that holds nothing is nothing to carry.
      std::erase_if(ua[i].variations, [&](const Game* v) { return holds_nothing(v, carried); });
      std::erase_if(ub[i].variations, [&](const Game* v) { return holds_nothing(v, carried); });
      if (ua[i].variations.size() != ub[i].variations.size())
        return format_text("%s: %zu variations, then %zu", where.c_str(), ua[i].variations.size(),
                           ub[i].variations.size());
      for (std::size_t k = 0; k < ua[i].variations.size(); ++k)
        work.push_back(Pair{ua[i].variations[k], ub[i].variations[k], ua[i], ub[i],
                            format_text("%s, variation %zu", where.c_str(), k + 1)});
    }
  }
  return "";
}

bool sf_can_carry(const Game* game) {
  std::vector<const Game*> lines{game};
  while (!lines.empty()) {
    const Game* g = lines.back();
    lines.pop_back();
    std::size_t bytes = 0;
    for (const Move* m = g->first; m; m = m->next) {
      if (m->location != LOC_NONE) bytes = 0;
      const std::string t = joined_texts(m->info);
      if (t.find('\0') != std::string::npos) return false;
      bytes += t.size() + 2;
      if (bytes > 4900) return false;
      for (const Game* v = m->variations; v; v = v->next) lines.push_back(v);
    }
  }
  return true;
}

std::string write(Game* game, Format format, const Options& opt) {
  char* text = nullptr;
  std::size_t length = 0;
  std::FILE* out = open_memstream(&text, &length);
  if (!out) std::abort();
  if (format == Format::sgf) game2sgf(game, opt, out);
  else game2sf(game, out);
  std::fclose(out);
  std::string result(text, length);
  std::free(text);
  return result;
}

Game* read(const std::string& text, Format format, const Options& opt) {
  std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (!in) return nullptr;
  Game* game = nullptr;
  try {
    game = format == Format::sgf ? sgf_read_stream(in, "roundtrip", opt) : read_standard_stream(in, opt);
  } catch (const Exit&) {
  }
  std::fclose(in);
  return game;
}

}  // namespace kg::roundtrip
