#include "device/tex_frame.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "game/game.h"
#include "kibitz/kibitz.h"
#include "figure/figure.h"
#include "util/strutil.h"

namespace kg {

const Paper papers[kPapers] = {
    {180, "", "letterpaper"},
    {180, "", "letterpaper"},
    {200, "a4wide", "a4paper"},
    {180, "a4", "a4paper"},
};

namespace {

const Paper& paper_row(int paper) { return papers[paper >= 0 && paper < kPapers ? paper : 0]; }

}  // namespace

void TexFrame::put_team(Game* game, bool black) {
  const auto& team = game->info ? (black ? game->info->black : game->info->white) : nullptr;
  if (!team || team->count == 0) {
    text2tex(black ? "(Black unknown)" : "(White unknown)");
    return;
  }
  for (int i = 0; i < team->count; ++i) {
    const char* name = black ? info_pbn(game, i) : info_pwn(game, i);
    const char* rank = black ? info_brn(game, i) : info_wrn(game, i);
    // After a line break LaTeX would read a leading "[" or "*" as part of it.
    if (i > 0 && name && (name[0] == '[' || name[0] == '*')) std::fputs("{}", fw());
    text2tex(name);
    // A name without a rank has no comma after it.
    if (rank && rank[0] != '\0') {
      std::fputs(", ", fw());
      text2tex(rank);
    }
    std::fputs("\\\\\n", fw());
  }
}

// A comment keeps its line breaks: TeX would run its lines together into
// one paragraph, so a line followed by another ends with "\\"; an empty
// line still begins a paragraph, and a final line feed stays a blank.
void TexFrame::put_comment(std::string_view text) const {
  auto blank = [](std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; };
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    if (eol == std::string_view::npos || eol + 1 == text.size()) {
      text2tex(text);
      return;
    }
    const std::string_view line = text.substr(0, eol), rest = text.substr(eol + 1);
    text2tex(line);
    const std::string_view next = rest.substr(0, rest.find('\n'));
    if (!blank(line) && !blank(next)) {
      std::fputs("\\\\\n", fw());
      // Else "\\" would read a leading "[" or "*" as its own.
      if (next[0] == '[' || next[0] == '*') std::fputs("{}", fw());
    } else {
      std::fputc('\n', fw());
    }
    text = rest;
  }
}

// The part of a comment between "(*" and "*)", emphasised; text after "*)"
// is a navigation remark and is dropped.
void TexFrame::put_varsk(const std::string& line) {
  std::size_t begin = 0, end = line.size();
  std::size_t open = line.find("(*");
  if (open != std::string::npos) {
    std::fputs("\\begin{em}\n", fw());
    begin = open + 2;
    if (begin < line.size() && line[begin] == ' ') ++begin;
  }
  // Only a "*)" after the opening one closes it.
  std::size_t close = line.find("*)", begin);
  if (close != std::string::npos) {
    end = close;
    if (end > begin && line[end - 1] == ' ') --end;
  }
  text2tex(std::string_view(line).substr(begin, end - begin));
  // The environment is closed exactly when it was opened, so a stray "(*"
  // or "*)" cannot leave the document unbalanced.
  if (open != std::string::npos) std::fputs("\n\\end{em}\n", fw());
}

int tex_figuresize(int paper) { return paper_row(paper).figure_size; }

void text2tex(std::string_view text, std::FILE* fw) {
  if (text.empty()) return;
  const bool latin1 = !valid_utf8(text);
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '_': case '#': case '{': case '}': case '&': case '%': case '$':
        out += '\\', out += static_cast<char>(c);
        break;
      case '^':
        out += "\\^{}";
        break;
      case '+': case '<': case '>': case '|': case '=':
        out += '$', out += static_cast<char>(c), out += '$';
        break;
      case '~':
        out += "\\Tilde";
        out += i + 1 < text.size() && text[i + 1] == ' ' ? '\\' : ' ';
        break;
      case '\\':
        out += "$\\backslash$";
        break;
      case '\r':
        // A carriage return would end TeX's line and lose the rest of it.
        if (i + 1 < text.size() && text[i + 1] == '\n') break;
        out += '\n';
        break;
      default:
        if (c >= 0x80 && latin1) {
          out += static_cast<char>(0xC0 | c >> 6);
          out += static_cast<char>(0x80 | (c & 0x3F));
        } else if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
          // TeX refuses most control characters, and some act as commands.
          out += ' ';
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  std::fwrite(out.data(), 1, out.size(), fw);
}

void TexFrame::tex_header(Game* game) {
  if (header_written_) return;
  header_written_ = true;
  std::FILE* fw = this->fw();
  const Paper& paper = paper_row(opt_.paper_size);
  auto put_text = [this](const char* text, const char* fallback) { text2tex(text ? text : fallback); };
  if (kind_ == Kind::book) {
    std::fprintf(fw, "\\documentclass[%s]{book}\n", paper.class_option);
    std::fprintf(fw, " \\usepackage{%s}\n", paper.package);
    std::fputs(" \\usepackage{multicol}\n", fw);
    if (opt_.sty) {
      std::fprintf(fw, " \\usepackage{%s}\n", opt_.sty->c_str());
    } else {
      const char* dir = std::getenv("SGFMACROS");
      std::fprintf(fw, " \\usepackage{%s%c%s}\n", dir ? dir : kStyDir,
                   '/', "sgf");
    }
    std::fputs("%\n% multicol.sty settings\n%\n", fw);
    std::fprintf(fw, "\\columnsep      %s\n", opt_.kibitz ? "12.0pc" : "1.5pc");
    std::fputs("\\columnseprule  0.4pt\n", fw);
    if (opt_.paper_size == 3) {
      std::fputs("%\n% Use the paper even more efficiently\n%\n", fw);
      std::fprintf(fw, "\\textheight%d\\baselineskip\n", 55);
      std::fprintf(fw, "\\textwidth%fin\n", 6.5);
      std::fprintf(fw, "\\evensidemargin%fin\n", 0.0);
      std::fputs("\\oddsidemargin\\evensidemargin\n", fw);
      std::fprintf(fw, "\\topmargin%fin\n", 0.0);
    }
  } else {
    std::fputs("\\documentstyle[sgf,go]{article}\n", fw);
    std::fprintf(fw, "\\gofontsize{%d}\n", 8);
  }

  std::fputs("\\begin{document}\n", fw);
  // The game's name heads the page when no event does, and goes under an
  // event it does not repeat.
  auto known = [](const char* text) { return text && text[0] != '\0'; };
  const char* event = info_ev(game);
  const char* name = info_gn(game);
  std::fputs("\\centerline{{\\fntev ", fw);
  put_text(known(event) ? event : known(name) ? name : nullptr, "(Event unknown)");
  if (const char* round = info_ro(game)) {
    std::fputs(", ", fw);
    text2tex(round);
  }
  std::fputs("}}\n", fw);
  if (known(event) && known(name) && std::strcmp(event, name) != 0) {
    std::fputs("\\vspace{.25cm}\n\\centerline{{\\fntdt ", fw);
    text2tex(name);
    std::fputs("}}\n", fw);
  }
  std::fputs("\\vspace{.25cm}\n{\\fntpp\n\\begin{center}\n", fw);
  std::fputs("\\begin{tabular}{l}\n", fw);
  put_team(game, true);
  std::fputs("\\end{tabular}\n", fw);
  std::fputs("\\begin{tabular}{c}\nvs\\\\\n\\end{tabular}\n", fw);
  std::fputs("\\begin{tabular}{r}\n", fw);
  put_team(game, false);
  std::fputs("\\end{tabular}\n", fw);
  std::fputs("\\end{center}\n}\n\\vspace{.25cm}\n", fw);
  std::fputs("\\centerline{{\\fntdt ", fw);
  put_text(info_dt(game), "(Date unknown)");
  std::fputs("}}\n\\vspace{.25cm}\n", fw);
  std::fputs("\\centerline{{\\fntpc ", fw);
  put_text(info_pc(game), "(Place unknown)");
  std::fputs("}}\n", fw);
  // Komi, rules and result, those the record gives, on one line.
  bool any = false;
  for (const auto& [label, value] : {std::pair{"Komi", info_km(game)}, std::pair{"Rules", info_rules(game)},
                                     std::pair{"Result", info_re(game)}}) {
    if (!known(value)) continue;
    std::fputs(any ? ", " : "\\vspace{.25cm}\n\\centerline{{\\fntdt ", fw);
    std::fprintf(fw, "%s ", label);
    text2tex(value);
    any = true;
  }
  if (any) std::fputs("}}\n", fw);
  std::fputs("\\vspace{.50cm}\n", fw);
  std::fputs("\\fnttxt\n\n\\thispagestyle{empty}\n\n", fw);

  if (kind_ == Kind::book) {
    // The figures fit a column only when they are no wider than the paper's.
    if (opt_.epsf.fullsize <= paper.figure_size) {
      std::fputs("\\begin{multicols}{2}\n", fw);
      multicols_open_ = true;
    }
  } else {
    std::fputs("\\twocolumn\n", fw);
  }
}

void TexFrame::tex_text(const Figure& figure, int lowest, int highest) {
  Move *first_comment = figure.first_comment, *next = figure.next;
  if (!first_comment || first_comment == next) return;
  std::FILE* fw = this->fw();
  const bool kibitz = opt_.kibitz;
  std::string line;
  bool started = false;
  bool line_ended = false;  // the last piece ended a line with text on it
  auto end_node = [&] {
    if (started) std::fputc('\n', fw);
    line_ended = false;
  };
  walk_comments(first_comment, next, kibitz, [&](Move* m) {
    end_node();
    started = true;
    if (kibitz) kibitzers_.kib_add(m->info->texts);
    if (m->number != 0 && opt_.labels && lowest != highest) {
      std::fprintf(fw, "\\C{%s}{%d}", m->colour == BLACK ? "Black" : "White", figure.shown(m));
      std::fprintf(fw, "%s\n", kibitz ? "\\par" : "");
    }
  }, [&](const Text& t, Speaker who) {
    // Pieces are written whole, however long.
    line = t.text;
    if (!line.empty() && line.back() == ' ') line.back() = '\n';
    if (kibitz && !line.empty() && line.back() == '\n') line.pop_back();
    switch (who) {
      case Speaker::unnamed:
        // A plain comment among kibitz lines: no speaker, and the next line
        // of the last speaker names him again.
        text2tex(line);
        std::fputs("\\par\n", fw);
        break;
      case Speaker::named: {
        const std::string rank = rank2str(t.rank);
        std::fputs("\\kk{", fw);
        text2tex(*t.name);
        std::fputs("}{(", fw);
        text2tex(std::string_view(rank).substr(std::min(rank.find_first_not_of(' '), rank.size())));
        std::fputs(")}{", fw);
        text2tex(line);
        std::fputs("}\n", fw);
        break;
      }
      case Speaker::again:
        std::fputs("\\kk{}{}{", fw);
        text2tex(line);
        std::fputs("}\n", fw);
        break;
      case Speaker::none:
        if (opt_.varsk) {
          put_varsk(line);
        } else {
          // A line of the comment after one that ended: keep the break.
          if (line_ended && !line.empty() && line[0] != '\n') {
            std::fputs("\\\\\n", fw);
            if (line[0] == '[' || line[0] == '*') std::fputs("{}", fw);
          }
          put_comment(line);
        }
        break;
    }
    line_ended = who == Speaker::none && t.text.size() > 1 && t.text.back() == '\n' &&
                 t.text[t.text.size() - 2] != '\n';
    // TeX reads a line feed as a blank: texts kept apart, not run together.
    if (!kibitz && text_needs_break(t.text)) std::fputc('\n', fw);
  });
  end_node();
}

void TexFrame::tex_trailer(Game* game) {
  if (trailer_written_) return;
  trailer_written_ = true;
  // A run that drew no figure still makes a document LaTeX can read.
  tex_header(game);
  std::FILE* fw = this->fw();
  std::fputs("Result: ", fw);
  const char* result = info_re(game);
  text2tex(result ? result : "Unknown");
  std::fputc('\n', fw);
  if (multicols_open_) std::fputs("\\end{multicols}\n", fw);
  if (opt_.statout) {
    static constexpr struct {
      const char* tag;
      const char* skip;
      const char* title;
      const char* macro;
    } kListings[] = {
        {"By name:", "\\clearpage", "name", "\\kdict"},
        {"By rank:", "\\vskip1000pt", "rank", "\\krank"},
        {"By frequency:", "\\vskip1000pt", "frequency", "\\kfreq"},
        {"By amount:", "\\vskip1000pt", "amount", "\\kbyte"},
    };
    int order = 0;
    for (const auto& listing : kListings) {
      std::fprintf(fw, "%%%% #[%s\n", listing.tag);
      std::fprintf(fw, "%s\n", listing.skip);
      std::fprintf(fw, "\\section{Kibitzers sorted by %s}\n", listing.title);
      // The rows go to standard output, which is `fw` unless -output named a
      // file; what is buffered in `fw` goes first.
      std::fflush(fw);
      kibitzers_.kib_list(order++, listing.macro);
      std::fflush(stdout);
      std::fprintf(fw, "%%%% #]%s \n", listing.tag);
    }
  }
  std::fputs("\\end{document}\n", fw);
  std::fputc('\n', stderr);
}

}  // namespace kg
