#include "main/options.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "device/tex_frame.h"
#include "main/formats.h"
#include "read/charset.h"
#include "util/message.h"

namespace kg {

namespace {

enum class Arg { kNone, kValue };

struct OptionRow {
  const char* name;
  int code;
  Arg arg;
};

// Ambiguity is only looked for between a matching row and the one after it,
// so rows that share a prefix must stay next to each other.
constexpr OptionRow kOptions[] = {
    {"branches", 33, Arg::kNone},    {"caching", 0, Arg::kNone},
    {"coordinates", 1, Arg::kNone},
    {"diagrams", 2, Arg::kValue},    {"encoding", 34, Arg::kValue},
    {"figures", 3, Arg::kValue},
    {"flatten", 4, Arg::kNone},      {"fontsize", 27, Arg::kValue},
    {"from", 5, Arg::kValue},        {"game", 32, Arg::kValue},
    {"help", 6, Arg::kNone},
    {"hold", 30, Arg::kNone},        {"kibitz", 7, Arg::kNone},
    {"labels", 8, Arg::kNone},       {"max", 20, Arg::kValue},
    {"output", 9, Arg::kValue},      {"pbmbin", 28, Arg::kValue},
    {"ppm", 21, Arg::kValue},        {"rgbb", 22, Arg::kValue},
    {"rgbg", 24, Arg::kValue},       {"rgbo", 25, Arg::kValue},
    {"rgbr", 26, Arg::kValue},       {"rgbw", 23, Arg::kValue},
    {"scale", 10, Arg::kValue},      {"short_keys", 11, Arg::kNone},
    {"sequent", 29, Arg::kNone},     {"statistics", 12, Arg::kNone},
    {"sty", 31, Arg::kValue},        {"text_output", 13, Arg::kNone},
    {"tmp", 14, Arg::kValue},        {"to", 15, Arg::kValue},
    {"verbose", 16, Arg::kNone},     {"version", 17, Arg::kNone},
    {"varsk_mode", 18, Arg::kNone},  {"paper", 19, Arg::kValue},
    {"", -1, Arg::kNone},
};

struct ValueWord {
  const char* word;
  int code;
};

constexpr ValueWord kPapers[] = {{"default", 0}, {"letter", 1}, {"a4", 3}, {"a4wide", 2}};

// True when `text` equals the first strlen(text) characters of `word`.
bool is_prefix(const char* text, const char* word) {
  return std::strncmp(text, word, std::strlen(text)) == 0;
}

// The row that `text` abbreviates: the first that it does, with `other` set
// to the next one when that matches too (ambiguity is only looked for
// between neighbours); none when no row does.
const OptionRow* find_row(const char* text, const OptionRow** other) {
  for (const OptionRow* row = kOptions; row->name[0] != '\0'; ++row) {
    if (!is_prefix(text, row->name)) continue;
    const OptionRow* next = row + 1;
    if (next->name[0] != '\0' && is_prefix(text, next->name)) *other = next;
    return row;
  }
  return nullptr;
}

// The first word that `arg` abbreviates, or none.
template <std::size_t N>
const ValueWord* lookup_word(const ValueWord (&words)[N], const char* arg) {
  for (const ValueWord& w : words)
    if (is_prefix(arg, w.word)) return &w;
  return nullptr;
}

// The reading of one command line.
class Parser {
 public:
  Parser(int argc, char** argv, Options& opt, MainOutput& out)
      : argc_(argc), argv_(argv), opt_(opt), out_(out) {}

  int getoptions();

 private:
  int getoption();
  void apply(int code);
  [[noreturn]] void usage(int status);
  template <class T>
  const T& select(const T* row, const char* what) {
    if (!row) fatal(1, "%s: \"%s\": %s\n", opt_.program.c_str(), optarg_, what);
    return *row;
  }

  // The value of a number option; anything else is refused, never read as 0.
  int number(const char* arg, const char* option) const {
    const std::optional<int> n = whole_number(arg);
    if (!n) fatal(1, "%s: Option \"%s\" needs a number, not \"%s\"\n", opt_.program.c_str(), option, arg);
    return *n;
  }

  // A game of a collection: its number from 1, or 0 for all of them.
  int game_number(const char* arg) const {
    if (std::string_view(arg) == "all") return 0;
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(arg, &end, 10);
    if (end == arg || *end != '\0' || n < 1 || n > INT_MAX || errno != 0)
      fatal(1, "%s: \"%s\": a game number (1, 2, ...) or all\n", opt_.program.c_str(), arg);
    return static_cast<int>(n);
  }

  int argc_;
  char** argv_;
  int file_ = -1;  // the record's argument, once met
  Options& opt_;
  MainOutput& out_;
  int optind_ = 1;
  const char* optarg_ = nullptr;
};

void Parser::apply(int code) {
  Options& o = opt_;
  const char* arg = optarg_;
  switch (code) {
    case 0: o.caching = 1; break;
    case 1: o.coords = 0; break;
    case 2: getlist(arg, o, true); break;
    case 3: getlist(arg, o, false); break;
    case 4: o.flatten = 1; break;
    case 5: o.file_fmt = &select(find_format(input_formats, arg), "unknown input format"); break;
    case 6: usage(0);
    case 7: o.kibitz = 1; break;
    case 8: o.labels = 0; break;
    case 9:
      // Every -output creates its file; only the last one receives the output.
      if (!out_.open(arg)) cannot_write(o.program, arg);
      break;
    case 10: o.epsf.size = number(arg, "scale"); break;
    case 11: o.longkey = 0; break;
    case 12: o.statout = 1; break;
    case 13: o.textout = 0; break;
    case 14: o.epsf.dir = arg; break;
    case 15: o.prn_dev = &select(find_format(output_formats, arg), "unknown output format"); break;
    case 16: o.verbose = 1; break;
    case 17:
      std::printf("%s-%d.%d.%d\n", o.program.c_str(), kVersionMajor, kVersionMinor, kVersionPatch);
      throw Exit(0);
    case 18: o.varsk = 1; break;
    case 19: o.paper_size = select(lookup_word(kPapers, arg), "unknown paper size").code; break;
    case 20: o.maxmoves = number(arg, "max"); break;
    case 21: o.ppm = arg; break;
    case 22: o.rgb_b = arg; break;
    case 23: o.rgb_w = arg; break;
    case 24: o.rgb_g = arg; break;
    case 25: o.rgb_o = arg; break;
    case 26: o.rgb_r = arg; break;
    case 27: o.fntsz = number(arg, "fontsize"); break;
    case 28: o.pbmbin = arg; break;
    case 29: o.sequent = 1; break;
    case 30: o.hold = 1; break;
    case 31: o.sty = arg; break;
    case 32: o.game = game_number(arg); break;
    case 33: o.branches = 1; break;
    case 34:
      o.encoding = charset_name(arg);
      if (!o.encoding) fatal(1, "%s: \"%s\": unknown encoding\n", o.program.c_str(), arg);
      break;
    default: break;
  }
}

}  // namespace

std::optional<std::string_view> option_named(const char* word) {
  const OptionRow* other = nullptr;
  const OptionRow* row = find_row(word, &other);
  if (!row || other) return std::nullopt;
  return row->name;
}

std::optional<int> whole_number(const char* s) {
  const char* digits = s + (*s == '+' || *s == '-');
  if (*digits == '\0' || std::strspn(digits, "0123456789") != std::strlen(digits)) return std::nullopt;
  return atoi_sat(s);
}

int atoi_sat(const char* s) {
  if (s == nullptr) return 0;
  while (std::isspace(static_cast<unsigned char>(*s))) ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*s)); ++s) {
    value = value * 10 + (*s - '0');
    if (value > limit) value = limit;
  }
  return static_cast<int>(negative ? -value : value);
}

int getoptions(int argc, char** argv, Options& opt, MainOutput& out) {
  return Parser(argc, argv, opt, out).getoptions();
}

int Parser::getoptions() {
  Options& o = opt_;
  o.file_fmt = &default_input();
  o.prn_dev = &default_output();
  o.epsf.dir = "/tmp";
  o.epsf.size = 180;
  if (const char* dir = std::getenv("EPSFTMP")) o.epsf.dir = dir;
  // A size from the environment that is none (a word, a negative number)
  // would draw every figure wrong without a word; it is passed over.
  if (const char* size = std::getenv("EPSFSIZE"); size && *size) {
    const std::optional<int> points = whole_number(size);
    if (points && *points >= 0)
      o.epsf.size = *points;
    else
      std::fprintf(stderr, "%s: EPSFSIZE=\"%s\" is not a size in points: ignored\n", o.program.c_str(), size);
  }
  // Options may follow the record's name as well; a second name is refused.
  for (;;) {
    const int code = getoption();
    if (code == -2) fatal(1, "%s -help gives online help\n", o.program.c_str());
    if (code != -1) {
      apply(code);
      continue;
    }
    if (optind_ >= argc_) break;
    if (file_ >= 0)
      fatal(1, "%s: \"%s\" and \"%s\": one record per run\n", o.program.c_str(), argv_[file_], argv_[optind_]);
    file_ = optind_++;
  }
  if (o.epsf.size == 0) o.epsf.size = tex_figuresize(o.paper_size);
  return file_ >= 0 ? file_ : argc_;
}

// Code of the next option after consuming it and its argument; -1 when no
// option is left; -2 after an error message on standard error.
int Parser::getoption() {
  const std::string& program = opt_.program;
  if (optind_ >= argc_) return -1;
  const char* arg = argv_[optind_];
  if (arg[0] != '-' || arg[1] == '\0') return -1;
  // The spellings other programs have taught: exact words, outside the table.
  if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--version") == 0) {
    ++optind_;
    return arg[2] == 'v' ? 17 : 6;
  }
  const char* text = arg + 1;
  const OptionRow* other = nullptr;
  const OptionRow* row = find_row(text, &other);
  if (!row) {
    std::fprintf(stderr, "%s: \"%s\": no such option\n", program.c_str(), text);
    return -2;
  }
  if (other) {
    std::fprintf(stderr, "%s: Option \"%s\" is ambiguous (-%s and -%s)\n", program.c_str(), text,
                 row->name, other->name);
    return -2;
  }
  ++optind_;
  optarg_ = optind_ < argc_ ? argv_[optind_] : nullptr;
  if (row->arg == Arg::kNone) return row->code;
  if (optarg_ != nullptr && optarg_[0] != '-') {
    ++optind_;
    return row->code;
  }
  std::fprintf(stderr, "%s: Option \"%s\" needs an argument\n", program.c_str(), row->name);
  return -2;
}

void Parser::usage(int status) {
  const std::string& program = opt_.program;
  const Epsf& epsf = opt_.epsf;
  const std::string inputs = help_list(input_formats), outputs = help_list(output_formats);
  enum Live { kFixed, kDir, kSize };  // -tmp and -scale show the values in force
  struct Row {
    const char* option;
    const char* description;
    const char* fallback;
    Live live = kFixed;
  };
  const Row kRows[] = {
      {"[-from fmt_spec]", "Input Go game format", "sgf file"},
      {"", inputs.c_str(), ""},
      {"[-encoding name]", "Encoding of the record's text", "CA, else guessed"},
      {"[-to dev_spec]", "Output format", "pstex"},
      {"", outputs.c_str(), ""},
      {"[-paper paper_spec]", "Paper Size", "default"},
      {"", "[default,letter,a4wide,a4]", ""},
      {"[-tmp path]", "EPS directory", nullptr, kDir},
      {"[-scale size]", "Diagram size [72 = 1in]", nullptr, kSize},
      {"[-max moves]", "Limit moves per figure", "unlimited"},
      {"[-figures  list]", "Emit figures  in list", "automatic"},
      {"[-diagrams list]", "Emit diagrams in list", "all"},
      {"[-branches]", "Say where variations begin", "off"},
      {"[-output file]", "Emit output to file", "stdout"},
      {"[-game n|all]", "Game of a collection", "1"},
      {"[-coordinates]", "Don't print coordinates", "on"},
      {"[-text_output]", "Don't print text output", "on"},
      {"[-labels]", "Don't label moves", "on"},
      {"[-caching]", "Caching   mode", "off"},
      {"[-verbose]", "Verbose   mode", "off"},
      {"[-sequent]", "Variation(1) mode", "off"},
      {"[-flatten]", "Variation(2) mode", "off"},
      {"[-kibitz]", "Kibitz    mode", "off"},
      {"[-varsk_mode]", "Varsk     mode", "off"},
      {"[-statistics]", "Emit kibitz statistics", "off"},
      {"[-short_keys]", "Don't use long SGF keys", "off"},
      {"[-sty path]", "Path to style file", kStyDir},
      {"[-ppm path]", "Path to ppm directory", kPpmDir},
      {"[-pbmbin path]", "Path to pbmplus tools", "/usr/local/netpbm/bin"},
      {"[-rgbb color]", "GIF Color for Black", "rgb\\:00/00/00"},
      {"[-rgbw color]", "GIF Color for White", "rgb\\:ff/ff/ff"},
      {"[-rgbg color]", "GIF Color for Board", "rgb\\:ff/e1/4b"},
      {"[-rgbo color]", "GIF Color for Outside", "rgb\\:ff/e1/4b"},
      {"[-rgbr color]", "GIF Color for Region", "rgb\\:ff/ff/7f"},
  };
  const std::string rule(72, '-');
  std::string text = format_text("Usage: %s [options] [file]\n", program.c_str());
  text += rule + "\n";
  text += format_text("%-20s%-44s%s\n", "Option", "Description", "Default");
  text += rule + "\n";
  for (const Row& row : kRows) {
    if (row.live == kDir)
      text += format_text("%-20s%-44s%s\n", row.option, row.description, epsf.dir.c_str());
    else if (row.live == kSize)
      text += format_text("%-20s%-44s%d\n", row.option, row.description, epsf.size);
    else
      text += format_text("%-20s%-44s%s\n", row.option, row.description, row.fallback);
  }
  text += format_text("%-20s%-44s%d\n", "[-fontsize bits]", "GIF image unit size", 15);
  text += format_text("%-20s%-44s\n", "[-version]", "Print program version");
  text += format_text("%-20s%-44s\n", "[-help]", "Print usage");
  throw Exit(status, text, status == 0);
}

void getlist(const char* text, Options& opt, bool diagrams) {
  const std::string& program = opt.program;
  auto& figlist = opt.figlist;
  auto& dialist = opt.dialist;
  if (text[0] == '%') {
    if (diagrams) fatal(1, "%s: This format is only useful for figures\n", program.c_str());
    int n = atoi_sat(text + 1);
    if (n < 1 || n >= kListSize)
      fatal(1, "%s: Figure interval out of range (1 - %d)\n", program.c_str(), kListSize);
    for (int k = 1; k * n < kListSize; ++k) figlist[k] = k * n;
    return;
  }
  int index = 1;  // next figlist entry
  int last = 0;   // last diagram selected
  std::string_view rest(text);
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of("+,-");
    std::string token(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (token.empty()) continue;
    int value = atoi_sat(token.c_str());
    if (value >= kListSize)
      fatal(1, "%s: %s number %d out of range (< %d)\n", program.c_str(),
            diagrams ? "Diagram" : "Move", value, kListSize);
    if (!diagrams) {
      // Figure ends past the table are dropped: there is no entry to hold them.
      if (index < kListSize) figlist[index] = value;
      ++index;
    } else if (value > 0) {
      dialist[value] = value;
      last = value;
    } else {
      for (int i = last + 1; i < kListSize; ++i) dialist[i] = 0;
    }
  }
}

std::string file_basename(const char* name) {
  std::string copy(name);
  std::size_t mark = copy.find_last_of("/.");
  if (mark != std::string::npos && copy[mark] == '.') copy.erase(mark);
  std::size_t slash = copy.rfind('/');
  return slash == std::string::npos ? copy : copy.substr(slash + 1);
}

}  // namespace kg
