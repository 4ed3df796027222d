#pragma once
// Writes a synthetic NTFS volume for scaling benchmarks and smoke tests: a
// boot sector, an MFT of any number of records laid out in two extents (record
// 0's run list describes both), the system records, and a believable tree of
// folders and files with names, extensions, DOS short names, lognormal sizes
// (resident data for the smallest, run lists for the rest), hard links, some
// free records and some files whose data lives in an extension record named
// by an attribute list), and record 0's $BITMAP marking the records in use.
// On request also large free ranges of the MFT, as a volume whose files were
// deleted leaves them (the records keep their old contents with the in-use
// flag cleared), and files compressed by the Windows Overlay Filter (the
// reparse tag 0x80000017, an unnamed $DATA that is sparse with nothing
// allocated, the compressed bytes in the named stream WofCompressedData, as
// the documented on-disk form has them). No file data is written: the image
// is a sparse file whose allocated part is the boot sector, the MFT and its
// bitmap.
//
// The summary says what a scan must find: every in-use base record with a
// name is a file or a folder, and every file is reachable from the root.

#include <cstdint>
#include <string>
#include <vector>

namespace tw::build {

struct SyntheticVolumeSpec {
  std::int64_t records = 1000000;  // MFT records, system records included (at least 64)
  std::uint64_t seed = 1;
  std::uint32_t record_size = 1024;
  std::uint32_t cluster_size = 4096;
  // free_zones ranges of free_zone_records records each, spread evenly over
  // the user records (0: none).
  std::int64_t free_zones = 0;
  std::int64_t free_zone_records = 0;
  // Every wof_every-th user file with data outside its record is
  // WOF-compressed (0: none).
  std::int64_t wof_every = 0;
  bool mft_bitmap = true;  // record 0 carries the MFT's $BITMAP
};

struct SyntheticExtent {
  std::int64_t offset = 0;  // bytes from the start of the volume
  std::int64_t length = 0;  // bytes
};

struct SyntheticVolumeSummary {
  std::int64_t records = 0;
  std::int32_t files = 0;            // file base records with a name (system files included)
  std::int32_t folders = 0;          // folders, the root not counted
  std::int64_t total_size = 0;       // sum of the files' logical sizes
  std::int32_t hard_links = 0;       // files with a second name in another folder
  std::int32_t attribute_lists = 0;  // files whose $DATA sits in an extension record
  std::int32_t free_records = 0;     // records not in use
  std::int32_t wof_files = 0;        // WOF-compressed files
  std::int64_t wof_alloc = 0;        // their WofCompressedData streams' allocated bytes
  std::int64_t volume_size = 0;      // bytes, as the boot sector declares
  std::vector<SyntheticExtent> mft_extents;
};

// Writes the volume to path (created or truncated). False with a message on an
// I/O error or an impossible spec.
bool WriteSyntheticVolume(const std::string& path, const SyntheticVolumeSpec& spec, SyntheticVolumeSummary& summary,
                          std::string& error);

}  // namespace tw::build
