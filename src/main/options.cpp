#include "main/options.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "device/tex_frame.h"
#include "main/settings.h"
#include "util/message.h"

namespace kg {

const char* output_name = nullptr;

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
    {"caching", 0, Arg::kNone},      {"coordinates", 1, Arg::kNone},
    {"diagrams", 2, Arg::kValue},    {"figures", 3, Arg::kValue},
    {"flatten", 4, Arg::kNone},      {"fontsize", 27, Arg::kValue},
    {"from", 5, Arg::kValue},        {"help", 6, Arg::kNone},
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

constexpr ValueWord kInputFormats[] = {{"sgf", FMT_SGF}, {"tavolin", FMT_TAVOLIN}, {"sf", FMT_SF}};
constexpr ValueWord kOutputFormats[] = {
    {"ascii", DEV_ASCII}, {"graphic", DEV_GRAPHIC}, {"tex", DEV_TEX}, {"pstex", DEV_PSTEX},
    {"sgf", DEV_SGF},     {"sf", DEV_SF},           {"db", DEV_DB},   {"gif", DEV_GIF},
    {"html", DEV_HTML},   {"null", DEV_NULL}};
constexpr ValueWord kPapers[] = {{"default", 0}, {"letter", 1}, {"a4", 3}, {"a4wide", 2}};

// True when `text` equals the first strlen(text) characters of `word`.
bool is_prefix(const char* text, const char* word) {
  return std::strncmp(text, word, std::strlen(text)) == 0;
}

// The code of the first word that `arg` abbreviates, or -1.
template <std::size_t N>
int lookup_word(const ValueWord (&words)[N], const char* arg) {
  for (const ValueWord& w : words)
    if (is_prefix(arg, w.word)) return w.code;
  return -1;
}

int select_word(int code, const char* arg, const char* what) {
  if (code < 0) fatal(1, "%s: \"%s\": %s\n", program.c_str(), arg, what);
  return code;
}

void open_output(const char* name) {
  // Every -output creates its file; only the last one receives the output.
  if (fw != nullptr && fw != stdout) std::fclose(fw);
  fw = stdout;
  output_name = nullptr;
  FILE* file = std::fopen(name, "w");
  if (file == nullptr) cannot_write(name);
  fw = file;
  output_name = name;
}

void apply(int code) {
  switch (code) {
    case 0: caching = 1; break;
    case 1: coords = 0; break;
    case 2: getlist(optarg, dialist); break;
    case 3: getlist(optarg, figlist); break;
    case 4: flatten = 1; break;
    case 5:
      file_fmt = select_word(lookup_word(kInputFormats, optarg), optarg, "unknown input format");
      break;
    case 6: usage(0);
    case 7: kibitz = 1; break;
    case 8: labels = 0; break;
    case 9: open_output(optarg); break;
    case 10: epsf.size = atoi_sat(optarg); break;
    case 11: longkey = 0; break;
    case 12: statout = 1; break;
    case 13: textout = 0; break;
    case 14: epsf.dir = optarg; break;
    case 15:
      prn_dev = select_word(lookup_word(kOutputFormats, optarg), optarg, "unknown output format");
      break;
    case 16: verbose = 1; break;
    case 17:
      std::printf("%s-%d.%d.%d\n", program.c_str(), kVersionMajor, kVersionMinor, kVersionPatch);
      throw Exit(0);
    case 18: varsk = 1; break;
    case 19: paper_size = select_word(lookup_word(kPapers, optarg), optarg, "unknown paper size"); break;
    case 20: maxmoves = atoi_sat(optarg); break;
    case 21: ppm = optarg; break;
    case 22: rgb_b = optarg; break;
    case 23: rgb_w = optarg; break;
    case 24: rgb_g = optarg; break;
    case 25: rgb_o = optarg; break;
    case 26: rgb_r = optarg; break;
    case 27: fntsz = atoi_sat(optarg); break;
    case 28: pbmbin = optarg; break;
    case 29: sequent = 1; break;
    case 30: hold = 1; break;
    case 31: sty = optarg; break;
    default: break;
  }
}

}  // namespace

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

void getoptions(int argc, char** argv) {
  epsf.dir = "/tmp";
  epsf.size = 180;
  if (const char* dir = std::getenv("EPSFTMP")) epsf.dir = dir;
  if (const char* size = std::getenv("EPSFSIZE")) epsf.size = atoi_sat(size);
  for (int i = 1; i < kListSize; ++i) {
    figlist[i] = 0;
    dialist[i] = i;
  }
  for (int code; (code = getoption(argc, argv)) != -1;) {
    if (code == -2) fatal(1, "%s -help gives online help\n", program.c_str());
    apply(code);
  }
  if (epsf.size == 0) epsf.size = tex_figuresize(paper_size);
}

int getoption(int argc, char** argv) {
  if (optind >= argc) return -1;
  const char* arg = argv[optind];
  if (arg[0] != '-' || arg[1] == '\0') return -1;
  const char* text = arg + 1;
  for (const OptionRow* row = kOptions; row->name[0] != '\0'; ++row) {
    if (!is_prefix(text, row->name)) continue;
    const OptionRow* next = row + 1;
    if (next->name[0] != '\0' && is_prefix(text, next->name)) {
      std::fprintf(stderr, "%s: Option \"%s\" is ambiguous (-%s and -%s)\n", program.c_str(), text,
                   row->name, next->name);
      return -2;
    }
    ++optind;
    optarg = optind < argc ? argv[optind] : nullptr;
    if (row->arg == Arg::kNone) return row->code;
    if (optarg != nullptr && optarg[0] != '-') {
      ++optind;
      return row->code;
    }
    std::fprintf(stderr, "%s: Option \"%s\" needs an argument\n", program.c_str(), row->name);
    return -2;
  }
  std::fprintf(stderr, "%s: \"%s\": no such option\n", program.c_str(), text);
  return -2;
}

void usage(int status) {
  enum Live { kFixed, kDir, kSize };  // -tmp and -scale show the values in force
  struct Row {
    const char* option;
    const char* description;
    const char* fallback;
    Live live = kFixed;
  };
  static constexpr Row kRows[] = {
      {"[-from fmt_spec]", "Input Go game format", "sgf file"},
      {"", "[sgf,tavolin,sf]", ""},
      {"[-to dev_spec]", "Output format", "pstex"},
      {"", "[pstex,tex,ascii,graphic,sgf,sf,db,gif,html,null]", ""},
      {"[-paper paper_spec]", "Paper Size", "default"},
      {"", "[default,letter,a4wide,a4]", ""},
      {"[-tmp path]", "EPS directory", nullptr, kDir},
      {"[-scale size]", "Diagram size [72 = 1in]", nullptr, kSize},
      {"[-max moves]", "Limit moves per figure", "unlimited"},
      {"[-figures  list]", "Emit figures  in list", "automatic"},
      {"[-diagrams list]", "Emit diagrams in list", "all"},
      {"[-output file]", "Emit output to file", "stdout"},
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
  throw Exit(status, text);
}

void getlist(const char* text, int* list) {
  const bool diagrams = list == dialist;
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

const char* output_format_name(int code) {
  for (const ValueWord& w : kOutputFormats)
    if (w.code == code) return w.word;
  return "";
}

void cannot_write(const char* name) {
  fatal(1, "%s Can't write \"%s\"\n", program.c_str(), name);
}

int output_close(int status) {
  // A device that closed `fw` itself leaves it none; then stdout may be
  // closed as well and must not be touched.
  if (fw == nullptr) return status;
  const char* failed = nullptr;
  if (fw != stdout) {
    bool bad = std::ferror(fw) != 0;
    if (std::fclose(fw) != 0) bad = true;
    if (bad) failed = output_name != nullptr ? output_name : "";
    fw = stdout;
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    if (failed == nullptr) failed = "stdout";
    std::clearerr(stdout);
  }
  if (failed != nullptr) {
    std::fprintf(stderr, "%s Can't write \"%s\"\n", program.c_str(), failed);
    if (status == 0) status = 1;
  }
  output_name = nullptr;
  return status;
}

}  // namespace kg
