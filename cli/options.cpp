#include "cli/options.h"

#include <cctype>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "base/drive_letter.h"
#include "format/utc_time.h"
#include "treemap/volume_picture.h"

namespace tw {
namespace {

constexpr char kVersion[] = "0.1.0";

// A whole non-negative decimal number that fits in 32 bits; false otherwise.
bool ParseCount(std::string_view text, std::int32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  std::int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > std::numeric_limits<std::int32_t>::max()) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

// A whole number within minimum..maximum into `field`; "" or the reason.
std::string Count(const std::string& name, const std::string& value, std::int32_t& field, std::int32_t minimum,
                  std::int32_t maximum = std::numeric_limits<std::int32_t>::max()) {
  std::int32_t v = 0;
  if (ParseCount(value, v) && v >= minimum && v <= maximum) {
    field = v;
    return {};
  }
  std::string range = minimum > 0 ? " of at least " + std::to_string(minimum) : std::string(" of 0 or more");
  if (maximum < std::numeric_limits<std::int32_t>::max()) {
    range = " from " + std::to_string(minimum) + " to " + std::to_string(maximum);
  }
  return "option " + name + " needs a whole number" + range + ", not '" + value + "'";
}

// A file name into `field`; "" or the reason, `missing`, when it is empty.
std::string FileName(const std::string& value, std::string& field, const char* missing) {
  field = value;
  return value.empty() ? missing : std::string();
}

// A flag: sets its field.
template <bool CliOptions::*Field>
std::string SetFlag(CliOptions& o, const std::string&, const std::string&) {
  o.*Field = true;
  return {};
}

// Record numbers separated by commas into `records`; "" or the reason.
std::string RecordList(const std::string& value, std::vector<std::int64_t>& records) {
  records.clear();
  std::string_view rest = value;
  while (true) {
    const std::size_t comma = rest.find(',');
    std::int32_t record = 0;
    if (!ParseCount(rest.substr(0, comma), record)) {
      return "option --reread needs record numbers separated by commas, not '" + value + "'";
    }
    records.push_back(record);
    if (comma == std::string_view::npos) return {};
    rest.remove_prefix(comma + 1);
  }
}

// One option: how --help shows it and what it does. `names` is the left
// column of --help ("-q, --quiet"): every name in it, separated by ", ",
// is accepted. `value` names the value an option takes (none for a flag),
// `help` is its text in --help, lines separated by newlines; an option for
// tests and tools has none and is left out of --help. `apply` sets
// the option and returns "" or the one-line reason it cannot.
struct OptionSpec {
  const char* names;
  const char* value;
  const char* help;
  std::string (*apply)(CliOptions& o, const std::string& name, const std::string& value);
};

const OptionSpec kOptions[] = {
    {"--drive-letter", "L",
     "letter for the root's name and every path\n(default: the drive letter given as SOURCE, else X)",
     [](CliOptions& o, const std::string&, const std::string& value) -> std::string {
       const wchar_t letter = DriveLetterOf(value);
       if (letter == 0) return "option --drive-letter needs one letter A-Z, not '" + value + "'";
       o.drive_letter.assign(1, letter);
       return {};
     }},
    {"--partition", "N", "scan partition N of a whole-disk image, counted from 1\nin the order mmls -a lists them",
     [](CliOptions& o, const std::string& name, const std::string& value) {
       return Count(name, value, o.partition, 1);
     }},
    {"--depth", "N", "folder levels below the root in the report (default 2)",
     [](CliOptions& o, const std::string& name, const std::string& value) { return Count(name, value, o.depth, 0); }},
    {"--json", nullptr, "one JSON document on stdout instead of the report", SetFlag<&CliOptions::json>},
    {"--top", "N", "largest files in the JSON document (default 100)",
     [](CliOptions& o, const std::string& name, const std::string& value) { return Count(name, value, o.top, 0); }},
    {"--files", nullptr, "JSON: also every file of every folder", SetFlag<&CliOptions::files>},
    {"--ncdu", "FILE",
     "also write the scan in ncdu's export format to FILE,\nfor ncdu -f or gdu -f; FILE - writes it to stdout\n"
     "instead of the report",
     [](CliOptions& o, const std::string&, const std::string& value) {
       return FileName(value, o.ncdu, "option --ncdu needs a file name, or - for stdout");
     }},
    {"--csv", "FILE", "also write every folder and file as a CSV table to FILE\n(UTF-8, for spreadsheet programs)",
     [](CliOptions& o, const std::string&, const std::string& value) {
       return FileName(value, o.csv, "option --csv needs a file name");
     }},
    {"--threads", "N", "threads for parsing, at most 1024 (default: all hardware\nthreads)",
     [](CliOptions& o, const std::string& name, const std::string& value) {
       return Count(name, value, o.threads, 0, kMaxThreads);
     }},
    {"--timings", nullptr, "print the duration of each scan stage and the MFT bytes\nread on stderr",
     SetFlag<&CliOptions::timings>},
    {"--save", "FILE", "also save the finished scan to FILE",
     [](CliOptions& o, const std::string&, const std::string& value) {
       return FileName(value, o.save, "option --save needs a file name");
     }},
    {"--scan-time", "TIME",
     "with --save: the time the saved scan says it was made,\nISO 8601 with its zone (2026-12-07T09:30:05Z); for\n"
     "tests and tools that need scans of given ages",
     [](CliOptions& o, const std::string&, const std::string& value) -> std::string {
       o.scan_time = ParseIsoTime(value);
       if (o.scan_time) return {};
       return "option --scan-time needs a time such as 2026-12-07T09:30:05Z (its zone included), not '" + value +
              "'";
     }},
    {"--treemap", "FILE", "also draw the whole volume as a nested treemap into\nthe PNG file FILE",
     [](CliOptions& o, const std::string&, const std::string& value) {
       return FileName(value, o.treemap, "option --treemap needs a file name");
     }},
    {"--treemap-size", "WxH", "the picture's size in pixels (default 1600x1000,\neach side 64 to 16384)",
     [](CliOptions& o, const std::string&, const std::string& value) {
       std::string error;
       ParsePictureSize(value, o.treemap_width, o.treemap_height, error);
       o.treemap_size = true;
       return error;
     }},
    {"--compare", nullptr,
     "compare two scans (saved or scanned now), OLD then NEW:\nthe folders and files that grew, shrank, appeared or\n"
     "vanished, and the change per extension",
     SetFlag<&CliOptions::compare>},
    {"--find", "QUERY",
     "print the files and folders QUERY matches, largest\nfirst (size, allocated, modified, path), then their\n"
     "count; with --json one document. QUERY is words:\nname patterns (* and ? match the whole name) and\n"
     "ext:iso,img size:>1G modified:<2025-01-01 type:file",
     [](CliOptions& o, const std::string&, const std::string& value) -> std::string {
       o.find = true;  // an empty QUERY is allowed: it matches nothing
       o.find_query = value;
       return {};
     }},
    {"-q, --quiet", nullptr, "no progress line on stderr", SetFlag<&CliOptions::quiet>},
    {"-h, --help", nullptr, "this text", SetFlag<&CliOptions::help>},
    {"--version", nullptr, "the program's version", SetFlag<&CliOptions::version>},
    {"--read-all", nullptr, nullptr, SetFlag<&CliOptions::read_all>},
    {"--reread", "RECORDS", nullptr,
     [](CliOptions& o, const std::string&, const std::string& value) { return RecordList(value, o.reread); }},
    {"--reread-from", "SCAN", nullptr,
     [](CliOptions& o, const std::string&, const std::string& value) {
       return FileName(value, o.reread_from, "option --reread-from needs a file name");
     }},
};

// The option a command-line word names; null for none.
const OptionSpec* FindOption(std::string_view name) {
  for (const OptionSpec& spec : kOptions) {
    std::string_view names = spec.names;
    while (!names.empty()) {
      const std::size_t comma = names.find(", ");
      if (names.substr(0, comma) == name) return &spec;
      names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 2);
    }
  }
  return nullptr;
}

// The options' part of --help: the left column two blanks in and 18 wide,
// the text after it; a left column too wide for that stands on a line of
// its own, and every further line of the text starts under the first.
std::string OptionsHelp() {
  constexpr std::size_t kColumn = 18;
  const std::string indent(2 + kColumn, ' ');
  std::string out;
  for (const OptionSpec& spec : kOptions) {
    if (spec.help == nullptr) continue;
    std::string left = spec.names;
    if (spec.value != nullptr) left += std::string(" ") + spec.value;
    out += "  " + left;
    if (left.size() + 2 > kColumn) {
      out += "\n" + indent;
    } else {
      out += std::string(kColumn - left.size(), ' ');
    }
    std::string_view help = spec.help;
    for (std::size_t newline; (newline = help.find('\n')) != std::string_view::npos; help.remove_prefix(newline + 1)) {
      out += std::string(help.substr(0, newline)) + "\n" + indent;
    }
    out += std::string(help) + "\n";
  }
  return out;
}

// What must hold between the options and the SOURCEs once all are read.
void CheckTogether(const std::vector<std::string>& positional, ParsedCommandLine& parsed) {
  CliOptions& o = parsed.options;
  if (o.help || o.version) return;
  if (!o.ncdu.empty() && o.compare) {
    parsed.error = "option --ncdu cannot be used with --compare";
  } else if (!o.csv.empty() && o.compare) {
    parsed.error = "option --csv cannot be used with --compare";
  } else if (!o.treemap.empty() && o.compare) {
    parsed.error = "option --treemap cannot be used with --compare";
  } else if (o.treemap_size && o.treemap.empty()) {
    parsed.error = "option --treemap-size needs --treemap";
  } else if (o.ncdu == "-" && o.json) {
    parsed.error = "options --ncdu - and --json both write to stdout";
  } else if (o.find && o.compare) {
    parsed.error = "option --find cannot be used with --compare";
  } else if (o.find && o.files) {
    parsed.error = "option --find cannot be used with --files";
  } else if (o.find && o.ncdu == "-") {
    parsed.error = "options --ncdu - and --find both write to stdout";
  } else if (o.files && !o.json) {
    parsed.error = "option --files needs --json";
  } else if (o.scan_time && o.save.empty()) {
    parsed.error = "option --scan-time needs --save";
  } else if (o.reread.empty() != o.reread_from.empty()) {
    parsed.error = "options --reread and --reread-from go together";
  } else if (!o.reread.empty() && o.compare) {
    parsed.error = "option --reread cannot be used with --compare";
  } else if (o.compare) {
    if (positional.size() != 2) {
      parsed.error = "option --compare needs OLD and NEW, got " + std::to_string(positional.size()) + " SOURCE";
    } else if (positional[0].empty() || positional[1].empty()) {
      parsed.error = "SOURCE is empty";
    } else if (!o.save.empty()) {
      parsed.error = "option --save cannot be used with --compare";
    } else {
      o.compare_old = positional[0];
      o.source = positional[1];
    }
  } else if (positional.empty()) {
    parsed.error = "no SOURCE given";
  } else if (positional.size() > 1) {
    parsed.error = "one SOURCE expected, got " + std::to_string(positional.size());
  } else if (positional[0].empty()) {
    parsed.error = "SOURCE is empty";
  } else {
    o.source = positional[0];
  }
}

// A whole decimal number within kPictureMinSide..kPictureMaxSide.
bool ParseSide(std::string_view digits, std::int32_t& side) {
  if (digits.size() > 5 || !ParseCount(digits, side)) return false;
  return side >= kPictureMinSide && side <= kPictureMaxSide;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  std::vector<std::string> positional;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    std::string name = arg;
    std::string value;
    bool has_inline_value = false;
    if (const std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      has_inline_value = true;
    }
    const OptionSpec* spec = FindOption(name);
    if (spec == nullptr) {
      parsed.error = "unknown option " + name;
    } else if (spec->value == nullptr && has_inline_value) {
      parsed.error = "option " + name + " takes no value";
    } else if (spec->value != nullptr && !has_inline_value && i + 1 >= args.size()) {
      parsed.error = "option " + name + " needs a value";
    } else {
      if (spec->value != nullptr && !has_inline_value) value = args[++i];
      parsed.error = spec->apply(parsed.options, name, value);
    }
  }
  if (parsed.error.empty()) CheckTogether(positional, parsed);
  return parsed;
}

bool ParsePictureSize(const std::string& text, std::int32_t& width, std::int32_t& height, std::string& error) {
  const std::size_t x = text.find_first_of("xX");
  std::int32_t w = 0, h = 0;
  if (x == std::string::npos || !ParseSide(std::string_view(text).substr(0, x), w) ||
      !ParseSide(std::string_view(text).substr(x + 1), h)) {
    error = "option --treemap-size needs WIDTHxHEIGHT, each side " + std::to_string(kPictureMinSide) + " to " +
            std::to_string(kPictureMaxSide) + " pixels, not '" + text + "'";
    return false;
  }
  width = w;
  height = h;
  return true;
}

std::string UsageText() {
  return "Usage: tarnwick-scan [options] SOURCE\n"
         "       tarnwick-scan --compare [options] OLD NEW\n"
         "       tarnwick-scan --find QUERY [options] SOURCE\n"
         "Scans the Master File Table of an NTFS volume and prints the folder tree,\n"
         "the largest extensions and the largest files.\n"
         "\n"
         "SOURCE is an NTFS volume image, a whole-disk image with an MBR or GPT\n"
         "partition table (its first NTFS partition), or a block device; on Windows\n"
         "also a drive letter (C or C:). A scan saved with --save is read back\n"
         "instead of scanned, and every output works on it.\n"
         "\n"
         "Options:\n" +
         OptionsHelp() +
         "\n"
         "Exit status: 0 success, 1 the scan failed or the output could not be\n"
         "written, 2 usage error, a bad --find QUERY, or a SOURCE that is missing\n"
         "or is neither a file nor a block device.\n";
}

std::string VersionText() { return std::string("tarnwick-scan ") + kVersion + "\n"; }

std::string VersionNumber() { return kVersion; }

}  // namespace tw
