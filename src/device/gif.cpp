// The gif output format. Each figure and diagram becomes a /bin/sh script
// that lays out tiles of the tile library row by row with pnmcat (a stone
// with both a number and a mark composed first with pamcomp), maps the
// tiles' placeholder colours to the chosen ones and converts the result to
// GIF; the script runs at once and is removed when it succeeded.
//
// Nothing a record, a file name or an option holds reaches the shell other
// than as a quoted word or inside a comment, and every run works in its
// own directory, so that two runs never share intermediate files.
#include "device/gif.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "device/devices.h"
#include "device/drawing.h"
#include "device/gif_tiles.h"
#include "figure/figure.h"
#include "game/game.h"
#include "util/message.h"
#include "util/strutil.h"

extern char** environ;

namespace kg {

namespace {

// The intermediate file of one row of tiles, as the scripts name it.
std::string row_file(int index) { return format_text("\"${TMP}/%02d.ppm\"", index); }

int colour_letter(int colour) { return colour == BLACK ? 'B' : 'W'; }

// Column letters skip I, as on a Go board.
int column_tile(int column) { return column_letter(column) - 'a' + 'A'; }

// A relative directory would be read after the script has changed into
// the tile library; it is taken from where the program runs.
std::string absolute(const std::string& path) {
  std::error_code failed;
  std::filesystem::path full = std::filesystem::absolute(path.empty() ? "." : path, failed);
  if (failed) return path;
  std::string out = full.lexically_normal().string();
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// Comment lines end at a line break: control characters become '?'.
std::string comment_text(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < ' ' || u == 127) c = '?';
  }
  return out;
}

// The mask of a mark drawn round a stone's number, or none: a filled shape
// goes round as its outline, or it would hide the digits.
const char* around_mask(int kind) {
  switch (kind) {
    case MARK_CROSS:
    case MARK_SQUARE: return "s";
    case MARK_CIRCLE:
    case MARK_CIRCLE_FILLED: return "c";
    case MARK_TEXT:
    case MARK_PLAIN:
    case MARK_TRIANGLE: return "t";
    case MARK_PLUS: return "p";
    case MARK_MINUS: return "m";
    default: return nullptr;
  }
}

[[noreturn]] void cannot_create(const std::string& name) {
  message("Couldn't create: \"%s\"\n", name.c_str());
  throw Exit(1);
}

// Runs the script with /bin/sh; true when it ended with status 0.
bool run_script(const std::string& name) {
  std::fflush(nullptr);  // keep our output ahead of the tools'
  const char* argv[] = {"/bin/sh", name.c_str(), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
    return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string column_letters(int x0, int x1) {
  std::string line = "pnmcat -lr";
  for (int x = x0; x <= x1; ++x) line += format_text(" c/%c", column_tile(x));
  return line;
}

// The tile of one board point. A tile that the script composes first (a
// mark round a number) comes with the command that makes it; what no tile
// shows goes to `notes`.
std::string point_tile(Game* game, int location, const FigureLabels& labels,
                       std::vector<GifComposite>& composites, std::string& notes) {
  const auto at = static_cast<std::size_t>(location);
  const BoardCell& cell = game->figure_board[at];
  const int stone = cell.colour == BLACK ? 'b' : cell.colour == WHITE ? 'w' : 'e';
  const int kind = cell.mark ? cell.mark->mark : 0;
  if (cell.label) {
    const std::string shown = at < labels.shown.size() ? labels.shown[at] : std::string();
    const int letter = shown.empty() ? cell.label->label : static_cast<unsigned char>(shown[0]);
    return format_text(" %s", label_tile(letter, stone).c_str());
  }
  if (cell.colour != EMPTY && cell.number != 0) {
    // Numbers past 100 start again at 1; so do numbers below 1.
    const int shown = ((cell.number - 1) % 100 + 100) % 100 + 1;
    if (kind == MARK_DIMMED) return format_text(" %cd/%d", stone, shown);
    if (const char* mask = around_mask(kind)) {
      // The mark in the number's colour over a stone with smaller digits,
      // then the digits' halo cleared back to the stone's colour.
      const int ink = stone == 'b' ? 'w' : 'b';
      std::string file = format_text("\"${TMP}/%ck%d-%s.ppm\"", stone, shown, mask);
      std::string command =
          format_text("pamcomp -alpha=am/%s ink/%c %ck/%d | pamcomp -alpha=kh/%d ink/%c > %s", mask,
                      ink, stone, shown, shown, stone, file.c_str());
      composites.push_back({file, std::move(command)});
      return " " + file;
    }
    if (kind != 0) {
      notes += format_text("%s%s on %d", notes.empty() ? "" : ", ", mark_name(kind), cell.number);
    }
    return format_text(" %cn/%d", stone, shown);
  }
  if (kind != 0) {
    if (const char* tile = gif_mark_tile(kind)) {
      // A veil or a territory square over an empty point keeps the point's
      // lines: such tiles come for every kind of point.
      const bool over = kind == MARK_DIMMED || kind == MARK_BLACK_TERRITORY ||
                        kind == MARK_WHITE_TERRITORY ||
                        (kind >= MARK_SHADE_FIRST && kind <= MARK_SHADE_LAST);
      if (stone != 'e' || !over) return format_text(" %cm/%s", stone, tile);
      const char* dir = kind == MARK_DIMMED ? "dn" : tile;
      const char* edge = gif_star(game, location) ? "h" : gif_edge(game, location);
      return format_text(" %s/%s", dir, edge ? edge : "e");
    }
    std::fprintf(stderr, "Unable to convert mark at (%d,%d)\n", location % game->size,
                 location / game->size);
  }
  if (cell.colour != EMPTY) return format_text(" n/%c", stone);
  if (gif_star(game, location)) return " n/h";
  if (const char* edge = gif_edge(game, location)) return format_text(" n/%s", edge);
  return " n/e";
}

}  // namespace

std::string shell_quote(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  out += '\'';
  return out;
}

bool gif_star(const Game* game, int point) {
  return star_point(game->size, point % game->size, point / game->size);
}

const char* gif_mark_tile(int kind) {
  static const char* const shades[] = {"g0",  "g10", "g20", "g30", "g40", "g50",
                                       "g60", "g70", "g80", "g90", "g100"};
  switch (kind) {
    case MARK_CROSS: return "s";
    case MARK_SQUARE: return "sf";
    case MARK_CIRCLE: return "c";
    case MARK_CIRCLE_FILLED: return "cf";
    case MARK_TEXT:  // a tile has no room for its text: drawn as a plain mark
    case MARK_PLAIN: return "t";
    case MARK_TRIANGLE: return "tf";
    case MARK_PLUS: return "p";
    case MARK_MINUS: return "m";
    case MARK_BLACK_TERRITORY: return "tb";
    case MARK_WHITE_TERRITORY: return "tw";
    case MARK_DIMMED: return "d";
    default:
      if (kind >= MARK_SHADE_FIRST && kind <= MARK_SHADE_LAST) return shades[kind - MARK_SHADE_FIRST];
      return nullptr;
  }
}

const char* gif_edge(const Game* game, int point) {
  const int last = game->size - 1, column = point % game->size, row = point / game->size;
  if (column == 0 && row == 0) return "ul";
  if (column == last && row == 0) return "ur";
  if (column == 0 && row == last) return "ll";
  if (column == last && row == last) return "lr";
  if (column == 0) return "l";
  if (column == last) return "r";
  if (row == 0) return "u";
  if (row == last) return "d";
  return nullptr;
}

void GifDevice::gif_begin(Game* game, int count, const char* caption) {
  const int kind = game->parent ? 'd' : 'f';
  if (workdir_.empty()) make_workdir();
  const std::string name =
      format_text("%s/%s.%c%02d", workdir_.c_str(), opt_.epsf.base.c_str(), kind, count);
  // The directory is ours alone; still, never write through a link.
  if (!script_.open(name, OutFile::Open::private_)) cannot_create(name);
  std::FILE* script = script_.get();

  std::time_t now = std::time(nullptr);
  const std::string gif =
      format_text("%s/%s-%c%02d.gif", workdir_.c_str(), opt_.epsf.base.c_str(), kind, count);
  char cwd[PATH_MAX];
  const bool have_cwd = getcwd(cwd, sizeof cwd) != nullptr;

  std::fputs("#\n", script);
  std::fprintf(script, "# Title\t: %s\n",
               comment_text(picture_title(game, caption)).c_str());
  std::fprintf(script, "# Creator\t: %s\n", comment_text(opt_.program).c_str());
  const char* date = std::ctime(&now);
  std::fprintf(script, "# CreationDate\t: %s", date ? date : "\n");
  std::fputs("#\n", script);
  std::fputs("set -e\n", script);
  std::fprintf(script, "PATH=\"${PATH}\":%s\n", shell_quote(absolute(opt_.pbmbin)).c_str());
  std::fprintf(script, "TMP=%s\n", shell_quote(workdir_).c_str());
  std::fprintf(script, "GIF=%s\n", shell_quote(gif).c_str());
  if (have_cwd)
    std::fprintf(script, "CWD=%s\n", shell_quote(cwd).c_str());
  else
    std::fputs("CWD=\"`/bin/pwd`\"\n", script);
  // Absolute, so that a CDPATH in the environment cannot send the script elsewhere.
  std::fprintf(script, "cd %s\n", shell_quote(format_text("%s/%d", absolute(opt_.ppm).c_str(), opt_.fntsz)).c_str());
}

void GifDevice::gif_end(bool is_figure, int count, const char* caption) {
  std::FILE* script = script_.get();
  const std::vector<Row> rows = std::move(rows_);
  rows_.clear();

  std::fputs("#\n# * Collate the lines\n# * Convert the colors according to the user specs\n"
             "# * Convert to GIF\n#\n",
             script);
  std::fputs("pnmcat -tb\t\\\n", script);
  for (const Row& row : rows) std::fprintf(script, "\t%s\t\\\n", row_file(row.index).c_str());
  // One ppmchange maps every placeholder at once: a colour it writes is
  // never taken for a placeholder by a later pass.
  const std::string* colours[] = {&opt_.rgb_b, &opt_.rgb_w, &opt_.rgb_g, &opt_.rgb_o, &opt_.rgb_r};
  std::fputs("| ppmchange", script);
  for (int i = 0; i < 5; ++i)
    std::fprintf(script, " \\\n\t'rgb:%04x/%04x/%04x' %s", i, i, i, shell_quote(*colours[i]).c_str());
  std::fputs(" \\\n| pamtogif -quiet > \"${GIF}\"\n", script);
  std::fputs("/bin/mv \"${GIF}\" \"${CWD}\"\n", script);
  // Rows stay for the next picture unless scripts are held; composed
  // tiles never do.
  std::vector<std::string> temporaries;
  if (opt_.hold)
    for (const Row& row : rows) temporaries.push_back(row_file(row.index));
  temporaries.insert(temporaries.end(), composites_.begin(), composites_.end());
  composites_.clear();
  if (!temporaries.empty()) {
    std::fputs("#\n# * Remove intermediate files\n#\n/bin/rm", script);
    for (const std::string& file : temporaries) std::fprintf(script, " \\\n\t%s", file.c_str());
    std::fputs("\n", script);
  }
  const std::string name = script_.name();
  const bool whole = script_.close();

  if (notes_ != 0) {
    std::fputc('\n', stderr);
    notes_ = 0;
  }
  const int unit = opt_.fntsz;
  int width = (x1_ - x0_ + 1) * unit, height = (y1_ - y0_ + 1) * unit;
  if (opt_.coords) {
    width += 2 * unit;
    height += 2 * unit;
  }
  std::fprintf(stderr, "[%s %d (%s) WIDTH=%d HEIGHT=%d]\n", is_figure ? "Figure" : "Diagram", count,
               caption, width, height);
  // What the picture shows only by a letter, or not at all.
  if (!picture_notes_.empty()) std::fprintf(stderr, "%s\n", picture_notes_.c_str());
  last_notes_ = std::move(picture_notes_);
  picture_notes_.clear();

  // A script that was not written whole is not run.
  const bool hold = opt_.hold;
  const bool ran = whole && run_script(name);
  if (!ran || hold)
    for (std::string& line : rows_made_)
      if (!line.empty()) line = "?";
  for (const Row& row : rows) {
    const auto at = static_cast<std::size_t>(row.index);
    if (rows_made_.size() <= at) rows_made_.resize(at + 1);
    rows_made_[at] = ran && !hold ? row.line : "?";
  }
  if (ran && !hold) {
    unlink(name.c_str());
  } else {
    // Held scripts remove their rows; a failed one may have left any.
    if (!ran) {
      script_left_ = true;
      pictures_failed_ = true;
    }
    std::fprintf(stderr, "Left script in \"%s\"\n", name.c_str());
  }
}

void GifDevice::make_workdir() {
  std::string name = absolute(opt_.epsf.dir) + "/kifugram-XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) cannot_create(name);
  workdir_ = buffer.data();
}

// Removes the row files and the run's directory, unless a script was left
// in it for a look.
void GifDevice::remove_workdir() {
  if (workdir_.empty()) return;
  if (!script_left_) {
    for (std::size_t i = 0; i < rows_made_.size(); ++i)
      if (!rows_made_[i].empty()) unlink(format_text("%s/%02zu.ppm", workdir_.c_str(), i).c_str());
    rmdir(workdir_.c_str());
  }
  workdir_.clear();
  rows_made_.clear();
}

void GifDevice::note_separator() {
  if (notes_ != 0) std::fputs(", ", stderr);
  ++notes_;
}

bool GifDevice::init(Game*) {
  if (opt_.fntsz != 15 && opt_.fntsz != 19 && opt_.fntsz != 23) {
    std::fprintf(stderr, "Illegal pointsize: %d\n", opt_.fntsz);
    return false;
  }
  return true;
}

void GifDevice::exit(Game*) { remove_workdir(); }

void GifDevice::onmove(Game*, int number, int colour, int old_number, int old_colour) {
  note_separator();
  std::fprintf(stderr, "%c%d at %c%d", colour_letter(colour), number, colour_letter(old_colour),
               old_number);
}

void GifDevice::onstone(Game* game, int number, int colour, int location) {
  note_separator();
  std::fprintf(stderr, "%c%d at %s", colour_letter(colour), number,
               point_name(location, game->size, PointName::board_pair).c_str());
}

void GifDevice::pass(Game*, int number, int colour) {
  note_separator();
  std::fprintf(stderr, "%c%d pass", colour_letter(colour), number);
}

bool GifDevice::emit(Game* game, const Figure& figure) {
  gif_picture(game, figure, figure.count);
  return true;
}

void GifDevice::gif_picture(Game* game, const Figure& record, int count) {
  const std::string& caption = record.caption;
  const bool figure = !record.diagram;
  gif_begin(game, count, caption.c_str());

  const int size = game->size;
  Region& view = game->view;
  if (view.width == 0) view.width = size;
  if (view.height == 0) view.height = size;
  // A view stored for another board size is kept within this one.
  if (view.x < 0 || view.x >= size || view.x + view.width > size) view.x = 0, view.width = size;
  if (view.y < 0 || view.y >= size || view.y + view.height > size) view.y = 0, view.height = size;
  x0_ = view.x;
  y0_ = view.y;
  x1_ = view.x + view.width - 1;
  y1_ = view.y + view.height - 1;

  const bool coords = opt_.coords;
  // One character a point: a longer label shows a letter that the notes
  // explain.
  const FigureLabels labels = figure_labels(game, 1);
  std::string marked;
  std::vector<Row> rows;
  if (coords) rows.push_back({y0_, column_letters(x0_, x1_), {}});
  for (int row = y0_; row <= y1_; ++row) {
    Row made{row + 1, "pnmcat -lr", {}};
    if (coords) made.line += format_text(" c/%d", size - row);
    for (int column = x0_; column <= x1_; ++column)
      made.line += point_tile(game, row * size + column, labels, made.composites, marked);
    if (coords) made.line += format_text(" c/%d", size - row);
    rows.push_back(std::move(made));
  }
  if (coords) rows.push_back({y1_ + 2, column_letters(x0_, x1_), {}});
  picture_notes_ = labels.notes;
  if (!marked.empty()) picture_notes_ += (picture_notes_.empty() ? "" : ", ") + marked;

  // Most rows of a picture are rows of the one before (the letters, the
  // empty rows, what a variation leaves alone). Without -hold such a row is
  // not made again: its file still holds it. Held scripts stay complete,
  // so that each can run on its own.
  // A composed tile is made once, before the first row that is made with
  // it, and removed at the end.
  composites_.clear();
  for (const Row& row : rows) {
    const auto at = static_cast<std::size_t>(row.index);
    if (!opt_.hold && at < rows_made_.size() && rows_made_[at] == row.line) {
      std::fprintf(script_.get(), "# %02d.ppm is the row made before\n", row.index);
      continue;
    }
    for (const GifComposite& tile : row.composites) {
      bool made = false;
      for (const std::string& file : composites_) made = made || file == tile.file;
      if (made) continue;
      std::fprintf(script_.get(), "%s\n", tile.command.c_str());
      composites_.push_back(tile.file);
    }
    std::fprintf(script_.get(), "%s > %s\n", row.line.c_str(), row_file(row.index).c_str());
  }
  rows_ = std::move(rows);

  gif_end(figure, count, caption.c_str());
}

std::unique_ptr<OutputDevice> make_gif_device(const Options& opt, MainOutput&) {
  return std::make_unique<GifDevice>(opt);
}

}  // namespace kg
