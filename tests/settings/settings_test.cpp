#include "settings/settings.h"

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "tests/temp_dir.h"

namespace vok {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;

class SettingsTest : public ::testing::Test {
 protected:
  TempDir dir;
  ScopedEnv env{"VOK32_WINDIR", dir.str()};
  std::filesystem::path ini = dir.path() / "vok32.ini";

  void SetWindowSize(const std::string& value) {
    dir.Write("vok32.ini", "[VOK32]\nWindowSize=" + value + "\n");
  }
};

TEST_F(SettingsTest, WindowSizeRoundTripsInFileOrder) {
  struct Case {
    WindowRect rect;
    const char* text;
  } cases[] = {
      {{-4, 1028, -4, 772}, "4294967292 1028 4294967292 772"},
      {{300, 520, 100, 400}, "300 520 100 400"},  // right before top
      {{0, 0, 0, 0}, "0 0 0 0"},
      {{-2147483647 - 1, 2147483647, -1, 1}, "2147483648 2147483647 4294967295 1"},
  };
  for (const Case& c : cases) {
    WriteWindowSize(c.rect);
    EXPECT_EQ(ReadFile(ini), std::string("[VOK32]\nWindowSize=") + c.text + "\n");
    EXPECT_EQ(ReadWindowSize(), c.rect) << c.text;
  }
}

TEST_F(SettingsTest, WindowSizeReadsHandEditedValues) {
  struct Case {
    const char* value;
    std::optional<WindowRect> want;
  } cases[] = {
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"1 2 3", std::nullopt},
      {"1 2 3 x", std::nullopt},
      {"a b c d", std::nullopt},
      {"1 2 3 -", std::nullopt},
      {"  10 \t  20    30  40  ", WindowRect{10, 20, 30, 40}},
      {"+10 -20 +30 -40", WindowRect{10, -20, 30, -40}},
      {"1-2 3 4", WindowRect{1, -2, 3, 4}},
      {"1 2 3 4 5 trailing", WindowRect{1, 2, 3, 4}},
      {"1 2 3 4xyz", WindowRect{1, 2, 3, 4}},
      {"8589934591 4294967297 -4294967292 0", WindowRect{-1, 1, 4, 0}},
      // 39 characters fit the field exactly and are read.
      {"4294967292 4294967292 4294967292 100000", WindowRect{-4, -4, -4, 100000}},
      // 43 characters are cut by the read: the last number would be wrong.
      {"4294967292 4294967292 4294967292 4294967292", std::nullopt},
  };
  for (const Case& c : cases) {
    SetWindowSize(c.value);
    EXPECT_EQ(ReadWindowSize(), c.want) << '"' << c.value << '"';
  }
}

TEST_F(SettingsTest, NothingStoredReadsAsMissing) {
  EXPECT_EQ(ReadWindowSize(), std::nullopt);
  EXPECT_EQ(ReadLzhFile(), "");
  EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(SettingsTest, MinimizedFrameKeepsTheLastNormalRectangle) {
  WriteWindowSizeUnlessMinimized({10, 20, 30, 40}, false);
  WriteWindowSizeUnlessMinimized({-32000, -31840, -32000, -31973}, true);
  EXPECT_EQ(ReadWindowSize(), (WindowRect{10, 20, 30, 40}));
}

// Kept as given: a lower-cased copy could name a sibling that differs only in case.
TEST_F(SettingsTest, LzhFileIsStoredAsGivenAndCutTo279Bytes) {
  WriteLzhFile("C:\\PICS\\Spring.LZH");
  EXPECT_EQ(ReadLzhFile(), "C:\\PICS\\Spring.LZH");
  EXPECT_EQ(ReadFile(ini), "[VOK32]\nLZHFile=C:\\PICS\\Spring.LZH\n");
  const std::string sjis = "c:\\\x83\x41\x83\x43\\A.LZH";  // アイ
  WriteLzhFile(sjis);
  EXPECT_EQ(ReadLzhFile(), sjis);

  const std::string longPath = "c:\\" + std::string(300, 'a');
  WriteLzhFile(longPath);
  EXPECT_EQ(ReadLzhFile(), longPath.substr(0, 279));

  // Writing one key leaves the other.
  WriteWindowSize({1, 2, 3, 4});
  EXPECT_EQ(ReadLzhFile(), longPath.substr(0, 279));
  EXPECT_EQ(ReadWindowSize(), (WindowRect{1, 2, 3, 4}));
}

TEST_F(SettingsTest, KeysAndSectionMatchRegardlessOfCase) {
  dir.Write("vok32.ini", "[vok32]\nwindowsize=1 2 3 4\nlzhfile=c:\\x.lzh\n");
  EXPECT_EQ(ReadWindowSize(), (WindowRect{1, 2, 3, 4}));
  EXPECT_EQ(ReadLzhFile(), "c:\\x.lzh");
  WriteLzhFile("c:\\y.lzh");
  EXPECT_EQ(ReadFile(ini), "[vok32]\nwindowsize=1 2 3 4\nlzhfile=c:\\y.lzh\n");
}

}  // namespace
}  // namespace vok
