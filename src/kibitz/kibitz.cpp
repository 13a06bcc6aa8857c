#include "kibitz/kibitz.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "game/game.h"
#include "util/message.h"

namespace kg {

namespace {

using Order = bool (*)(const Kibitzer&, const Kibitzer&);

// Each rule ends on the name, which is unique among used rows, so every
// order is total there; free rows come last and tie among themselves.
bool by_name(const Kibitzer& a, const Kibitzer& b) { return a.name < b.name; }

bool by_rank(const Kibitzer& a, const Kibitzer& b) {
  long long ma = std::llabs(a.rank), mb = std::llabs(b.rank);
  if (ma != mb) return ma > mb;
  if ((a.rank < 0) != (b.rank < 0)) return a.rank < 0;
  return by_name(a, b);
}

bool by_frequency(const Kibitzer& a, const Kibitzer& b) {
  if (a.count != b.count) return a.count > b.count;
  if (a.chars != b.chars) return a.chars > b.chars;
  return by_name(a, b);
}

bool by_amount(const Kibitzer& a, const Kibitzer& b) {
  if (a.chars != b.chars) return a.chars > b.chars;
  if (a.count != b.count) return a.count > b.count;
  return by_name(a, b);
}

constexpr Order kOrders[] = {by_name, by_rank, by_frequency, by_amount};

// Counters stop at INT_MAX instead of wrapping on absurdly long games.
int add_capped(int value, std::size_t more) {
  unsigned long long sum = static_cast<unsigned long long>(value) + more;
  return sum > INT_MAX ? INT_MAX : static_cast<int>(sum);
}

}  // namespace

void KibitzTable::kib_add(const Text* text) {
  for (const Text* t = text; t; t = t->next) {
    if (!t->name) continue;
    Kibitzer* row = nullptr;
    for (Kibitzer& k : rows_) {
      if (!k.used || k.name == *t->name) {
        row = &k;
        break;
      }
    }
    if (!row) {
      message("Internal error: User table full in kib_add()\n");
      continue;
    }
    if (!row->used) {
      row->used = true;
      row->name = *t->name;
      row->rank = t->rank;
    }
    row->count = add_capped(row->count, 1);
    row->chars = add_capped(row->chars, t->text.size());
  }
}

void KibitzTable::kib_list(int order, const char* prefix) {
  if (order >= 0 && order < static_cast<int>(std::size(kOrders))) last_order_ = order;
  if (!prefix) prefix = "";
  for (Kibitzer& k : rows_) {
    if (k.used && k.count > 0) {
      long long average = 100LL * k.chars / k.count;
      k.average = static_cast<int>(std::min<long long>(average, INT_MAX));
    }
  }
  Order less = kOrders[last_order_];
  std::sort(std::begin(rows_), std::end(rows_), [less](const Kibitzer& a, const Kibitzer& b) {
    if (a.used != b.used) return a.used;
    return a.used && less(a, b);
  });
  int position = 0;
  for (const Kibitzer& k : rows_) {
    if (!k.used) break;
    std::printf("%s{%3d}{%-12s}{%-3s}{%3d}{%6ld}{%3d.%02d}\n", prefix, ++position, k.name.c_str(),
                rank2str(k.rank).c_str(), k.count, static_cast<long>(k.chars), k.average / 100,
                k.average % 100);
  }
}

}  // namespace kg
