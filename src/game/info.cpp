// Game information: header facts shared between a game and its variations,
// and the rank codec.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/game.h"
#include "util/message.h"

namespace kg {

namespace {

using Field = std::optional<std::string> GameInfo::*;

const GameInfo* seen(const Game* game) { return game ? game->info.get() : nullptr; }

const char* get(const Game* game, Field field) {
  const GameInfo* info = seen(game);
  return info && (info->*field) ? (info->*field)->c_str() : nullptr;
}

// First value wins.
void store_first(Game* game, Field field, const char* label, std::string_view text) {
  if (get(game, field)) return;
  info_need(game, label);
  if (game->info) game->info.get()->*field = std::string(text);
}

Team* get_pp(Game* game, std::shared_ptr<Team> GameInfo::*slot, int index) {
  auto& team = game->info.get()->*slot;
  if (!team) team = std::make_shared<Team>();
  if (index >= team->count) {
    team->names.resize(static_cast<std::size_t>(index) + 1);
    team->ranks.resize(static_cast<std::size_t>(index) + 1);
    team->count = index + 1;
  }
  return team.get();
}

void store_player(Game* game, std::shared_ptr<Team> GameInfo::*slot, const char* label,
                  std::optional<std::string_view> name, std::optional<std::string_view> rank) {
  info_need(game, label);
  if (!game->info) return;
  const auto& existing = game->info.get()->*slot;
  int index = name && rank && existing ? existing->count : 0;
  Team* team = get_pp(game, slot, index);
  if (name) team->names[index] = std::string(*name);
  if (rank) team->ranks[index] = std::string(*rank);
}

const char* member(const Game* game, std::shared_ptr<Team> GameInfo::*slot, bool names, int i) {
  const GameInfo* info = seen(game);
  const Team* team = info ? (info->*slot).get() : nullptr;
  if (!team || i < 0 || i >= team->count) return "";
  const auto& entry = names ? team->names[i] : team->ranks[i];
  return entry ? entry->c_str() : nullptr;
}

}  // namespace

void info_need(Game* game, const char* /*label*/) {
  bool shared = game->parent && game->parent->info == game->info;
  if (game->info && !shared) return;
  // Texts are values here, so copying the record copies them; the teams are
  // shared on purpose: players stored through a variation are the game's.
  auto record = std::make_shared<GameInfo>();
  if (game->parent && game->parent->info) *record = *game->parent->info;
  game->info = std::move(record);
}

void store_ev(Game* g, std::string_view t) { store_first(g, &GameInfo::ev, "ev", t); }
void store_id(Game* g, std::string_view t) { store_first(g, &GameInfo::id, "id", t); }
void store_us(Game* g, std::string_view t) { store_first(g, &GameInfo::us, "us", t); }
void store_so(Game* g, std::string_view t) { store_first(g, &GameInfo::so, "so", t); }
void store_gc(Game* g, std::string_view t) { store_first(g, &GameInfo::gc, "gc", t); }
void store_tm(Game* g, std::string_view t) { store_first(g, &GameInfo::tm, "tm", t); }
void store_gn(Game* g, std::string_view t) { store_first(g, &GameInfo::gn, "gn", t); }
void store_pc(Game* g, std::string_view t) { store_first(g, &GameInfo::pc, "pc", t); }
void store_ha(Game* g, std::string_view t) { store_first(g, &GameInfo::ha, "ha", t); }
void store_km(Game* g, std::string_view t) { store_first(g, &GameInfo::km, "km", t); }
void store_ro(Game* g, std::string_view t) { store_first(g, &GameInfo::ro, "ro", t); }
void store_recorder(Game* g, std::string_view t) {
  store_first(g, &GameInfo::recorder, "recorder", t);
}
void store_analysis(Game* g, std::string_view t) {
  store_first(g, &GameInfo::analysis, "analysis", t);
}
void store_rules(Game* g, std::string_view t) { store_first(g, &GameInfo::rules, "rules", t); }
void store_re(Game* g, std::string_view t) { store_first(g, &GameInfo::re, "store_re", t); }

void store_dt(Game* game, std::string_view text) {
  info_need(game, "store_dt");
  if (game->info) game->info->dt = std::string(text);
}

void store_black(Game* game, std::optional<std::string_view> name,
                 std::optional<std::string_view> rank) {
  store_player(game, &GameInfo::black, "store_black", name, rank);
}
void store_white(Game* game, std::optional<std::string_view> name,
                 std::optional<std::string_view> rank) {
  store_player(game, &GameInfo::white, "store_white", name, rank);
}
void store_pb(Game* game, std::string_view name) { store_black(game, name, std::nullopt); }
void store_br(Game* game, std::string_view rank) { store_black(game, std::nullopt, rank); }
void store_pw(Game* game, std::string_view name) { store_white(game, name, std::nullopt); }
void store_wr(Game* game, std::string_view rank) { store_white(game, std::nullopt, rank); }

const char* info_ev(const Game* g) { return get(g, &GameInfo::ev); }
const char* info_id(const Game* g) { return get(g, &GameInfo::id); }
const char* info_gn(const Game* g) { return get(g, &GameInfo::gn); }
const char* info_us(const Game* g) { return get(g, &GameInfo::us); }
const char* info_tm(const Game* g) { return get(g, &GameInfo::tm); }
const char* info_ha(const Game* g) { return get(g, &GameInfo::ha); }
const char* info_km(const Game* g) { return get(g, &GameInfo::km); }
const char* info_dt(const Game* g) { return get(g, &GameInfo::dt); }
const char* info_pc(const Game* g) { return get(g, &GameInfo::pc); }
const char* info_re(const Game* g) { return get(g, &GameInfo::re); }
const char* info_so(const Game* g) { return get(g, &GameInfo::so); }
const char* info_ro(const Game* g) { return get(g, &GameInfo::ro); }
const char* info_recorder(const Game* g) { return get(g, &GameInfo::recorder); }
const char* info_analysis(const Game* g) { return get(g, &GameInfo::analysis); }
const char* info_rules(const Game* g) { return get(g, &GameInfo::rules); }

const char* info_pbn(const Game* g, int i) { return member(g, &GameInfo::black, true, i); }
const char* info_brn(const Game* g, int i) { return member(g, &GameInfo::black, false, i); }
const char* info_pwn(const Game* g, int i) { return member(g, &GameInfo::white, true, i); }
const char* info_wrn(const Game* g, int i) { return member(g, &GameInfo::white, false, i); }
const char* info_pb(const Game* g) { return info_pbn(g, 0); }
const char* info_br(const Game* g) { return info_brn(g, 0); }
const char* info_pw(const Game* g) { return info_pwn(g, 0); }
const char* info_wr(const Game* g) { return info_wrn(g, 0); }

int str2rank(const char* text) {
  if (!text || !*text) return 1000000;
  std::size_t length = std::strlen(text);
  unsigned char c = static_cast<unsigned char>(text[length - 1]);
  int sign = c == '*' ? -1 : 1;
  if (c == ' ' || c == '*') {
    // A lone blank or star has nothing before it: the rank is not known.
    if (length < 2) return sign * 1000000;
    c = static_cast<unsigned char>(text[length - 2]);
  }
  if (c == '?') return sign * 1;
  if (c == 'R') return sign * 2;
  long long multiplier = c == 'k' ? 10 : c == 'd' ? 1000 : c == 'p' ? 100000 : 0;
  if (multiplier == 0) return sign * 10000 * c;
  long long n = 0;
  for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
    n = n * 10 + (*p - '0');
    if (n > INT_MAX) break;  // saturate below: the code must stay an int
  }
  long long code = multiplier * n;
  if (code > INT_MAX) code = INT_MAX;
  return static_cast<int>(sign * code);
}

std::string rank2str(int code) {
  char buffer[32];
  long magnitude = std::labs(static_cast<long>(code));
  if (magnitude == 1000000)
    std::snprintf(buffer, sizeof buffer, "XX");
  else if (magnitude == 1)
    std::snprintf(buffer, sizeof buffer, "??");
  else if (magnitude == 2)
    std::snprintf(buffer, sizeof buffer, "NR");
  else if (magnitude >= 10000)
    std::snprintf(buffer, sizeof buffer, "IGS9%ld", magnitude / 10000);
  else if (magnitude >= 1000)
    std::snprintf(buffer, sizeof buffer, "%2ldd", magnitude / 1000);
  else if (magnitude >= 10)
    std::snprintf(buffer, sizeof buffer, "%2ldk", magnitude / 10);
  else
    std::snprintf(buffer, sizeof buffer, "XX");  // 0 and 3..9 name no rank
  if (code < 0) std::strncat(buffer, "*", sizeof buffer - std::strlen(buffer) - 1);
  return buffer;
}

}  // namespace kg
