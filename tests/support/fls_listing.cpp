#include "support/fls_listing.h"

#include <cstdio>
#include <cstdlib>

namespace tw::test {
namespace {

bool ToInt(const std::string& text, std::int64_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return end && *end == '\0';
}

}  // namespace

bool ParseFlsLine(const std::string& line, FlsEntry& entry) {
  entry = FlsEntry{};
  // "TYPE INODE:\t..." ; a deleted name carries "* " before the inode.
  const std::size_t space = line.find(' ');
  const std::size_t colon_tab = line.find(":\t");
  if (space == std::string::npos || colon_tab == std::string::npos || space > colon_tab) return false;
  const std::string type = line.substr(0, space);
  if (type.size() != 3 || type[1] != '/') return false;
  entry.type = type[2];
  std::string inode = line.substr(space + 1, colon_tab - space - 1);
  if (!inode.empty() && inode[0] == '*') return false;
  // RECORD[-ATTRTYPE-ATTRID]
  const std::size_t dash = inode.find('-');
  std::int64_t value = 0;
  if (!ToInt(inode.substr(0, dash), entry.record)) return false;
  if (dash != std::string::npos) {
    const std::size_t dash2 = inode.find('-', dash + 1);
    if (dash2 == std::string::npos) return false;
    if (!ToInt(inode.substr(dash + 1, dash2 - dash - 1), value)) return false;
    entry.attribute_type = static_cast<std::int32_t>(value);
    if (!ToInt(inode.substr(dash2 + 1), value)) return false;
    entry.attribute_id = static_cast<std::int32_t>(value);
  }
  // The last eight tab-separated fields are times, size, uid, gid; what is
  // left is the path (which could itself hold a tab).
  std::string rest = line.substr(colon_tab + 2);
  std::vector<std::string> tail;
  for (int i = 0; i < 7; ++i) {
    const std::size_t tab = rest.rfind('\t');
    if (tab == std::string::npos) return false;
    tail.push_back(rest.substr(tab + 1));
    rest.erase(tab);
  }
  // tail holds gid, uid, size, crtime, ctime, atime, mtime (last field first).
  if (!ToInt(tail[2], entry.size)) return false;
  entry.path = rest;
  // A named $DATA stream: "PATH:STREAM" with the stream in the last component.
  if (entry.attribute_type == 128) {
    const std::size_t slash = entry.path.rfind('/');
    const std::size_t colon = entry.path.find(':', slash == std::string::npos ? 0 : slash + 1);
    if (colon != std::string::npos) {
      entry.stream = entry.path.substr(colon + 1);
      entry.path.erase(colon);
    }
  }
  return true;
}

bool ReadFlsListing(const std::string& image, std::int64_t sector_offset, std::vector<FlsEntry>& entries) {
  entries.clear();
  std::string quoted = "'";
  for (char c : image) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  std::string command = "fls -r -p -u -l";
  if (sector_offset > 0) command += " -o " + std::to_string(sector_offset);
  command += " " + quoted + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return false;
  std::string line;
  char buffer[4096];
  bool ok = true;
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    line += buffer;
    if (line.empty() || line.back() != '\n') continue;  // a line longer than the buffer
    line.pop_back();
    FlsEntry entry;
    if (ParseFlsLine(line, entry)) {
      entries.push_back(std::move(entry));
    } else if (!line.empty()) {
      ok = false;  // a line of a format this reader does not know
    }
    line.clear();
  }
  return ::pclose(pipe) == 0 && ok && !entries.empty();
}

}  // namespace tw::test
