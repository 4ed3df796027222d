#include "export/export_file.h"

#include <algorithm>
#include <memory>
#include <new>
#include <ostream>
#include <streambuf>
#include <vector>

#include "export/csv_export.h"
#include "export/result_json.h"
#include "store/replace_file.h"
#include "store/snapshot.h"
#include "treemap/picture_text.h"
#include "treemap/png_writer.h"
#include "treemap/volume_picture.h"

namespace tw {
namespace {

// The pixel height of the picture's labels.
constexpr std::int32_t kLabelPixels = 13;

// A stream buffer that hands what it gathers to a save's sink in pieces.
class SinkBuffer final : public std::streambuf {
 public:
  explicit SinkBuffer(const ByteSink& sink) : sink_(sink), buffer_(1 << 18) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
  }
  bool failed() const { return failed_; }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  bool Drain() {
    const auto count = static_cast<std::size_t>(pptr() - pbase());
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (failed_) return false;
    if (count > 0 && !sink_(std::span(reinterpret_cast<const std::uint8_t*>(buffer_.data()), count))) failed_ = true;
    return !failed_;
  }

  const ByteSink& sink_;
  std::vector<char> buffer_;
  bool failed_ = false;
};

// Writes through a stream into the sink: false when the sink failed (its
// reason is the save's) or the writer gave one.
template <typename Writer>
bool Stream(const ByteSink& sink, std::string& error, Writer write) {
  SinkBuffer buffer(sink);
  std::ostream out(&buffer);
  if (!write(out, error)) return false;
  out.flush();
  return !buffer.failed() && static_cast<bool>(out);
}

constexpr std::uint8_t kJsonHead[] = {'{', '\n', ' ', ' ', '"', 'd', 'r', 'i'};
constexpr std::uint8_t kNcduHead[] = {'[', '1', ',', '2', ',', '\n', '{', '"'};
// The byte-order mark, then "路" of the header's first column.
constexpr std::uint8_t kCsvHead[] = {0xEF, 0xBB, 0xBF, 0xE8, 0xB7, 0xAF, 0xE5, 0xBE};
constexpr std::uint8_t kPngHead[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

std::span<const std::uint8_t> ExportHead(ExportFormat format) {
  switch (format) {
    case ExportFormat::kJson:
      return kJsonHead;
    case ExportFormat::kNcdu:
      return kNcduHead;
    case ExportFormat::kCsv:
      return kCsvHead;
    case ExportFormat::kPicture:
      return kPngHead;
    default:
      return {};  // a leftover beginning with the snapshot magic is always recognised
  }
}

bool WriteVolumePng(const ScanResult& result, std::int32_t width, std::int32_t height, std::ostream& out,
                    std::string& reason) {
  const std::unique_ptr<PictureFont> font = OpenPictureFont(kLabelPixels);
  const RgbImage image = RenderVolumePicture(result, VolumePictureOptions{width, height, font.get()});
  return WritePng(image, out, reason);
}

bool SaveExport(const std::string& path, const ScanResult& result, const ExportRequest& request, std::string& error) {
  FileContent content;
  switch (request.format) {
    case ExportFormat::kSnapshot:
      content = [&result](const ByteSink& sink, std::string&) { return sink(EncodeSnapshot(result)); };
      break;
    case ExportFormat::kJson:
      content = [&result](const ByteSink& sink, std::string& reason) {
        return Stream(sink, reason, [&result](std::ostream& out, std::string&) {
          WriteResultJson(result, JsonReportOptions{100, true}, out);
          return true;
        });
      };
      break;
    case ExportFormat::kNcdu:
      content = [&result, &request](const ByteSink& sink, std::string& reason) {
        return Stream(sink, reason, [&result, &request](std::ostream& out, std::string&) {
          WriteNcduExport(result, request.ncdu, out);
          return true;
        });
      };
      break;
    case ExportFormat::kCsv:
      content = [&result](const ByteSink& sink, std::string& reason) {
        return Stream(sink, reason, [&result](std::ostream& out, std::string&) {
          WriteCsvExport(result, out);
          return true;
        });
      };
      break;
    case ExportFormat::kPicture:
      content = [&result, &request](const ByteSink& sink, std::string& reason) {
        return Stream(sink, reason, [&result, &request](std::ostream& out, std::string& why) {
          return WriteVolumePng(result, request.picture_width, request.picture_height, out, why);
        });
      };
      break;
  }
  return ReplaceFileContent(path, content, FileAccess::kOrdinary, ExportHead(request.format), error);
}

}  // namespace tw
