#include "main/formats.h"

#include <algorithm>
#include <vector>

#include "device/devices.h"
#include "read/readers.h"
#include "write/writers.h"

namespace kg {

namespace {

void write_sgf(Game* game, const char*, const Options& opt, std::FILE* fw) { game2sgf(game, opt, fw); }
void write_sf(Game* game, const char*, const Options&, std::FILE* fw) { game2sf(game, fw); }
void write_db(Game* game, const char* name, const Options& opt, std::FILE* fw) {
  game2db(game, name, opt, fw);
}

std::unique_ptr<GameSource> open_tavolin(const char* name, const Options& opt) {
  return open_single(read_tavolin, name, opt);
}
std::unique_ptr<GameSource> open_standard(const char* name, const Options& opt) {
  return open_single(read_standard, name, opt);
}

constexpr Format reader(std::string_view name, int help_order,
                        std::unique_ptr<GameSource> (*open)(const char*, const Options&),
                        const char* what) {
  Format f;
  f.name = name, f.help_order = help_order, f.open = open, f.what = what;
  return f;
}

// A record writer; `records` it writes the games of the input one after
// another when asked (-game all).
constexpr Format writer(std::string_view name, int help_order,
                        void (*write)(Game*, const char*, const Options&, std::FILE*),
                        bool keeps_main_captures, bool records) {
  Format f;
  f.name = name, f.help_order = help_order, f.write = write;
  f.keeps_main_captures = keeps_main_captures;
  f.writes_collections = records;
  return f;
}

constexpr Format device(std::string_view name, int help_order,
                        std::unique_ptr<OutputDevice> (*make)(const Options&, MainOutput&),
                        FigureNeeds needs = {}) {
  Format f;
  f.name = name, f.help_order = help_order, f.make = make, f.needs = needs;
  return f;
}

constexpr Format kInputs[] = {
    reader("sgf", 0, open_sgf, "SGF"),
    reader("tavolin", 1, open_tavolin, "Tavolin"),
    reader("sf", 2, open_standard, "SF"),
};

// In the order in which a prefix picks its value: "-to s" is sgf, an empty
// value ascii. The second column is the place in -help's list.
constexpr Format kOutputs[] = {
    device("ascii", 2, make_ascii_device),
    device("graphic", 3, make_screen_device, {.cut_at_comments = true}),
    device("tex", 1, make_tex_device),
    device("pstex", 0, make_pstex_device),
    writer("sgf", 4, write_sgf, false, true),
    writer("sf", 5, write_sf, true, false),
    writer("db", 6, write_db, false, true),
    device("gif", 7, make_gif_device),
    device("html", 8, make_html_device),
    device("null", 9, make_null_device),
};

}  // namespace

const std::span<const Format> input_formats{kInputs};
const std::span<const Format> output_formats{kOutputs};

const Format& default_input() { return *find_format(input_formats, "sgf"); }
const Format& default_output() { return *find_format(output_formats, "pstex"); }

const Format* find_format(std::span<const Format> table, std::string_view prefix) {
  for (const Format& row : table)
    if (row.name.substr(0, prefix.size()) == prefix) return &row;
  return nullptr;
}

std::string help_list(std::span<const Format> table) {
  std::vector<const Format*> rows;
  for (const Format& row : table) rows.push_back(&row);
  std::sort(rows.begin(), rows.end(),
            [](const Format* a, const Format* b) { return a->help_order < b->help_order; });
  std::string out = "[";
  for (const Format* row : rows) {
    if (out.size() > 1) out += ',';
    out += row->name;
  }
  return out + "]";
}

}  // namespace kg
