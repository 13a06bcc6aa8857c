#include "sgf_gen.h"

#include <sys/stat.h>

#include <cstdio>
#include <random>

#include "game/game.h"
#include "main/settings.h"

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
  int warn = sgfwarn;
  sgfwarn = 0;
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
  sgfwarn = warn;
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
