#pragma once
// sleuthkit's fls as an independent reader of an NTFS image: runs
// `fls -r -p -u -l [-o SECTOR] IMAGE` and parses every line.
//
// A line of the long format is
//   TYPE INODE:<tab>PATH<tab>MTIME<tab>ATIME<tab>CTIME<tab>CRTIME<tab>SIZE<tab>UID<tab>GID
// where TYPE is "r/r" (file), "d/d" (folder), "V/V" (fls's virtual entries
// such as $OrphanFiles) and INODE is "RECORD-ATTRTYPE-ATTRID" ("RECORD" alone
// for virtual entries). A named stream appears as its own line "PATH:STREAM"
// with the attribute of that stream; every hard link appears as its own line
// with the same record number.

#include <cstdint>
#include <string>
#include <vector>

namespace tw::test {

struct FlsEntry {
  char type = '?';                  // 'r', 'd', 'V', ... (the part after the slash)
  std::int64_t record = -1;         // MFT record number
  std::int32_t attribute_type = 0;  // 128 for $DATA, 144 for $INDEX_ROOT; 0 when absent
  std::int32_t attribute_id = 0;
  std::string path;    // relative to the root, '/'-separated, UTF-8
  std::string stream;  // the named stream after ':', empty for the main entry
  std::int64_t size = 0;
};

// Runs fls over the image (sector_offset: the partition start in sectors, 0
// for a bare volume). False when fls cannot be run or exits with an error.
bool ReadFlsListing(const std::string& image, std::int64_t sector_offset, std::vector<FlsEntry>& entries);

// Parses one line of the long format; false for lines it does not recognise.
bool ParseFlsLine(const std::string& line, FlsEntry& entry);

}  // namespace tw::test
