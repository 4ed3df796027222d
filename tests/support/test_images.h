#pragma once
// The real NTFS volumes of the image tier: the committed test volumes under
// tests/data (xz-compressed, made by tools/make_test_volumes.sh) and the
// Windows-formatted samples in ../shared/fixtures next to the checkout (never
// committed; absent on some machines). Each is unpacked to a sparse
// temporary file for the duration of a test.

#include <cstdint>
#include <string>
#include <vector>

namespace tw::test {

std::string TestDataDir();
std::string FixturesDir();

// Compressed images, sorted by name; empty when the folder is absent.
std::vector<std::string> CommittedVolumes();  // tests/data/*.img.xz
std::vector<std::string> FixtureImages();     // fixtures/*.raw.gz

// Decompresses (xz or gzip, by extension) into a sparse temporary file that
// is removed when the object goes. path() is empty when unpacking failed.
class UnpackedImage {
 public:
  explicit UnpackedImage(const std::string& compressed);
  ~UnpackedImage();
  UnpackedImage(const UnpackedImage&) = delete;
  UnpackedImage& operator=(const UnpackedImage&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The file name without folder and compression suffixes ("tree" for
// ".../tree.img.xz").
std::string ImageName(const std::string& compressed);

// Fixture images are whole disks: their NTFS partition starts at this sector.
inline constexpr std::int64_t kFixturePartitionSector = 128;

}  // namespace tw::test
