#pragma once
// A finished scan written to a file in one of the formats the program
// offers: the saved scan (.twsnap), the --json --files document, the ncdu
// export, the CSV table and the volume picture (PNG). Every format is
// written as a saved scan is: into a temporary file beside the target,
// flushed to the disk and renamed over it, so that an interrupted export
// never leaves half a file under the name, and only a regular file is ever
// replaced (store/replace_file.h).

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

#include "export/ncdu_export.h"
#include "model/scan_result.h"

namespace tw {

enum class ExportFormat {
  kSnapshot,  // the saved scan, read back by tarnwick-scan and the window
  kJson,      // the --json --files document
  kNcdu,      // ncdu's export format
  kCsv,       // the CSV table (export/csv_export.h)
  kPicture,   // the volume picture, a PNG
};

struct ExportRequest {
  ExportFormat format = ExportFormat::kSnapshot;
  std::int32_t picture_width = 1600;  // kPicture: the picture's size in pixels
  std::int32_t picture_height = 1000;
  NcduExportOptions ncdu;  // kNcdu: the program's name, version and the time
};

// The first bytes every file of the format begins with: a temporary file
// of an export cut short is recognised by them and taken over by the next
// export to the same target. Empty for the saved scan, whose magic every
// save recognises.
std::span<const std::uint8_t> ExportHead(ExportFormat format);

// Draws the volume picture of `result` at width x height pixels, with the
// labels when the build has picture text, and writes it to `out` as a PNG.
// False with the reason when it could not be written; throws
// std::bad_alloc when the picture does not fit in memory.
bool WriteVolumePng(const ScanResult& result, std::int32_t width, std::int32_t height, std::ostream& out,
                    std::string& reason);

// Writes `result` to `path` (UTF-8) in the requested format through a
// temporary file renamed over it. False with the reason (the system's
// words, or what could not be made) in `error`; the temporary file is then
// gone and whatever stood at `path` is as it was.
bool SaveExport(const std::string& path, const ScanResult& result, const ExportRequest& request, std::string& error);

}  // namespace tw
