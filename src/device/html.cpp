// The html output format: an index page, one page per figure and per
// variation diagram with links between them, and the gif pictures, which
// each page's emit makes first through the gif device.
//
// Pages and links keep the numbers of one numbering pass over all
// variations, so that a -diagrams selection leaves the names stable; a link
// to a diagram that is not made is written as plain text.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "device/devices.h"
#include "device/gif.h"
#include "figure/figure.h"
#include "game/game.h"
#include "kibitz/kibitz.h"
#include "util/files.h"
#include "util/message.h"
#include "util/strutil.h"

namespace kg {

namespace {

struct State {
  int figures = 0;  // diagrams take the numbers the driver gave them
  bool started = false;
  bool index_pending = true;
  bool head_written = false;
  Game* head_game = nullptr;  // whose information every head shows
  bool trailer_written = false;
  bool utf8 = false;       // every text of the record is valid UTF-8
  std::string index_name;  // the index page this device opened
  std::string base_url;    // the base name as it goes into HREF and SRC
  // An index written to another directory than the pages: the way from it
  // to them ("../", say), and the way from them to it.
  std::string index_to_pages;
  std::string pages_to_index;
  bool in_page = false;
};
// ---- texts ----------------------------------------------------------------------

// A file name as one path segment of a URL, written into a quoted attribute.
std::string url_name(std::string_view name) {
  std::string out;
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
        u == '.' || u == '_' || u == '~' || u == '/')
      out += c;
    else
      out += format_text("%%%02X", u);
  }
  return out;  // holds nothing that HTML would read as markup
}

// A game text, none when it is unknown: the player getters give "" for a
// side without a team and none for a name never given.
const char* known(const char* text) { return text && *text ? text : nullptr; }

// Whether every text the pages show is valid UTF-8: the heading's game
// information, the names of variations and the comments. Fields no page
// shows do not count, so one stray byte there keeps no page from its
// character set.
bool record_utf8(Game* top) {
  for (const char* text : {info_pb(top), info_pw(top), info_br(top), info_wr(top), info_dt(top),
                           info_pc(top), info_ha(top), info_km(top), info_re(top)})
    if (text && !valid_utf8(text)) return false;
  // The heading falls back to the game's name, then to the file's.
  if (!(known(info_pb(top)) && known(info_pw(top))) && top->name.empty() &&
      !valid_utf8(top->filename))
    return false;
  std::vector<Game*> games{top};
  while (!games.empty()) {
    Game* g = games.back();
    games.pop_back();
    if (g->next) games.push_back(g->next);
    if (!valid_utf8(g->name)) return false;
    for (Move* m = g->first; m; m = m->next) {
      if (m->variations) games.push_back(m->variations);
      if (!m->info) continue;
      for (const Text* t = m->info->texts; t; t = t->next)
        if (!valid_utf8(t->text) || (t->name && !valid_utf8(*t->name))) return false;
    }
  }
  return true;
}

std::string html_stone(int number, int colour) {
  return format_text("%c%d", colour == BLACK ? 'B' : 'W', number);
}

// ---- numbering and links ----------------------------------------------------------

// ---- the device ----------------------------------------------------------------

class HtmlDevice : public GifDevice {
 public:
  HtmlDevice(const Options& opt, MainOutput& out) : GifDevice(opt), opt_(opt), out_(out) {}

  void exit(Game* game) override {
    fw = out_.stream();
    HTML_trailer();
    GifDevice::exit(game);
  }

  void onmove(Game* game, int number, int colour, int old_number, int old_colour) override {
    GifDevice::onmove(game, number, colour, old_number, old_colour);
    con_printf("%s at %s", html_stone(number, colour).c_str(),
               html_stone(old_number, old_colour).c_str());
  }

  void onstone(Game* game, int number, int colour, int location) override {
    GifDevice::onstone(game, number, colour, location);
    con_printf("%s at %s", html_stone(number, colour).c_str(),
               point_name(location, game->size, PointName::sgf_pair).c_str());
  }

  void pass(Game* game, int number, int colour) override {
    GifDevice::pass(game, number, colour);
    con_printf("%s pass", html_stone(number, colour).c_str());
  }

  bool emit(Game* game, const Figure& record) override {
    fw = out_.stream();
    Move *first = record.first, *last = record.last, *next = record.next;
    const bool figure = !record.diagram;
    const bool first_emit = !state.started;
    if (first_emit) {
      Game* top = game;
      while (top->parent) top = top->parent;
      state.started = true;
      state.base_url = url_name(opt_.epsf.base);
      state.utf8 = record_utf8(top);
    }

    // The picture first, numbered as the page.
    const int number = record.number;
    if (figure) state.figures = number;
    gif_picture(game, record, number);
    if (first_emit) {
      if (out_.is_stdout()) {
        const std::string index_name = opt_.epsf.base + ".html";
        // The main output closes and checks it.
        if (!out_.open(index_name)) {
          std::perror(index_name.c_str());
          throw Exit(1);
        }
        fw = out_.stream();
      } else {
        index_paths(out_.name().c_str());
      }
      message("d_html: numbered\n");
      if (!opt_.flatten) {
        message("\nYou could use -flatten options\n");
        message("in order to have the best result\n\n");
      }
    }
    const std::string page = format_text("%s-%c%02d.html", opt_.epsf.base.c_str(), figure ? 'f' : 'd', number);

    const std::string caption = record.captioned();
    HTML_index(game, caption.c_str());

    OutFile file;
    if (!file.open(page, OutFile::Open::truncate)) {
      std::perror(page.c_str());  // named, as the index is
      throw Exit(1);
    }
    PageStream stream(*this, std::move(file));
    HTML_header(game);
    std::fprintf(fw, "\n<H2>%s %d: \n", figure ? "Figure" : "Diagram", number);
    text2HTML(caption);
    std::fputs("</H2>\n", fw);
    message("[%d (%s)]", number, caption.c_str());

    std::fprintf(fw, "In the real game: <A HREF=\"%s\">Index</A> *\n",
                 !state.pages_to_index.empty() ? state.pages_to_index.c_str()
                 : url_name(out_.name()).c_str());
    if (figure && state.figures > 1)
      link(-(state.figures - 1), game, "Backward");
    else
      std::fputs("Backward", fw);
    if (figure && next && next->next) {
      std::fputs(" * ", fw);
      link(-(state.figures + 1), game, "Forward");
    } else {
      std::fputs(" * Forward", fw);
    }
    std::fputs("<BR>Variations: ", fw);
    if (Game* parent = game->parent)
      link(parent->parent ? parent->diagram_number : -game->figure_number, parent, "Parent");
    else
      std::fputs("Parent", fw);
    std::fputs(" * ", fw);
    if (game->prev)
      link(game->prev->diagram_number, game->prev, "Previous");
    else
      std::fputs("Previous", fw);
    std::fputs(" * ", fw);
    if (game->next)
      link(game->next->diagram_number, game->next, "Next");
    else
      std::fputs("Next", fw);
    std::fputs("\n<BR>From this diagram: ", fw);
    if (last) {
      int running = 0;
      for (Move* m = first; m; m = m->next) {
        for (Game* v = m->variations; v; v = v->next) {
          if (running > 0) std::fputs(" * ", fw);
          link(v->diagram_number, v, format_text("Variation %d", ++running).c_str());
        }
        if (m == last) break;
      }
    }
    std::fputs("\n<BR>\n", fw);

    std::fprintf(fw, "<P>\n<IMG SRC=\"%s-%c%02d.gif\" ALT=\"%s %d\">\n<P>\n", state.base_url.c_str(),
                 figure ? 'f' : 'd', number, figure ? "figure" : "diagram", number);
    const std::string notes = con_cat();
    std::fprintf(fw, "<TT>%s", notes.c_str());
    // Labels the picture shows by a letter, marks on its numbered stones.
    if (!picture_notes().empty()) {
      if (!notes.empty()) std::fputs("<BR>\n", fw);
      text2HTML(picture_notes());
    }
    std::fputs("</TT><BR>\n", fw);
    HTML_text(record, 999, 0);
    std::fputs("</BODY>\n</HTML>\n", fw);
    stream.finish();
    return true;
  }

 private:
  void text2HTML(std::string_view text) {
    for (char c : text) {
      switch (c) {
        case '&': std::fputs("&amp;", fw); break;
        case '<': std::fputs("&lt;", fw); break;
        case '>': std::fputs("&gt;", fw); break;
        case '\n':
        case '\r': std::fputc(' ', fw); break;
        case 127: std::fputs("&#127;", fw); break;
        default: std::fputc(c, fw); break;
      }
    }
  }
  void text2HTML(const char* text) {
    if (text) text2HTML(std::string_view(text));
  }

  // Whether the page a link names is made: every figure, the selected diagrams.
  bool made(int n) const { return n <= 0 || opt_.diagram_selected(n); }

  void HTML_anchor(int n) {
    if (n == 0) n = -state.figures;
    std::fprintf(fw, "<A HREF=\"%s%s-%c%02d.html\">", state.in_page ? "" : state.index_to_pages.c_str(),
                 state.base_url.c_str(), n < 0 ? 'f' : 'd', n < 0 ? -n : n);
  }

  // Pages are made in the current directory, wherever -output puts the index:
  // the links between the two must lead there.
  void index_paths(const char* index) {
    namespace fs = std::filesystem;
    std::error_code failed;
    const fs::path cwd = fs::current_path(failed);
    if (failed) return;
    const fs::path full = fs::weakly_canonical(fs::absolute(index, failed), failed);
    if (failed || full.parent_path() == cwd) return;
    const fs::path to_pages = fs::relative(cwd, full.parent_path(), failed);
    if (failed || to_pages.empty()) return;
    const fs::path to_index = fs::relative(full, cwd, failed);
    if (failed || to_index.empty()) return;
    state.index_to_pages = url_name(to_pages.string()) + "/";
    state.pages_to_index = url_name(to_index.string());
  }

  // The text of a link to `game`: a variation's name follows in brackets.
  void anchor_label(Game* game, const char* text) {
    std::string c = board_caption(game, game->first, game->first);
    bool plain = c.empty();
    if (c.size() >= 3 && (c[0] == 'B' || c[0] == 'W') && c[1] == ' ') {
      plain = true;
      for (std::size_t i = 2; i < c.size(); ++i)
        if (c[i] < '0' || c[i] > '9') plain = false;
    }
    std::fputs(text, fw);
    if (plain) return;
    std::size_t begin = c.find_first_not_of(" \t"), end = c.find_last_not_of(" \t");
    std::fputs(" (", fw);
    if (begin != std::string::npos) text2HTML(std::string_view(c).substr(begin, end - begin + 1));
    std::fputc(')', fw);
  }

  void HTML_anchor_text(Game* game, const char* text) {
    anchor_label(game, text);
    std::fputs("</A>", fw);
  }

  // A link to page `n`, or its text alone when that page is not made.
  void link(int n, Game* game, const char* text) {
    if (made(n == 0 ? -state.figures : n)) {
      HTML_anchor(n);
      HTML_anchor_text(game, text);
    } else {
      anchor_label(game, text);
    }
  }

  // ---- page parts -----------------------------------------------------------------

  void HTML_header(Game* game) {
    Game* g = state.head_written ? state.head_game : game;
    const char* black = known(info_pb(g));
    const char* white = known(info_pw(g));
    const char* black_rank = known(info_br(g));
    const char* white_rank = known(info_wr(g));
    const char* date = known(info_dt(g));
    auto players = [&](const char* versus) {
      text2HTML(black ? black : "NN");
      std::fputs(", ", fw);
      text2HTML(black_rank ? black_rank : "NR");
      std::fputs(versus, fw);
      text2HTML(white ? white : "NN");
      std::fputs(", ", fw);
      text2HTML(white_rank ? white_rank : "NR");
      if (date) {
        std::fputs(" (", fw);
        text2HTML(date);
        std::fputc(')', fw);
      }
    };
    std::fputs("<HTML>\n<HEAD>\n", fw);
    if (state.utf8)
      std::fputs("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n", fw);
    std::fputs("<TITLE>\n", fw);
    players(" versus ");
    std::fputs("</TITLE>\n</HEAD>\n", fw);
    std::fputs("<BODY bgcolor=\"#dddddd\" text=\"#000000\">\n<H1>", fw);
    if (black && white)
      players(" <EM>versus</EM> ");
    else
      text2HTML(!g->name.empty() ? g->name : g->filename);
    std::fputs("</H1>\n", fw);
    if (!state.head_written) {
      for (auto [label, name, rank] : {std::tuple{"Black: ", black, black_rank},
                                       std::tuple{"White: ", white, white_rank}}) {
        std::fputs(label, fw);
        text2HTML(name ? name : "NN");
        std::fputc(' ', fw);
        text2HTML(rank ? rank : "NR");
        std::fputs("<BR>\n", fw);
      }
      for (auto [label, value] :
           {std::pair{"Date: ", date}, std::pair{"Place: ", known(info_pc(g))},
            std::pair{"Handicap: ", known(info_ha(g))}, std::pair{"Komi: ", known(info_km(g))},
            std::pair{"Result: ", known(info_re(g))}}) {
        if (!value) continue;
        std::fputs(label, fw);
        text2HTML(value);
        std::fputs("<BR>\n", fw);
      }
      std::fputs("<PRE>\n", fw);
    }
    state.head_game = g;
    state.head_written = true;
  }

  void HTML_trailer() {
    if (state.trailer_written) return;
    state.trailer_written = true;
    std::fputs("</PRE>\n", fw);
    if (opt_.statout) {
      const char* headings[] = {"name", "rank", "frequency", "amount"};
      const char* prefixes[] = {"kdict", "krank", "kfreq", "kbyte"};
      for (int order = 0; order < 4; ++order) {
        std::fprintf(stdout, "<H2>Kibitzers sorted by %s</H2>\n", headings[order]);
        kibitzers_.kib_list(order, prefixes[order]);
      }
    }
    std::fputs("</BODY>\n</HTML>\n", fw);
    std::fputc('\n', stderr);
  }

  // The comments of the nodes [first_comment, next).
  void HTML_text(const Figure& figure, int lowest, int highest) {
    Move *first_comment = figure.first_comment, *next = figure.next;
    if (!first_comment) return;
    std::fputs("<DL>\n", fw);
    if (first_comment == next) {
      std::fputs("\n</DL>\n", fw);
      return;
    }
    const bool kibitz = opt_.kibitz;
    walk_comments(first_comment, next, kibitz, [&](Move* m) {
      if (kibitz) kibitzers_.kib_add(m->info->texts);
      if (m->number != 0 && opt_.labels && lowest != highest)
        std::fprintf(fw, "<DT><STRONG>%c%d</STRONG><DD> %s\n", m->colour == BLACK ? 'B' : 'W',
                     figure.shown(m), kibitz ? "<P>" : "");
    }, [&](const Text& t, Speaker who) {
      if (who == Speaker::named) {
        const std::string rank = rank2str(t.rank);
        std::fputs("<STRONG>", fw);
        text2HTML(*t.name);
        std::fputc(' ', fw);
        text2HTML(std::string_view(rank).substr(std::min(rank.find_first_not_of(' '), rank.size())));
        std::fputs("</STRONG>\n<LISTING>", fw);
        text2HTML(t.text);
        std::fputs("</LISTING>\n", fw);
      } else if (kibitz) {
        // A plain comment among kibitz lines has no speaker of its own.
        std::fputs("<LISTING>", fw);
        text2HTML(t.text);
        std::fputs("</LISTING>\n", fw);
      } else if (opt_.varsk) {
        std::string_view text = t.text;
        std::size_t open = text.find("(*"), close = text.find("*)");
        std::size_t begin = 0, end = text.size();
        if (open != std::string_view::npos) {
          std::fputs("<EM>\n", fw);
          begin = open + 2;
          if (begin < text.size() && text[begin] == ' ') ++begin;
        }
        if (close != std::string_view::npos) {
          end = close;
          if (end > begin && text[end - 1] == ' ') --end;
        }
        if (end > begin) text2HTML(text.substr(begin, end - begin));
        if (close != std::string_view::npos) std::fputs("\n</EM>\n", fw);
      } else {
        text2HTML(t.text);
      }
      if (!kibitz && text_needs_break(t.text)) std::fputc('\n', fw);
    });
    std::fputs("\n</DL>\n", fw);
  }

  int nesting(const Game* game) {
    int depth = 0;
    for (const Game* g = game->parent; g; g = g->parent) ++depth;
    return depth;
  }

  void HTML_index(Game* game, const char* caption) {
    if (state.index_pending) {
      state.index_pending = false;
      HTML_header(game);
      std::fputs("<P>\n", fw);
    }
    if (game->parent) {
      for (int i = nesting(game); i > 0; --i) std::fputs(" |", fw);
      HTML_anchor(game->diagram_number);
      std::fprintf(fw, "Diagram %d ", game->diagram_number);
      HTML_anchor_text(game, "");
    } else {
      HTML_anchor(-state.figures);
      std::fprintf(fw, "Figure %d", state.figures);
      HTML_anchor_text(game, "");
      std::fputs(" (", fw);
      text2HTML(caption);
      std::fputc(')', fw);
    }
    std::fputs("<BR>\n", fw);
  }

  // Puts the index stream back however the page ends.
  struct PageStream {
    HtmlDevice& device;
    OutFile page;
    FILE* index;
    PageStream(HtmlDevice& d, OutFile file) : device(d), page(std::move(file)), index(d.fw) {
      device.fw = page.get();
      device.state.in_page = true;
    }
    // A page that was not written whole fails the run, as the index does.
    void finish() {
      device.fw = index;
      device.state.in_page = false;
      if (!page.close()) cannot_write(device.opt_.program, page.name());
    }
    ~PageStream() {
      device.fw = index;
      device.state.in_page = false;
    }
  };

  const Options& opt_;
  MainOutput& out_;
  std::FILE* fw = stdout;  // the index's stream, or the page's while one is written
  State state;
  KibitzTable kibitzers_;
};

}  // namespace

std::unique_ptr<OutputDevice> make_html_device(const Options& opt, MainOutput& out) {
  return std::make_unique<HtmlDevice>(opt, out);
}

}  // namespace kg
