#pragma once
// The history of a volume's remembered scans: which of them are kept, what
// their files are called, and how they are found again.
//
// A volume keeps at most five scans, each filling one or more places: the
// newest; the newest at least one day older than it; the newest at least
// seven, thirty and 365 days older. Everything else is deleted when a scan
// is remembered. Each kept scan is a file of its own in the snapshot
// folder, named by the volume's serial number and the scan's time in UTC:
// "volume-00C0FFEE12345678-20261207T093005.twsnap". The single file of
// earlier versions, "volume-00C0FFEE12345678.twsnap", counts as one of the
// volume's scans (its time read from it) until the history lets it go.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tw {

// The places of the history, newest first, and how much older than the
// newest scan each place's scan must be at least.
enum HistoryPlace : std::uint8_t {
  kPlaceNewest = 0,
  kPlaceDay = 1,
  kPlaceWeek = 2,
  kPlaceMonth = 3,
  kPlaceYear = 4,
};
inline constexpr std::size_t kHistoryPlaceCount = 5;
inline constexpr std::int64_t kHistoryPlaceAge[kHistoryPlaceCount] = {0, 86400, 7 * 86400, 30 * 86400,
                                                                       365 * 86400};

// For each place, the index into `times` of the scan that fills it, or none.
// `newest` (an index into `times`) is the scan just remembered: it fills
// the first place whatever the other times, and each other place takes the
// latest of the times at least its age older than it (the lowest index
// among equal times). A time later than the newest fills no place.
using HistoryPlaces = std::array<std::optional<std::size_t>, kHistoryPlaceCount>;
HistoryPlaces PlaceScans(std::span<const std::int64_t> times, std::size_t newest);

// One remembered scan of a volume, as its file says.
struct KeptScan {
  std::string path;             // UTF-8
  std::int64_t scanned_at = 0;  // seconds since 1970, UTC
  std::uint64_t size = 0;       // bytes of the file
  friend bool operator==(const KeptScan&, const KeptScan&) = default;
};

// The file of a volume's scan: folder + separator +
// "volume-" + 16 upper-case hex digits of the serial + "-" + UtcStamp + ".twsnap".
std::string KeptScanPath(const std::string& folder, std::uint64_t serial, std::int64_t scanned_at);

// The volume's single snapshot of earlier versions: "volume-" + 16 hex
// digits + ".twsnap".
std::string SnapshotPathFor(const std::string& folder, std::uint64_t serial);

// The volume's remembered scans in `folder`, newest first (equal times in
// the order of their names): every file named as KeptScanPath names them,
// and the earlier single file, whose time is read from its header (left out
// when it cannot be read or holds another volume). Files of other volumes,
// temporaries and anything else stay out. A missing folder holds none.
std::vector<KeptScan> ListKeptScans(const std::string& folder, std::uint64_t serial);

// The bytes of every remembered scan in the folder, of every volume (the
// files that ForgetScans would delete, temporaries left out).
std::uint64_t RememberedBytes(const std::string& folder);

// True for the name of a remembered scan or of a save's leftover of one:
// "volume-" ... ".twsnap", or "volume-" ... ".twsnap." ...
bool IsRememberedScanName(std::string_view name);

}  // namespace tw
