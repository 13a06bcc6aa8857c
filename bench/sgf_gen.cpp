#include "sgf_gen.h"

#include <sys/stat.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <random>
#include <vector>

#include "game/game.h"
#include "util/message.h"
#include "util/options.h"
#include "read/readers.h"

namespace kg::bench {

namespace {

std::string point(int location) {
  return {char('a' + location % 19), char('a' + location / 19)};
}

// True when every neighbour of `p` holds a stone of `colour`: playing there
// would fill one of the player's own eyes.
bool own_eye(const BoardPoint& p, int colour) {
  for (const BoardPoint* n : {p.north, p.east, p.south, p.west})
    if (n && (!n->stone || n->stone->colour != colour)) return false;
  return true;
}

}  // namespace

std::string long_line(std::size_t bytes, unsigned seed) {
  const Options quiet;  // no warnings
  Game* game = game_alloc(nullptr);
  std::mt19937 rng(seed);
  std::string out = "(;GM[1]FF[4]SZ[19]PB[Black]PW[White]GN[Generated long line]\n";
  int colour = BLACK, moves = 0;
  while (out.size() < bytes) {
    bool played = false;
    auto try_point = [&](int p, bool allow_eye) {
      const BoardPoint& bp = game->goban->points[p];
      if (bp.stone || (!allow_eye && own_eye(bp, colour))) return false;
      Move* before = game->current;
      Move* node = store_node(game);
      store_move(game, -1, colour, p);
      if (game->current != node) {
        game->current = before;
        return false;
      }
      out += colour == BLACK ? ";B[" : ";W[";
      out += point(p);
      out += ']';
      return true;
    };
    for (int attempt = 0; attempt < 30 && !played; ++attempt)
      played = try_point(static_cast<int>(rng() % 361), false);
    // A crowded board: any legal point, own eyes included, so that groups
    // die and the line goes on instead of passing.
    for (int i = 0, start = static_cast<int>(rng() % 361); i < 361 && !played; ++i)
      played = try_point((start + i * 7) % 361, true);
    if (!played) {
      store_node(game);
      store_pass(game, -1, colour);
      out += colour == BLACK ? ";B[]" : ";W[]";
    }
    ++moves;
    if (moves % 10 == 0) out += '\n';
    if (moves % 20 == 0)
      out += "C[Move " + std::to_string(moves) +
             ": a remark on the position, the kind of note a teacher leaves.]\n";
    colour = colour == BLACK ? WHITE : BLACK;
  }
  out += ")\n";
  game_free(game);
  return out;
}

std::string game_line(std::size_t bytes, const std::string& corpus) {
  const Options quiet;  // no warnings
  // Main lines of the usable games: (colour, location) pairs and comments.
  struct Step {
    int colour, location;
    std::string comment;
  };
  std::vector<std::vector<Step>> games;
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus))
    if (entry.path().extension() == ".sgf") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  for (const auto& path : paths) {
    Game* g = nullptr;
    try {
      g = sgf_read(path.c_str(), quiet);
    } catch (const Exit&) {  // not a record
    }
    if (!g) continue;
    std::vector<Step> steps;
    bool usable = g->size == 19;
    for (Move* m = g->first; m && usable; m = m->next) {
      if (m->info && (m->info->added || m->info->cleared)) usable = false;
      std::string comment;
      if (m->info)
        for (Text* t = m->info->texts; t; t = t->next) comment += t->text;
      if (m->location >= 0 || m->location == LOC_PASS)
        steps.push_back({m->colour, m->location, comment});
      else if (!comment.empty() && !steps.empty())
        steps.back().comment += comment;
    }
    if (usable && steps.size() > 50) games.push_back(std::move(steps));
    game_free(g);
  }
  Game* game = game_alloc(nullptr);
  std::string out = "(;GM[1]FF[4]SZ[19]GN[Real games in one line]\n";
  auto escaped = [](const std::string& text) {
    std::string e;
    for (char c : text) {
      if (c == ']' || c == '\\') e += '\\';
      e += c;
    }
    return e;
  };
  for (std::size_t i = 0; out.size() < bytes && !games.empty(); i = (i + 1) % games.size()) {
    std::string clear;
    for (int p = 0; p < 361; ++p)
      if (game->goban->points[p].stone) {
        clear += '[' + point(p) + ']';
        if (clear.size() == 4) store_node(game);
        store_ae(game, p);
      }
    if (!clear.empty()) out += ";AE" + clear + "\n";
    int items = 0;
    for (const Step& s : games[i]) {
      Move* node = store_node(game);
      if (s.location == LOC_PASS) {
        store_pass(game, -1, s.colour);
      } else {
        store_move(game, -1, s.colour, s.location);
        if (game->current != node) continue;  // illegal in the record itself
      }
      out += s.colour == BLACK ? ";B[" : ";W[";
      if (s.location >= 0) out += point(s.location);
      out += ']';
      if (!s.comment.empty()) {
        out += "C[" + escaped(s.comment) + "]\n";
        items = 0;
      } else if (++items == 10) {
        out += '\n';
        items = 0;
      }
    }
  }
  out += ")\n";
  game_free(game);
  return out;
}

std::string deep_tree(int levels) {
  // A ko: every move captures the stone played before it, so every level is
  // legal however deep the nesting goes.
  std::string out = "(;AB[ba][ab][bc]AW[ca][db][cc][bb]";
  out.reserve(static_cast<std::size_t>(levels) * 18 + 64);
  for (int i = 0; i < levels; ++i) out += i % 2 ? "(;W[bb]" : "(;B[cb]";
  for (int i = levels - 1; i >= 0; --i) {
    out += ')';
    out += i % 2 ? "(;W[pp])" : "(;B[pp])";
  }
  out += ")\n";
  return out;
}

std::string wide_tree(int count) {
  std::string out = "(;B[pd]";
  out.reserve(static_cast<std::size_t>(count) * 9 + 16);
  for (int i = 0; i < count; ++i) out += "(;W[dd])";
  out += ")\n";
  return out;
}

std::string bench_file(const std::string& name, const std::function<std::string()>& make) {
  std::string dir = "/tmp/kifugram-bench";
  mkdir(dir.c_str(), 0755);
  std::string path = dir + "/" + name;
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && st.st_size > 0) return path;
  std::string text = make();
  std::string tmp = path + ".part";
  if (FILE* f = std::fopen(tmp.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    std::rename(tmp.c_str(), path.c_str());
  }
  return path;
}

}  // namespace kg::bench
