#include "store/replace_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/process_run.h"
#include "support/temp_folder.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

class ReplaceFileContentTest : public test::TempFolderTest {
 protected:
  ReplaceFileContentTest() : TempFolderTest("tw_replace_") {}
};

// The content arrives in pieces; the target holds all of it, and nothing
// else is left in the folder.
TEST_F(ReplaceFileContentTest, ContentInPiecesReplacesTheTargetWhole) {
  std::ofstream(Path("out.csv")) << "an older and much longer content than the new one";
  const FileContent content = [](const ByteSink& sink, std::string&) {
    return sink(Bytes("first,")) && sink(Bytes("")) && sink(Bytes("second\r\n"));
  };
  std::string error;
  ASSERT_TRUE(ReplaceFileContent(Path("out.csv"), content, FileAccess::kOrdinary, Bytes("first"), error)) << error;
  EXPECT_EQ(test::ReadWholeFile(Path("out.csv")), "first,second\r\n");
  EXPECT_EQ(Listing(), std::vector<std::string>{"out.csv"});
}

// Content that cannot be made (it gives up, or throws) leaves the old file
// as it was and no temporary file behind, with the reason.
TEST_F(ReplaceFileContentTest, ContentThatFailsLeavesTheOldFileAndNoTemporary) {
  std::ofstream(Path("out.csv")) << "old";
  const FileContent gives_up = [](const ByteSink& sink, std::string& error) {
    sink(Bytes("half of it"));
    error = "the picture is too large";
    return false;
  };
  std::string error;
  EXPECT_FALSE(ReplaceFileContent(Path("out.csv"), gives_up, FileAccess::kOrdinary, {}, error));
  EXPECT_EQ(error, "the picture is too large");
  const FileContent throws = [](const ByteSink& sink, std::string&) -> bool {
    sink(Bytes("half of it"));
    throw std::bad_alloc();
  };
  EXPECT_FALSE(ReplaceFileContent(Path("out.csv"), throws, FileAccess::kOrdinary, {}, error));
  EXPECT_EQ(error, "out of memory");
  EXPECT_EQ(test::ReadWholeFile(Path("out.csv")), "old");
  EXPECT_EQ(Listing(), std::vector<std::string>{"out.csv"});
}

TEST_F(ReplaceFileContentTest, OnlyARegularFileIsEverReplaced) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_directory(Path("folder"));
  const FileContent content = [](const ByteSink& sink, std::string&) { return sink(Bytes("x")); };
  for (const char* name : {"fifo", "folder"}) {
    std::string error;
    EXPECT_FALSE(ReplaceFileContent(Path(name), content, FileAccess::kOrdinary, {}, error)) << name;
    EXPECT_EQ(error, "not a regular file") << name;
  }
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
  EXPECT_TRUE(fs::is_empty(Path("folder")));
}

// A temporary file an interrupted save of the same content left behind is
// taken over when it begins as this content does; one of other bytes is
// left alone and the save takes a name of its own.
TEST_F(ReplaceFileContentTest, ALeftoverBeginningAsTheContentDoesIsTakenOver) {
  const std::string target = Path("table.csv");
  const std::string temporary = SaveTemporaryPath(target);
  std::ofstream(temporary) << "\xEF\xBB\xBF路径,名称 and then the kill";
  const FileContent content = [](const ByteSink& sink, std::string&) { return sink(Bytes("\xEF\xBB\xBF路径,new")); };
  const std::string head = "\xEF\xBB\xBF路径";
  std::string error;
  ASSERT_TRUE(ReplaceFileContent(target, content, FileAccess::kOrdinary, Bytes(head), error)) << error;
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_EQ(Listing(), std::vector<std::string>{"table.csv"});

  std::ofstream(temporary) << "someone else's notes";
  ASSERT_TRUE(ReplaceFileContent(target, content, FileAccess::kOrdinary, Bytes(head), error)) << error;
  EXPECT_EQ(test::ReadWholeFile(temporary), "someone else's notes");
  EXPECT_EQ(test::ReadWholeFile(target), "\xEF\xBB\xBF路径,new");
  EXPECT_EQ(Listing().size(), 2u);
}

TEST(LeftoverOfSave, EmptyTheSnapshotMagicOrTheSavesOwnHead) {
  const std::string magic = "TWSNAP\x1A\n";
  EXPECT_TRUE(IsLeftoverOfSave(0, {}));
  EXPECT_TRUE(IsLeftoverOfSave(100, Bytes(magic)));
  EXPECT_FALSE(IsLeftoverOfSave(100, Bytes("[1,2,{\"p")));
  EXPECT_TRUE(IsLeftoverOfSave(100, Bytes("[1,2,{\"p"), Bytes("[1,2,{\"p")));
  // A head longer than what is read counts as far as it is read.
  EXPECT_TRUE(IsLeftoverOfSave(100, Bytes("[1,2,{\"p"), Bytes("[1,2,{\"progname")));
  // A file shorter than the head is not the save's.
  EXPECT_FALSE(IsLeftoverOfSave(3, Bytes("[1,"), Bytes("[1,2,{\"p")));
  EXPECT_FALSE(IsLeftoverOfSave(100, Bytes("[1,3,{\"p"), Bytes("[1,2,{\"p")));
}

}  // namespace
}  // namespace tw
