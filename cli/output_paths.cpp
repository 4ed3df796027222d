#include "cli/output_paths.h"

#include <filesystem>
#include <system_error>

namespace tw {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// As many links as the system follows before it gives up.
constexpr int kMaxLinks = 40;

// What stands where an output would be written.
struct Destination {
  fs::path path;                                  // after any symbolic links
  fs::file_type type = fs::file_type::not_found;  // of that file
};

// Follows the path through symbolic links, also those that lead nowhere yet
// (the output then makes their target).
Destination Resolve(const std::string& utf8) {
  Destination d{PathOf(utf8)};
  std::error_code ec;
  for (int links = 0; links < kMaxLinks; ++links) {
    if (fs::symlink_status(d.path, ec).type() != fs::file_type::symlink) break;
    const fs::path target = fs::read_symlink(d.path, ec);
    if (ec) break;
    d.path = target.is_absolute() ? target : d.path.parent_path() / target;
  }
  d.type = fs::status(d.path, ec).type();
  if (ec && d.type != fs::file_type::not_found) d.type = fs::file_type::unknown;
  return d;
}

// What a file that is not regular is, for the refusal.
const char* KindOf(fs::file_type type) {
  switch (type) {
    case fs::file_type::directory:
      return "a folder";
    case fs::file_type::fifo:
      return "a FIFO";
    case fs::file_type::socket:
      return "a socket";
    case fs::file_type::character:
      return "a character device";
    case fs::file_type::block:
      return "a block device";
    default:
      return "not a regular file";
  }
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

// The folder a missing file would be made in.
fs::path FolderOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

// Whether two outputs end in the same file: the same existing file, or the
// same name in the same folder when neither exists yet.
bool SameDestination(const Destination& a, const Destination& b) {
  const bool a_exists = a.type != fs::file_type::not_found;
  const bool b_exists = b.type != fs::file_type::not_found;
  if (a_exists || b_exists) return a_exists && b_exists && SameFile(a.path, b.path);
  return a.path.filename() == b.path.filename() && SameFile(FolderOf(a.path), FolderOf(b.path));
}

}  // namespace

std::string CheckOutputs(const std::vector<PlannedOutput>& outputs, const std::vector<std::string>& sources) {
  std::vector<Destination> destinations;
  for (const PlannedOutput& output : outputs) {
    const Destination d = Resolve(output.path);
    if (d.type != fs::file_type::not_found && d.type != fs::file_type::regular) {
      return output.what + " cannot go to " + output.path + ": it is " + KindOf(d.type);
    }
    for (const std::string& source : sources) {
      if (d.type == fs::file_type::regular && SameFile(d.path, PathOf(source))) {
        return output.what + " would overwrite SOURCE";
      }
    }
    for (std::size_t k = 0; k < destinations.size(); ++k) {
      if (SameDestination(destinations[k], d)) {
        return outputs[k].what + " and " + output.what + " would be written to the same file";
      }
    }
    destinations.push_back(d);
  }
  return {};
}

}  // namespace tw
