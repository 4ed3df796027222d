#include "cli/treemap_picture.h"

#include <filesystem>
#include <new>

#include "cli/output_file.h"
#include "format/utf.h"
#include "texts/texts.h"
#include "treemap/picture_text.h"
#include "treemap/png_writer.h"
#include "treemap/volume_picture.h"

namespace tw {
namespace {

constexpr std::int32_t kLabelPixels = 13;

std::string ErrorLine(const wchar_t* reason, const std::string& path, const std::string& detail) {
  return Utf16ToUtf8(text::kErrorPrefix) + Utf16ToUtf8(reason) + " (" + path + ": " + detail + ")";
}

void RemoveUnfinished(const std::string& path) {
  std::error_code ignored;
  const std::filesystem::path file(std::u8string(path.begin(), path.end()));
  // Only a file of our making: never a device or whatever else was named.
  if (std::filesystem::is_regular_file(file, ignored)) std::filesystem::remove(file, ignored);
}

}  // namespace

std::string WriteTreemapPicture(const ScanResult& result, const std::string& path, std::int32_t width,
                                std::int32_t height) {
  try {
    const std::unique_ptr<PictureFont> font = OpenPictureFont(kLabelPixels);
    const RgbImage image = RenderVolumePicture(result, VolumePictureOptions{width, height, font.get()});
    OutputFile file(path);
    if (!file.is_open()) return ErrorLine(text::kErrorWriteOutput, path, file.Close());
    std::string reason;
    const bool encoded = WritePng(image, file.stream(), reason);
    const std::string closed = file.Close();
    if (encoded && closed.empty()) return {};
    RemoveUnfinished(path);
    return ErrorLine(text::kErrorWriteOutput, path, encoded ? closed : reason);
  } catch (const std::bad_alloc&) {
    return ErrorLine(text::kErrorOutOfMemory, path, "the picture does not fit in memory");
  }
}

}  // namespace tw
