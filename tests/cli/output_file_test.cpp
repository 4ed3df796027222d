#include "cli/output_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tw {
namespace {

TEST(OutputFile, WritesEveryByteWhateverThePieces) {
  const std::string path = testing::TempDir() + "tw_output_" + std::to_string(getpid()) + ".bin";
  std::string expected;
  {
    OutputFile file(path);
    ASSERT_TRUE(file.is_open());
    // Pieces of every small size, one far larger than the buffer, then one byte.
    for (int k = 0; k < 3000; ++k) {
      const std::string piece(static_cast<std::size_t>(k % 97), static_cast<char>('a' + k % 26));
      file.stream() << piece << '\n';
      expected += piece + '\n';
    }
    const std::string large(200'000, 'z');
    file.stream() << large << 'e';
    expected += large + 'e';
    EXPECT_EQ(file.Close(), "");
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream written;
  written << in.rdbuf();
  EXPECT_EQ(written.str(), expected);
  std::filesystem::remove(path);
}

// The system's reasons are checked through the program (scanner_binary_test);
// a stream of another kind has only a general one.
TEST(OutputFile, AStreamWithoutAnOutputBufferHasAGeneralReason) {
  std::ostringstream text;
  text << "fine";
  EXPECT_EQ(OutputFailure(text), "");
  text.setstate(std::ios::badbit);
  EXPECT_EQ(OutputFailure(text), "write failed");
}

}  // namespace
}  // namespace tw
