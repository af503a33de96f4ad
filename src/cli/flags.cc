#include "cli/flags.h"

#include <getopt.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace pdfindex {

namespace {

constexpr const char kUsage[] =
    "usage: pdfindex [OPTION]... [DIR]\n"
    "\n"
    "Writes HtmlData.htm, an index of the article PDFs in the archive DIR (by\n"
    "default the current folder): publisher folders, in them issue folders, in\n"
    "each the issue's saved contents pages (*.htm, *.html) and its PDFs.\n"
    "\n"
    "options:\n"
    "  --report         after the run, summarise on standard error what was and\n"
    "                   was not described (counts, per publisher format, and the\n"
    "                   paths of PDFs whose entry no contents page held)\n"
    "  --progress       keep a line on standard error up to date while the run\n"
    "                   goes on (only when standard error is a terminal)\n"
    "  --quiet          write no notices on standard error (such as the one for an\n"
    "                   archive without issue folders); --report, --progress and\n"
    "                   failures are still written\n"
    "  --index FILE     write the index to FILE instead of DIR/HtmlData.htm, its\n"
    "                   links leading from FILE's folder\n"
    "  --no-index       write no index (for a read-only archive, with the outputs\n"
    "                   below)\n"
    "  --json FILE      also write the whole catalogue as JSON to FILE\n"
    "  --bibtex FILE    also write the catalogue as BibTeX to FILE\n"
    "  --csl-json FILE  also write the catalogue as CSL-JSON to FILE\n"
    "  --ris FILE       also write the catalogue as RIS to FILE\n"
    "  --html FILE      also write a searchable HTML5 page of the catalogue to FILE\n"
    "                   (for --index and these five, FILE - is standard output)\n"
    "  --metadata       also read the saved pages' meta tags and the PDFs' own\n"
    "                   metadata into the records (never into HtmlData.htm); what\n"
    "                   was read is kept in .pdfindex-cache in the archive root\n"
    "  --all-pdfs       the outputs but the index also take the PDFs outside issue\n"
    "                   folders (in DIR, in a publisher folder, below an issue\n"
    "                   folder), grouped by their folder, described by --metadata\n"
    "  -j N             index N issue folders at once, and with --metadata read N\n"
    "                   PDFs at once (default: processors); the output is the same\n"
    "  -h, --help       print this help and exit\n"
    "  -V, --version    print the version and exit\n"
    "  --               end of options: what follows is DIR\n"
    "\n"
    "Long options may be shortened to any unique beginning (--vers) and take\n"
    "their FILE as --json=FILE too.\n"
    "\n"
    "exit status: 0 done, 1 input/output failure (report on stdout), 2 bad usage,\n"
    "128+N ended by signal N (nothing of the run is left behind)\n";

// Keys of the options that are not outputs; an output's key is kFirstOutput
// plus its row in the output table.
enum Key : int {
  kHelp = 'h',
  kVersion = 'V',
  kJobs = 'j',
  kReport = 256,
  kProgress,
  kQuiet,
  kMetadata,
  kIndex,
  kNoIndex,
  kAllPdfs,
  kFirstOutput = 512,
};

struct Flag {
  const char* name;  // "--report"
  int argument;      // no_argument or required_argument
  int key;
};

constexpr std::array<Flag, 9> kFlags = {{
    {"--report", no_argument, kReport},
    {"--progress", no_argument, kProgress},
    {"--quiet", no_argument, kQuiet},
    {"--metadata", no_argument, kMetadata},
    {"--index", required_argument, kIndex},
    {"--no-index", no_argument, kNoIndex},
    {"--all-pdfs", no_argument, kAllPdfs},
    {"--help", no_argument, kHelp},
    {"--version", no_argument, kVersion},
}};

// The short options: ":" first, so that a missing argument is told apart.
constexpr const char kShort[] = ":hVj:";

// The option `key` stands for, as written in full ("--json", "-j").
std::string NameOf(int key) {
  if (key == kJobs) return "-j";
  for (const Flag& flag : kFlags) {
    if (flag.key == key) return flag.name;
  }
  const auto outputs = OutputTable();
  if (key >= kFirstOutput && static_cast<size_t>(key - kFirstOutput) < outputs.size()) {
    return std::string(outputs[static_cast<size_t>(key - kFirstOutput)].flag);
  }
  return std::string(1, static_cast<char>(key));
}

std::vector<option> LongOptions() {
  const auto outputs = OutputTable();
  std::vector<option> all;
  all.reserve(std::size(kFlags) + outputs.size() + 1);
  for (const Flag& flag : kFlags) all.push_back({flag.name + 2, flag.argument, nullptr, flag.key});
  for (size_t n = 0; n < outputs.size(); ++n) {
    all.push_back({outputs[n].flag.data() + 2, required_argument, nullptr,
                   kFirstOutput + static_cast<int>(n)});
  }
  all.push_back({nullptr, 0, nullptr, 0});
  return all;
}

// Why getopt refused `arg` (an option it did not know, or one that takes no
// argument given one), `key` being the option's key where it knew it.
std::string Refused(std::string_view arg, int key, const std::vector<option>& options) {
  if (!arg.starts_with("--")) return "unknown option '-" + std::string(1, static_cast<char>(key)) + "'";
  const std::string_view name = arg.substr(0, arg.find('='));
  if (key != 0 && name.size() < arg.size()) {
    return "option '" + NameOf(key) + "' takes no argument";
  }
  int matches = 0;
  for (const option& o : options) {
    if (o.name != nullptr && std::string_view(o.name).starts_with(name.substr(2))) ++matches;
  }
  if (matches > 1) return "option '" + std::string(name) + "' is ambiguous";
  return "unknown option '" + std::string(arg) + "'";
}

ParsedFlags Failed(std::string error) {
  ParsedFlags parsed;
  parsed.action = ParsedFlags::kUsageError;
  parsed.error = std::move(error);
  return parsed;
}

}  // namespace

const char* UsageText() { return kUsage; }

ParsedFlags ParseFlags(int argc, char** argv) {
  const std::vector<option> options = LongOptions();
  ParsedFlags parsed;
  Options& o = parsed.options;
  opterr = 0;
  optind = 0;  // from the start, also when called again
  for (;;) {
    const int at = optind == 0 ? 1 : optind;
    const int key = ::getopt_long(argc, argv, kShort, options.data(), nullptr);
    if (key == -1) break;
    switch (key) {
      case kHelp:
      case kVersion:
        // Nothing may follow: "--help x" is a mistake, not a help.
        if (optind < argc) {
          return Failed("unexpected argument '" + std::string(argv[optind]) + "' after " +
                        argv[optind - 1]);
        }
        parsed.action = key == kHelp ? ParsedFlags::kHelp : ParsedFlags::kVersion;
        return parsed;
      case kReport:
        o.report = true;
        break;
      case kProgress:
        o.progress = true;
        break;
      case kQuiet:
        o.quiet = true;
        break;
      case kMetadata:
        o.metadata = true;
        break;
      case kIndex:
        o.index_file = optarg;
        break;
      case kNoIndex:
        o.no_index = true;
        break;
      case kAllPdfs:
        o.all_pdfs = true;
        break;
      case kJobs: {
        char* end = nullptr;
        const long n = std::strtol(optarg, &end, 10);
        if (*optarg == '\0' || *end != '\0' || n < 1 || n > 256) {
          return Failed("-j needs a number of workers from 1 to 256");
        }
        o.jobs = static_cast<int>(n);
        break;
      }
      case ':':
        if (optopt == kJobs) return Failed("-j needs a number of workers from 1 to 256");
        if (NameOf(optopt) == "--html") return Failed("--html needs a FILE");
        return Failed("option '" + NameOf(optopt) + "' needs a FILE");
      case '?':
        // A refused long option has been passed; a refused short one may
        // still be in the middle of its word.
        return Failed(Refused(argv[optind > at ? optind - 1 : optind], optopt, options));
      default:
        o.outputs.push_back({&OutputTable()[static_cast<size_t>(key - kFirstOutput)], optarg});
        break;
    }
  }
  if (o.index_file && o.no_index) return Failed("--index and --no-index exclude each other");
  if (argc - optind > 1) return Failed("more than one archive folder given");
  if (optind < argc) o.dir = argv[optind];
  return parsed;
}

}  // namespace pdfindex
