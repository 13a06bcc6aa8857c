// Kibitz lines: "name[rank] : remark", stored beside the plain comments.
#include <cstring>
#include <string>

#include "game/game.h"
#include "game/pools.h"
#include "util/message.h"
#include "util/strutil.h"

namespace kg {

namespace {

// Each part is held in 256 bytes; longer parts are cut, never overrun.
constexpr std::size_t kPart = 255;

bool in_name(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
bool in_rank(unsigned char c) {
  return c == ' ' || (c >= '0' && c <= '9') || c == 'd' || c == 'k' || c == 'N' || c == 'R';
}
bool in_stars(unsigned char c) { return c == ' ' || c == '*'; }
bool is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads a non-empty run of characters of one set, as a scanset conversion.
bool scan_set(std::string_view line, std::size_t& pos, bool (*member)(unsigned char),
              std::string& out) {
  std::size_t start = pos;
  while (pos < line.size() && member(static_cast<unsigned char>(line[pos]))) ++pos;
  out.assign(line.substr(start, std::min(pos - start, kPart)));
  return pos > start;
}

bool literal(std::string_view line, std::size_t& pos, char c) {
  if (pos >= line.size() || line[pos] != c) return false;
  ++pos;
  return true;
}

// Splits a line as the pattern "%[A-Za-z0-9][%[ 0-9dkNR]]%[ *]: %[^\n]"
// would, and returns the number of parts read (-1 for an empty line).
int split(std::string_view line, std::string parts[4]) {
  std::size_t pos = 0;
  if (line.empty()) return -1;
  if (!scan_set(line, pos, in_name, parts[0])) return 0;
  if (!literal(line, pos, '[')) return 1;
  if (pos >= line.size()) return 1;
  if (!scan_set(line, pos, in_rank, parts[1])) return 1;
  if (!literal(line, pos, ']')) return 1;
  if (pos >= line.size()) return 2;
  if (!scan_set(line, pos, in_stars, parts[2])) return 2;
  if (!literal(line, pos, ':')) return 3;
  while (pos < line.size() && is_space(static_cast<unsigned char>(line[pos]))) ++pos;
  if (pos >= line.size()) return 3;
  auto not_newline = [](unsigned char c) { return c != '\n'; };
  if (!scan_set(line, pos, not_newline, parts[3])) return 3;
  return 4;
}

}  // namespace

void store_kb(Game* game, std::string_view line) {
  line = line.substr(0, line.find('\0'));  // the line ends at its first NUL
  std::string parts[4];
  int n = split(line, parts);
  if (n != 4) {
    if (warns(game)) {
      std::string shown(line);
      message("Bad kibitz: \"%s\" (%d != 4, ignored)\n", shown.c_str(), n);
    }
    return;
  }
  std::string& remark = parts[3];
  remark.resize(std::min(remark.find('\n'), remark.size()));
  remark.resize(std::min(remark.find('\r'), remark.size()));
  Text* entry = append_text(game, "store_k");
  if (!entry) return;
  entry->name = str_strip(parts[0]);
  entry->rank = str2rank(std::string(str_strip(parts[1])).c_str());
  entry->text = remark;
}

}  // namespace kg
