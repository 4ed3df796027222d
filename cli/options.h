#pragma once
// The command line of tarnwick-scan: what each option means and how it is read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tw {

// Exit statuses of tarnwick-scan.
inline constexpr int kExitOk = 0;
inline constexpr int kExitScanFailed = 1;
inline constexpr int kExitUsage = 2;

// The most parse threads --threads may ask for.
inline constexpr std::int32_t kMaxThreads = 1024;

struct CliOptions {
  std::string source;          // UTF-8, as given
  std::wstring drive_letter;   // one upper-case letter; empty = choose from SOURCE, else X
  std::int32_t depth = 2;      // folder levels below the root in the text report
  std::int32_t top = 100;      // largest files in the JSON document
  std::int32_t partition = 0;  // 1-based partition of a whole-disk image; 0 = first NTFS
  std::int32_t threads = 0;    // 0 = what the system reports; at most kMaxThreads
  bool json = false;
  std::string ncdu;  // UTF-8 path of the ncdu export; "-" = stdout instead of the report
  std::string csv;   // UTF-8 path of the CSV table of every folder and file
  bool files = false;  // JSON: every file of every folder as well
  bool quiet = false;  // no progress line
  bool timings = false;
  bool read_all = false;  // read every MFT record, the $BITMAP's free ranges too
  bool help = false;
  bool version = false;
  std::string save;         // UTF-8 path: the finished result is saved there as well
  // With --save, for tests and tools: the time the saved scan says it was
  // made (seconds since 1970, UTC) instead of the time it was.
  std::optional<std::int64_t> scan_time;
  bool compare = false;     // SOURCE is the newer of two; compare_old the older
  std::string compare_old;  // UTF-8, as given
  std::string treemap;      // UTF-8 path: the volume's treemap picture is written there as a PNG
  std::int32_t treemap_width = 1600;
  std::int32_t treemap_height = 1000;
  bool treemap_size = false;  // --treemap-size was given
  // --find QUERY: the matches of the query instead of the report.
  bool find = false;
  std::string find_query;  // UTF-8, as given; may be empty (it matches nothing)
  // For tests and tools, not in --help: read these records of SOURCE again
  // over the saved scan `reread_from` of it, instead of scanning it whole.
  std::vector<std::int64_t> reread;
  std::string reread_from;
};

struct ParsedCommandLine {
  CliOptions options;
  std::string error;  // one line without a trailing newline; empty when the line is valid
};

// Reads the arguments that follow the program name, through one table of
// the options that also makes their part of --help. Options may be written
// "--name value" or "--name=value"; "--" ends the options. --help and
// --version need no SOURCE; anything else needs exactly one.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// Reads a --treemap-size value, "WIDTHxHEIGHT" in pixels ("x" or "X"), each
// side kPictureMinSide..kPictureMaxSide. False with a one-line reason
// (no trailing newline) otherwise.
bool ParsePictureSize(const std::string& text, std::int32_t& width, std::int32_t& height, std::string& error);

// The text of --help, ending in a newline: the options as their table lists them.
std::string UsageText();

// The text of --version, ending in a newline.
std::string VersionText();
// The version number alone, "0.1.0".
std::string VersionNumber();

}  // namespace tw
