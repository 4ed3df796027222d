#include "cli/options.h"

#include <cctype>
#include <cstdlib>
#include <limits>

#include "base/drive_letter.h"
#include "cli/treemap_picture.h"

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
    } else if (name == "--ncdu") {
      if (take_value() && value.empty()) parsed.error = "option --ncdu needs a file name, or - for stdout";
      o.ncdu = value;
    } else if (name == "--files") {
      flag(o.files);
    } else if (name == "--quiet" || name == "-q") {
      flag(o.quiet);
    } else if (name == "--timings") {
      flag(o.timings);
    } else if (name == "--read-all") {
      flag(o.read_all);
    } else if (name == "--save") {
      if (take_value() && value.empty()) parsed.error = "option --save needs a file name";
      o.save = value;
    } else if (name == "--compare") {
      flag(o.compare);
    } else if (name == "--treemap") {
      if (take_value() && value.empty()) parsed.error = "option --treemap needs a file name";
      o.treemap = value;
    } else if (name == "--treemap-size") {
      if (take_value()) {
        ParsePictureSize(value, o.treemap_width, o.treemap_height, parsed.error);
        o.treemap_size = true;
      }
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
  if (!o.ncdu.empty() && o.compare) {
    parsed.error = "option --ncdu cannot be used with --compare";
    return parsed;
  }
  if (!o.treemap.empty() && o.compare) {
    parsed.error = "option --treemap cannot be used with --compare";
    return parsed;
  }
  if (o.treemap_size && o.treemap.empty()) {
    parsed.error = "option --treemap-size needs --treemap";
    return parsed;
  }
  if (o.ncdu == "-" && o.json) {
    parsed.error = "options --ncdu - and --json both write to stdout";
    return parsed;
  }
  if (o.files && !o.json) {
    parsed.error = "option --files needs --json";
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
  return parsed;
}

std::string UsageText() {
  return "Usage: tarnwick-scan [options] SOURCE\n"
         "       tarnwick-scan --compare [options] OLD NEW\n"
         "Scans the Master File Table of an NTFS volume and prints the folder tree,\n"
         "the largest extensions and the largest files.\n"
         "\n"
         "SOURCE is an NTFS volume image, a whole-disk image with an MBR or GPT\n"
         "partition table (its first NTFS partition), or a block device; on Windows\n"
         "also a drive letter (C or C:). A scan saved with --save is read back\n"
         "instead of scanned, and every output works on it.\n"
         "\n"
         "Options:\n"
         "  --drive-letter L  letter for the root's name and every path\n"
         "                    (default: the drive letter given as SOURCE, else X)\n"
         "  --partition N     scan partition N (1-based) of a whole-disk image\n"
         "  --depth N         folder levels below the root in the report (default 2)\n"
         "  --json            one JSON document on stdout instead of the report\n"
         "  --top N           largest files in the JSON document (default 100)\n"
         "  --files           JSON: also every file of every folder\n"
         "  --ncdu FILE       also write the scan in ncdu's export format to FILE,\n"
         "                    for ncdu -f or gdu -f; FILE - writes it to stdout\n"
         "                    instead of the report\n"
         "  --threads N       threads for parsing (default: all hardware threads)\n"
         "  --timings         print the duration of each scan stage on stderr, and the\n"
         "                    MFT bytes read\n"
         "  --read-all        read every MFT record, also the ranges the MFT's $BITMAP\n"
         "                    marks free (the result is the same)\n"
         "  --save FILE       also save the finished scan to FILE\n"
         "  --treemap FILE    also draw the whole volume as a nested treemap into\n"
         "                    the PNG file FILE\n"
         "  --treemap-size WxH\n"
         "                    the picture's size in pixels (default 1600x1000,\n"
         "                    each side 64 to 16384)\n"
         "  --compare         compare two scans (saved or scanned now), OLD then NEW:\n"
         "                    the folders and files that grew, shrank, appeared or\n"
         "                    vanished, and the change per extension\n"
         "  -q, --quiet       no progress line on stderr\n"
         "  -h, --help        this text\n"
         "  --version         the program's version\n"
         "\n"
         "Exit status: 0 success, 1 the scan failed or the output could not be\n"
         "written, 2 usage error, or a SOURCE that is missing or is neither a file\n"
         "nor a block device.\n";
}

std::string VersionText() { return std::string("tarnwick-scan ") + kVersion + "\n"; }

std::string VersionNumber() { return kVersion; }

}  // namespace tw
