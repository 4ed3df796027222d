#include "cli/treemap_picture.h"

#include <filesystem>
#include <new>
#include <string_view>

#include "cli/output_file.h"
#include "format/utf.h"
#include "texts/texts.h"
#include "treemap/picture_text.h"
#include "treemap/png_writer.h"
#include "treemap/volume_picture.h"

namespace tw {
namespace {

constexpr std::int32_t kLabelPixels = 13;

// A whole decimal number within kPictureMinSide..kPictureMaxSide.
bool ParseSide(std::string_view digits, std::int32_t& side) {
  if (digits.empty() || digits.size() > 5) return false;
  std::int32_t v = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < kPictureMinSide || v > kPictureMaxSide) return false;
  side = v;
  return true;
}

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

bool ParsePictureSize(const std::string& text, std::int32_t& width, std::int32_t& height, std::string& error) {
  const std::size_t x = text.find_first_of("xX");
  std::int32_t w = 0, h = 0;
  if (x == std::string::npos || !ParseSide(std::string_view(text).substr(0, x), w) ||
      !ParseSide(std::string_view(text).substr(x + 1), h)) {
    error = "option --treemap-size needs WIDTHxHEIGHT, each side " + std::to_string(kPictureMinSide) + " to " +
            std::to_string(kPictureMaxSide) + " pixels, not '" + text + "'";
    return false;
  }
  width = w;
  height = h;
  return true;
}

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
