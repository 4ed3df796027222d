#include "cli/options.h"

#include <cctype>
#include <cstdlib>
#include <limits>

#include "base/drive_letter.h"

namespace tw {
namespace {

constexpr char kVersion[] = "0.1.0";

// A whole non-negative decimal number that fits in 32 bits; false otherwise.
bool ParseCount(const std::string& text, std::int32_t& value) {
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

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  CliOptions& o = parsed.options;
  std::vector<std::string> positional;
  bool options_ended = false;

  for (std::size_t i = 0; i < args.size(); ++i) {
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

    auto flag = [&](bool& field) {
      if (has_inline_value) {
        parsed.error = "option " + name + " takes no value";
        return;
      }
      field = true;
    };
    // Takes the option's value from "=value" or from the next argument.
    auto take_value = [&]() -> bool {
      if (has_inline_value) return true;
      if (i + 1 >= args.size()) {
        parsed.error = "option " + name + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    auto count = [&](std::int32_t& field, std::int32_t minimum) {
      if (!take_value()) return;
      std::int32_t v = 0;
      if (!ParseCount(value, v) || v < minimum) {
        parsed.error = "option " + name + " needs a whole number" +
                       (minimum > 0 ? " of at least " + std::to_string(minimum) : std::string(" of 0 or more")) +
                       ", not '" + value + "'";
        return;
      }
      field = v;
    };

    if (name == "--help" || name == "-h") {
      flag(o.help);
    } else if (name == "--version") {
      flag(o.version);
    } else if (name == "--json") {
      flag(o.json);
    } else if (name == "--files") {
      flag(o.files);
    } else if (name == "--quiet" || name == "-q") {
      flag(o.quiet);
    } else if (name == "--timings") {
      flag(o.timings);
    } else if (name == "--depth") {
      count(o.depth, 0);
    } else if (name == "--top") {
      count(o.top, 0);
    } else if (name == "--partition") {
      count(o.partition, 1);
    } else if (name == "--threads") {
      count(o.threads, 0);
    } else if (name == "--drive-letter") {
      if (take_value()) {
        const wchar_t letter = DriveLetterOf(value);
        if (letter != 0) o.drive_letter.assign(1, letter);
        if (letter == 0) parsed.error = "option --drive-letter needs one letter A-Z, not '" + value + "'";
      }
    } else {
      parsed.error = "unknown option " + name;
    }
    if (!parsed.error.empty()) return parsed;
  }

  if (o.help || o.version) return parsed;
  if (o.files && !o.json) {
    parsed.error = "option --files needs --json";
  } else if (positional.empty()) {
    parsed.error = "no SOURCE given";
  } else if (positional.size() > 1) {
    parsed.error = "one SOURCE expected, got " + std::to_string(positional.size());
  } else if (positional[0].empty()) {
    parsed.error = "SOURCE is empty";
  } else {
    o.source = positional[0];
  }
  return parsed;
}

std::string UsageText() {
  return "Usage: tarnwick-scan [options] SOURCE\n"
         "Scans the Master File Table of an NTFS volume and prints the folder tree,\n"
         "the largest extensions and the largest files.\n"
         "\n"
         "SOURCE is an NTFS volume image, a whole-disk image with an MBR or GPT\n"
         "partition table (its first NTFS partition), or a block device; on Windows\n"
         "also a drive letter (C or C:).\n"
         "\n"
         "Options:\n"
         "  --drive-letter L  letter for the root's name and every path\n"
         "                    (default: the drive letter given as SOURCE, else X)\n"
         "  --partition N     scan partition N (1-based) of a whole-disk image\n"
         "  --depth N         folder levels below the root in the report (default 2)\n"
         "  --json            one JSON document on stdout instead of the report\n"
         "  --top N           largest files in the JSON document (default 100)\n"
         "  --files           JSON: also every file of every folder\n"
         "  --threads N       threads for parsing (default: all hardware threads)\n"
         "  --timings         print the duration of each scan stage on stderr\n"
         "  -q, --quiet       no progress line on stderr\n"
         "  -h, --help        this text\n"
         "  --version         the program's version\n"
         "\n"
         "Exit status: 0 success, 1 the scan failed, 2 usage error or missing SOURCE.\n";
}

std::string VersionText() { return std::string("tarnwick-scan ") + kVersion + "\n"; }

}  // namespace tw
