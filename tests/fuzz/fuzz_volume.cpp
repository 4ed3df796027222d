// A whole scan of an in-memory volume: boot sector, record 0, its run list,
// the window pass, the naming from extension records and tree building. A
// volume whose MFT cannot be found must fail with the MFT code; one that can
// must give a result whose invariants hold.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "engine/scan_driver.h"
#include "fuzz/fuzz_input.h"
#include "scan/memory_volume.h"
#include "support/result_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw;
  auto volume = std::make_unique<MemoryVolume>(std::vector<std::uint8_t>(data, data + size));
  ScanOptions options;
  options.threads = 1;
  ScanResult result;
  try {
    result = ScanOpenedVolume(std::move(volume), L"C", nullptr, options);
  } catch (const ScanFailure& error) {
    TW_FUZZ_CHECK(error.error() == ScanError::kCannotReadMft);
    return 0;
  }
  // TW_FUZZ_VERBOSE=1 shows what an input scans to (for checking seeds).
  if (std::getenv("TW_FUZZ_VERBOSE")) {
    std::fprintf(stderr, "files %d folders %d total %lld\n", result.file_count, result.folder_count,
                 static_cast<long long>(result.root_total_size));
    for (const DirNode& node : result.folders) {
      std::fprintf(stderr, "folder %lld parent %lld tree parent %lld direct %lld total %lld children %zu\n",
                   static_cast<long long>(node.id), static_cast<long long>(node.parent_id),
                   static_cast<long long>(node.tree_parent_id), static_cast<long long>(node.direct_size),
                   static_cast<long long>(node.total_size), result.Children(node).size());
    }
  }
  const std::string broken = test::CheckResultInvariants(result);
  if (!broken.empty()) std::fprintf(stderr, "%s\n", broken.c_str());
  TW_FUZZ_CHECK(broken.empty());
  return 0;
}
