// The gif output format. Each figure and diagram becomes a /bin/sh script
// that lays out tiles of the tile library row by row with pnmcat, maps the
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
#include <vector>

#include "device/gif_tiles.h"
#include "game/game.h"
#include "main/figure.h"
#include "main/settings.h"
#include "util/message.h"
#include "util/strutil.h"

extern char** environ;

namespace kg {

namespace {

// One row of tiles: its file's index and the pnmcat line that makes it.
struct Row {
  int index;
  std::string line;
};

struct State {
  int figures = 0, diagrams = 0;
  int notes = 0;  // notes on standard error since the last report
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::FILE* script = nullptr;
  std::string script_name;
  std::string workdir;  // this run's directory inside epsf.dir, made at the first picture
  std::vector<Row> rows;  // of the picture being written
  // Row files in the directory, by index: the pnmcat line each was made
  // with, "?" when its content is not known, "" when there is none.
  std::vector<std::string> rows_made;
  bool script_left = false;
};
State state;

// The intermediate file of one row of tiles, as the scripts name it.
std::string row_file(int index) { return format_text("\"${TMP}/%02d.ppm\"", index); }

// Removes the row files and the run's directory, unless a script was left
// in it for a look.
void remove_workdir() {
  if (state.workdir.empty()) return;
  if (!state.script_left) {
    for (std::size_t i = 0; i < state.rows_made.size(); ++i)
      if (!state.rows_made[i].empty())
        unlink(format_text("%s/%02zu.ppm", state.workdir.c_str(), i).c_str());
    rmdir(state.workdir.c_str());
  }
  state.workdir.clear();
  state.rows_made.clear();
}

// Also when the run ends some other way than through GIF_exit.
struct WorkdirGuard {
  ~WorkdirGuard() { remove_workdir(); }
} workdir_guard;

int colour_letter(int colour) { return colour == BLACK ? 'B' : 'W'; }

// Column letters skip I, as on a Go board.
int column_tile(int column) { return column_letter(column) - 'a' + 'A'; }

void note_separator() {
  if (state.notes != 0) std::fputs(", ", stderr);
  ++state.notes;
}

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

// A mark kind's tile, or none.
const char* mark_tile(int kind) {
  switch (kind) {
    case MARK_CROSS: return "s";
    case MARK_SQUARE: return "sf";
    case MARK_PLAIN: return "t";
    case MARK_TRIANGLE: return "tf";
    case MARK_PLUS: return "p";
    case MARK_MINUS: return "m";
    default: return nullptr;
  }
}

[[noreturn]] void cannot_create(const std::string& name) {
  message("Couldn't create: \"%s\"\n", name.c_str());
  throw Exit(1);
}

void make_workdir() {
  std::string name = absolute(epsf.dir) + "/kifugram-XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) cannot_create(name);
  state.workdir = buffer.data();
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

std::string column_letters() {
  std::string line = "pnmcat -lr";
  for (int x = state.x0; x <= state.x1; ++x) line += format_text(" c/%c", column_tile(x));
  return line;
}

// The tile of one board point.
std::string point_tile(Game* game, int location) {
  const BoardCell& cell = game->figure_board[static_cast<std::size_t>(location)];
  // A mark on an empty point has tiles of its own: drawn as on a white
  // stone it would show a stone that is not there.
  const int stone = cell.colour == BLACK ? 'b' : cell.colour == WHITE ? 'w' : 'e';
  if (cell.label) return format_text(" %s", label_tile(cell.label->label).c_str());
  if (cell.mark && cell.mark->mark != 0) {
    if (const char* tile = mark_tile(cell.mark->mark)) return format_text(" %cm/%s", stone, tile);
    std::fprintf(stderr, "Unable to convert mark at (%d,%d)\n", location % game->size,
                 location / game->size);
    if (stone != 'e') return format_text(" n/%c", stone);
  } else if (cell.colour != EMPTY && cell.number != 0) {
    // Numbers past 100 start again at 1; so do numbers below 1.
    int shown = ((cell.number - 1) % 100 + 100) % 100 + 1;
    return format_text(" %cn/%d", stone, shown);
  } else if (cell.colour != EMPTY) {
    return format_text(" n/%c", stone);
  }
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
  const int size = game->size;
  const int c = point % size + 1, r = point / size + 1, m = (size + 1) / 2;
  const int step = size == 19 ? 6 : size == 13 ? 4 : 1000;
  return std::abs(c - m) % step == 0 && std::abs(r - m) % step == 0;
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

void gif_begin(Game* game, int count, const char* caption) {
  const int kind = game->parent ? 'd' : 'f';
  if (state.workdir.empty()) make_workdir();
  state.script_name = format_text("%s/%s.%c%02d", state.workdir.c_str(), epsf.base.c_str(), kind, count);
  // The directory is ours alone; still, never write through a link.
  int fd = open(state.script_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  std::FILE* script = fd < 0 ? nullptr : fdopen(fd, "w");
  if (!script) {
    if (fd >= 0) close(fd);
    cannot_create(state.script_name);
  }
  state.script = script;

  // The getters give "" for a side without a team, none for a name never given.
  const char* white = info_pw(game);
  const char* black = info_pb(game);
  if (white && !*white) white = nullptr;
  if (black && !*black) black = nullptr;
  std::time_t now = std::time(nullptr);
  const std::string gif =
      format_text("%s/%s-%c%02d.gif", state.workdir.c_str(), epsf.base.c_str(), kind, count);
  char cwd[PATH_MAX];
  const bool have_cwd = getcwd(cwd, sizeof cwd) != nullptr;

  std::fputs("#\n", script);
  std::fprintf(script, "# Title\t: %s\n",
               comment_text(format_text("%s-%s (%s)", white ? white : "unknown",
                                        black ? black : "unknown", caption))
                   .c_str());
  std::fprintf(script, "# Creator\t: %s\n", comment_text(program).c_str());
  const char* date = std::ctime(&now);
  std::fprintf(script, "# CreationDate\t: %s", date ? date : "\n");
  std::fputs("#\n", script);
  std::fputs("set -e\n", script);
  std::fprintf(script, "PATH=\"${PATH}\":%s\n", shell_quote(absolute(pbmbin)).c_str());
  std::fprintf(script, "TMP=%s\n", shell_quote(state.workdir).c_str());
  std::fprintf(script, "GIF=%s\n", shell_quote(gif).c_str());
  if (have_cwd)
    std::fprintf(script, "CWD=%s\n", shell_quote(cwd).c_str());
  else
    std::fputs("CWD=\"`/bin/pwd`\"\n", script);
  // Absolute, so that a CDPATH in the environment cannot send the script elsewhere.
  std::fprintf(script, "cd %s\n", shell_quote(format_text("%s/%d", absolute(ppm).c_str(), fntsz)).c_str());
}

void gif_end(bool is_figure, int count, const char* caption) {
  std::FILE* script = state.script;
  state.script = nullptr;
  const std::vector<Row> rows = std::move(state.rows);
  state.rows.clear();

  std::fputs("#\n# * Collate the lines\n# * Convert the colors according to the user specs\n"
             "# * Convert to GIF\n#\n",
             script);
  std::fputs("pnmcat -tb\t\\\n", script);
  for (const Row& row : rows) std::fprintf(script, "\t%s\t\\\n", row_file(row.index).c_str());
  // One ppmchange maps every placeholder at once: a colour it writes is
  // never taken for a placeholder by a later pass.
  const char* colours[] = {rgb_b, rgb_w, rgb_g, rgb_o, rgb_r};
  std::fputs("| ppmchange", script);
  for (int i = 0; i < 5; ++i)
    std::fprintf(script, " \\\n\t'rgb:%04x/%04x/%04x' %s", i, i, i, shell_quote(colours[i]).c_str());
  std::fputs(" \\\n| pamtogif -quiet > \"${GIF}\"\n", script);
  std::fputs("/bin/mv \"${GIF}\" \"${CWD}\"\n", script);
  if (hold) {
    std::fputs("#\n# * Remove intermediate files\n#\n/bin/rm", script);
    for (const Row& row : rows) std::fprintf(script, " \\\n\t%s", row_file(row.index).c_str());
    std::fputs("\n", script);
  }
  const bool written = std::ferror(script) == 0;
  const bool closed = std::fclose(script) == 0;

  if (state.notes != 0) {
    std::fputc('\n', stderr);
    state.notes = 0;
  }
  int width = (state.x1 - state.x0 + 1) * fntsz, height = (state.y1 - state.y0 + 1) * fntsz;
  if (coords) {
    width += 2 * fntsz;
    height += 2 * fntsz;
  }
  std::fprintf(stderr, "[%s %d (%s) WIDTH=%d HEIGHT=%d]\n", is_figure ? "Figure" : "Diagram", count,
               caption, width, height);

  // A script that was not written whole is not run.
  const bool ran = written && closed && run_script(state.script_name);
  if (!ran || hold)
    for (std::string& line : state.rows_made)
      if (!line.empty()) line = "?";
  for (const Row& row : rows) {
    const auto at = static_cast<std::size_t>(row.index);
    if (state.rows_made.size() <= at) state.rows_made.resize(at + 1);
    state.rows_made[at] = ran && !hold ? row.line : "?";
  }
  if (ran && !hold) {
    unlink(state.script_name.c_str());
  } else {
    // Held scripts remove their rows; a failed one may have left any.
    if (!ran) {
      state.script_left = true;
      pictures_failed = 1;
    }
    std::fprintf(stderr, "Left script in \"%s\"\n", state.script_name.c_str());
  }
}

int GIF_init(Game*) {
  if (fntsz != 15 && fntsz != 19 && fntsz != 23) {
    std::fprintf(stderr, "Illegal pointsize: %d\n", fntsz);
    return 0;
  }
  remove_workdir();  // of a run that ended early in this process
  state.figures = state.diagrams = state.notes = 0;
  state.script_left = false;
  return 1;
}

void GIF_exit(Game*) { remove_workdir(); }

int GIF_alloc(Game*) { return 1; }
void GIF_free(Game*) {}

void GIF_onmove(Game*, int number, int colour, int old_number, int old_colour) {
  note_separator();
  std::fprintf(stderr, "%c%d at %c%d", colour_letter(colour), number, colour_letter(old_colour),
               old_number);
}

void GIF_onstone(Game* game, int number, int colour, int location) {
  note_separator();
  std::fprintf(stderr, "%c%d at (%c,%d)", colour_letter(colour), number,
               column_letter(location % game->size), game->size - location / game->size);
}

void GIF_pass(Game*, int number, int colour) {
  note_separator();
  std::fprintf(stderr, "%c%d pass", colour_letter(colour), number);
}

void GIF_time(Game*, const char*, const char*) {}

int GIF_emit(Game* game, Move* first, Move* last, Move*, Move*) {
  gif_picture(game, first, last, game->parent ? ++state.diagrams : ++state.figures);
  return 1;
}

void gif_picture(Game* game, Move* first, Move* last, int count) {
  // The caption buffer is overwritten by the next board_caption.
  const std::string caption = board_caption(game, first, last);
  const bool figure = game->parent == nullptr;
  gif_begin(game, count, caption.c_str());

  const int size = game->size;
  Region& view = game->view;
  if (view.width == 0) view.width = size;
  if (view.height == 0) view.height = size;
  // A view stored for another board size is kept within this one.
  if (view.x < 0 || view.x >= size || view.x + view.width > size) view.x = 0, view.width = size;
  if (view.y < 0 || view.y >= size || view.y + view.height > size) view.y = 0, view.height = size;
  state.x0 = view.x;
  state.y0 = view.y;
  state.x1 = view.x + view.width - 1;
  state.y1 = view.y + view.height - 1;

  std::vector<Row> rows;
  if (coords) rows.push_back({state.y0, column_letters()});
  for (int row = state.y0; row <= state.y1; ++row) {
    std::string line = "pnmcat -lr";
    if (coords) line += format_text(" c/%d", size - row);
    for (int column = state.x0; column <= state.x1; ++column)
      line += point_tile(game, row * size + column);
    if (coords) line += format_text(" c/%d", size - row);
    rows.push_back({row + 1, std::move(line)});
  }
  if (coords) rows.push_back({state.y1 + 2, column_letters()});

  // Most rows of a picture are rows of the one before (the letters, the
  // empty rows, what a variation leaves alone). Without -hold such a row is
  // not made again: its file still holds it. Held scripts stay complete,
  // so that each can run on its own.
  for (const Row& row : rows) {
    const auto at = static_cast<std::size_t>(row.index);
    if (!hold && at < state.rows_made.size() && state.rows_made[at] == row.line)
      std::fprintf(state.script, "# %02d.ppm is the row made before\n", row.index);
    else
      std::fprintf(state.script, "%s > %s\n", row.line.c_str(), row_file(row.index).c_str());
  }
  state.rows = std::move(rows);

  gif_end(figure, count, caption.c_str());
}

const OutputDevice gif_device = {GIF_init,    GIF_exit, GIF_alloc, GIF_free, GIF_onmove,
                                 GIF_onstone, GIF_pass, GIF_time,  GIF_emit};

}  // namespace kg
