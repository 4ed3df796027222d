// The kept scans of a volume: the places they fill, their file names, and
// finding them in the snapshot folder.
#include "store/scan_history.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "format/utc_time.h"
#include "model/scan_result.h"
#include "store/snapshot.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "volume-";
constexpr std::string_view kSuffix = ".twsnap";
constexpr std::size_t kHexDigits = 16;
constexpr std::size_t kStampSize = 15;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string HexOf(std::uint64_t serial) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex(kHexDigits, '0');
  for (std::size_t i = 0; i < kHexDigits; ++i) hex[i] = kHex[(serial >> (60 - 4 * i)) & 0xF];
  return hex;
}

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder + static_cast<char>(fs::path::preferred_separator) + name;
}

// What a file name in the folder says of a volume's scan.
enum class NameKind { kOther, kKept, kSingle };

NameKind KindOf(std::string_view name, std::string_view hex, std::int64_t& scanned_at) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return NameKind::kOther;
  name.remove_prefix(kPrefix.size());
  name.remove_suffix(kSuffix.size());
  if (!name.starts_with(hex)) return NameKind::kOther;
  name.remove_prefix(hex.size());
  if (name.empty()) return NameKind::kSingle;
  if (name.size() != 1 + kStampSize || name[0] != '-') return NameKind::kOther;
  const std::optional<std::int64_t> stamp = ParseUtcStamp(name.substr(1));
  if (!stamp) return NameKind::kOther;
  scanned_at = *stamp;
  return NameKind::kKept;
}

bool IsRegular(const fs::directory_entry& entry) {
  std::error_code ignored;
  return entry.is_regular_file(ignored) && !entry.is_symlink(ignored);
}

}  // namespace

HistoryPlaces PlaceScans(std::span<const std::int64_t> times, std::size_t newest) {
  HistoryPlaces places;
  if (newest >= times.size()) return places;
  places[kPlaceNewest] = newest;
  const std::int64_t now = times[newest];
  for (std::size_t place = 1; place < kHistoryPlaceCount; ++place) {
    for (std::size_t i = 0; i < times.size(); ++i) {
      // At least the place's age older, without overflow on any pair of times.
      if (i == newest || times[i] > now || static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(times[i]) <
                                                static_cast<std::uint64_t>(kHistoryPlaceAge[place])) {
        continue;
      }
      if (!places[place] || times[i] > times[*places[place]]) places[place] = i;
    }
  }
  return places;
}

std::string KeptScanPath(const std::string& folder, std::uint64_t serial, std::int64_t scanned_at) {
  return InFolder(folder, std::string(kPrefix) + HexOf(serial) + "-" + UtcStamp(scanned_at) + std::string(kSuffix));
}

std::string SnapshotPathFor(const std::string& folder, std::uint64_t serial) {
  return InFolder(folder, std::string(kPrefix) + HexOf(serial) + std::string(kSuffix));
}

std::vector<KeptScan> ListKeptScans(const std::string& folder, std::uint64_t serial) {
  std::vector<KeptScan> kept;
  if (folder.empty()) return kept;
  const std::string hex = HexOf(serial);
  std::error_code failure;
  for (fs::directory_iterator it(PathOf(folder), failure), end; !failure && it != end; it.increment(failure)) {
    if (!IsRegular(*it)) continue;
    const std::string name = Utf8Of(it->path().filename());
    std::int64_t scanned_at = 0;
    const NameKind kind = KindOf(name, hex, scanned_at);
    if (kind == NameKind::kOther) continue;
    KeptScan scan;
    scan.path = Utf8Of(it->path());
    std::error_code ignored;
    scan.size = it->file_size(ignored);
    if (ignored) scan.size = 0;
    if (kind == NameKind::kSingle) {
      ScanResult meta;
      SnapshotError error;
      if (!LoadSnapshotMeta(scan.path, meta, error) || meta.volume_serial != serial) continue;
      scanned_at = meta.scanned_at;
    }
    scan.scanned_at = scanned_at;
    kept.push_back(std::move(scan));
  }
  std::sort(kept.begin(), kept.end(), [](const KeptScan& a, const KeptScan& b) {
    return a.scanned_at != b.scanned_at ? a.scanned_at > b.scanned_at : a.path < b.path;
  });
  return kept;
}

std::uint64_t RememberedBytes(const std::string& folder) {
  std::uint64_t total = 0;
  if (folder.empty()) return total;
  std::error_code failure;
  for (fs::directory_iterator it(PathOf(folder), failure), end; !failure && it != end; it.increment(failure)) {
    const std::string name = Utf8Of(it->path().filename());
    if (!IsRegular(*it) || !name.starts_with(kPrefix) || !name.ends_with(kSuffix)) continue;
    std::error_code ignored;
    const std::uint64_t size = it->file_size(ignored);
    if (!ignored) total += size;
  }
  return total;
}

bool IsRememberedScanName(std::string_view name) {
  if (!name.starts_with(kPrefix)) return false;
  if (name.ends_with(kSuffix)) return true;
  const std::size_t at = name.find(std::string(kSuffix) + '.', kPrefix.size());
  return at != std::string_view::npos;
}

}  // namespace tw
