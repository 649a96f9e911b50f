// Hand-edited or damaged vok32.ini files: reads never fail, and a write
// keeps every byte it does not own.
#include <gtest/gtest.h>

#include "settings/settings.h"
#include "tests/temp_dir.h"

namespace vok {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;
using namespace std::string_literals;

class GarbageTest : public ::testing::Test {
 protected:
  TempDir dir;
  ScopedEnv env{"VOK32_WINDIR", dir.str()};
  std::filesystem::path ini = dir.path() / "vok32.ini";
};

std::string AllBytes() {
  std::string s;
  for (int i = 0; i < 256; ++i) s.push_back(static_cast<char>(i));
  return s;
}

TEST_F(GarbageTest, BinaryBytesAroundTheSectionAreKept) {
  const std::string head = AllBytes() + "\n\x81\n=\n[\n]\n\r\r\n\x00[VOK32\n"s + std::string(3, '\0') + "\n";
  const std::string tail = "\n[Other]\n" + AllBytes() + "\xFC";
  dir.Write("vok32.ini", head + "[VOK32]\nWindowSize=1 2 3 4\nLZHFile=c:\\old.lzh\n" + tail);

  EXPECT_EQ(ReadWindowSize(), (WindowRect{1, 2, 3, 4}));
  EXPECT_EQ(ReadLzhFile(), "c:\\old.lzh");
  WriteLzhFile("c:\\new.lzh");
  EXPECT_EQ(ReadFile(ini), head + "[VOK32]\nWindowSize=1 2 3 4\nLZHFile=c:\\new.lzh\n" + tail);
}

TEST_F(GarbageTest, GarbageValuesReadAsMissingOrCut) {
  struct Case {
    std::string windowSize;
    std::string lzhFile;
  } cases[] = {
      {std::string("\x00\x01\x02", 3), std::string("\x00", 1)},
      {"\xFF\xFE 1 2 3 4", "\x95"},
      {std::string(1 << 20, '7'), std::string(1 << 20, 'x')},
      {"1 2 3 " + std::string(1 << 20, ' ') + "4", "\"\""},
  };
  for (const Case& c : cases) {
    dir.Write("vok32.ini", "[VOK32]\nWindowSize=" + c.windowSize + "\nLZHFile=" + c.lzhFile + "\n");
    EXPECT_EQ(ReadWindowSize(), std::nullopt);
    EXPECT_LE(ReadLzhFile().size(), 279u);
  }
}

TEST_F(GarbageTest, VeryLongLinesAreKeptOnRewrite) {
  const std::string longLine = std::string(3 << 20, 'q');  // no '=' and no newline of its own
  dir.Write("vok32.ini", longLine + "\n[VOK32]\nLZHFile=c:\\a.lzh\n[Other]\n" + longLine);
  EXPECT_EQ(ReadLzhFile(), "c:\\a.lzh");
  WriteWindowSize({5, 6, 7, 8});
  // Compared whole, not printed: a diff of megabytes helps nobody.
  EXPECT_TRUE(ReadFile(ini) ==
              longLine + "\n[VOK32]\nLZHFile=c:\\a.lzh\nWindowSize=5 6 7 8\n[Other]\n" + longLine);
  EXPECT_EQ(ReadWindowSize(), (WindowRect{5, 6, 7, 8}));
}

TEST_F(GarbageTest, FileWithoutSectionsGainsOneAtTheEnd) {
  const std::string junk = "no sections here\rold mac line\r" + AllBytes();
  dir.Write("vok32.ini", junk);
  EXPECT_EQ(ReadLzhFile(), "");
  WriteLzhFile("c:\\a.lzh");
  EXPECT_EQ(ReadFile(ini), junk + "\n\n[VOK32]\nLZHFile=c:\\a.lzh\n");
  EXPECT_EQ(ReadLzhFile(), "c:\\a.lzh");
}

// Far beyond any profile: not read, and never replaced by a write.
TEST_F(GarbageTest, HugeFileIsLeftAlone) {
  const std::string huge = "[VOK32]\nLZHFile=c:\\a.lzh\n" + std::string(17 << 20, '\n');
  dir.Write("vok32.ini", huge);
  EXPECT_EQ(ReadLzhFile(), "");
  WriteLzhFile("c:\\b.lzh");
  EXPECT_EQ(std::filesystem::file_size(ini), huge.size());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace vok
