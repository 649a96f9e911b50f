#include "desktop/wallpaper.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "desktop/backend.h"
#include "platform/dospath.h"
#include "platform/profile.h"
#include "tests/desktop/bmp_fixture.h"
#include "tests/memory_limit.h"
#include "tests/temp_dir.h"

namespace vok {
namespace {

using testing::BmpKind;
using testing::MakeBmp;
using testing::Picture;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;

struct Call {
  std::string nativePath;
  bool tiled;
};

class SetWallpaperTest : public ::testing::Test {
 protected:
  SetWallpaperTest() : windir_("VOK32_WINDIR", (dir_.path() / "windows").string()) {
    SetWallpaperBackendForTesting([this](const std::string& path, bool tiled) {
      calls_.push_back({path, tiled});
      return accept_;
    });
  }
  ~SetWallpaperTest() override { SetWallpaperBackendForTesting(nullptr); }

  std::string Dos(const std::filesystem::path& p) { return *NativeToDos(p.string()); }
  std::string WinIni() { return ReadFile(dir_.path() / "windows" / "win.ini"); }
  std::string Recorded() {
    char buf[MAX_PATH];
    GetProfileStringA("Desktop", "wallpaper", "<none>", buf, sizeof buf);
    return buf;
  }
  BOOL Set(std::string dos) {
    return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, dos.data(), SPIF_UPDATEINIFILE);
  }

  TempDir dir_;
  ScopedEnv windir_;
  std::vector<Call> calls_;
  bool accept_ = true;
  Picture picture_;
};

TEST_F(SetWallpaperTest, RecordsThePathExactlyAsGivenAndShowsTheModeOfTheMoment) {
  auto bmp = dir_.Write("Pics/Sun Set.BMP", MakeBmp(BmpKind::Rgb24, 3, 2, &picture_));
  // Lower-cased the way the client keeps paths; it still names the file.
  std::string dos = Dos(bmp);
  for (char& c : dos) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

  struct Case {
    const char* tile;  // nullptr: no entry
    bool tiled;
  };
  for (Case c : {Case{nullptr, true}, Case{"0", false}, Case{"1", true}, Case{"2", true}}) {
    SCOPED_TRACE(c.tile ? c.tile : "(missing)");
    calls_.clear();
    ASSERT_TRUE(WriteProfileStringA("Desktop", "TileWallpaper", c.tile));
    EXPECT_NE(Set(dos), 0);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].nativePath, bmp.string());
    EXPECT_EQ(calls_[0].tiled, c.tiled);
    EXPECT_EQ(Recorded(), dos);
  }
}

TEST_F(SetWallpaperTest, WithoutTheRecordFlagNothingIsRecorded) {
  auto bmp = dir_.Write("a.bmp", MakeBmp(BmpKind::Rgb24, 2, 2, &picture_));
  std::string dos = Dos(bmp);
  EXPECT_NE(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, dos.data(), 0), 0);
  EXPECT_EQ(Recorded(), "<none>");
}

TEST_F(SetWallpaperTest, RefusesWhatIsNoReadableBitmapAndLeavesWinIniAlone) {
  ASSERT_TRUE(WriteProfileStringA("Desktop", "wallpaper", "z:\\old.bmp"));
  ASSERT_TRUE(WriteProfileStringA("Desktop", "TileWallpaper", "0"));
  const std::string before = WinIni();

  std::string whole = MakeBmp(BmpKind::Rgb24, 8, 8, &picture_);
  std::string rle = MakeBmp(BmpKind::Rle8, 8, 8, &picture_);
  // 30000 x 30000 in a few bytes: the runs end at once.
  std::string huge = MakeBmp(BmpKind::Rle8, 1, 1, &picture_);
  huge.replace(18, 8, std::string("\x30\x75\0\0\x30\x75\0\0", 8));
  huge.replace(huge.size() - 6, 6, std::string("\0\1", 2));
  struct Case {
    const char* name;
    std::optional<std::string> bytes;  // nullopt: no such file
  };
  const Case cases[] = {
      {"missing.bmp", std::nullopt},
      {"empty.bmp", std::string()},
      {"text.bmp", std::string("BM this is not a bitmap")},
      {"cut.bmp", whole.substr(0, whole.size() - 40)},
      {"cut-rle.bmp", rle.substr(0, rle.size() - 12)},
      {"huge.bmp", huge},
      // A PNG under a .bmp name is not a bitmap for the desktop call.
      {"png.bmp", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
      {"adir.bmp", std::string("dir")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::path p = dir_.path() / c.name;
    if (std::string(c.name) == "adir.bmp") {
      std::filesystem::create_directory(p);
    } else if (c.bytes) {
      dir_.Write(c.name, *c.bytes);
    }
    EXPECT_EQ(Set(Dos(p)), 0);
    EXPECT_TRUE(calls_.empty());
    EXPECT_EQ(WinIni(), before);
  }
  EXPECT_EQ(Set("<none>"), 0);
  EXPECT_EQ(Set("q:\\elsewhere\\a.bmp"), 0);
  EXPECT_EQ(WinIni(), before);
}

TEST_F(SetWallpaperTest, ADesktopThatRefusesLeavesTheOldRecord) {
  ASSERT_TRUE(WriteProfileStringA("Desktop", "wallpaper", "z:\\old.bmp"));
  auto bmp = dir_.Write("new.bmp", MakeBmp(BmpKind::Pal8, 4, 4, &picture_));
  accept_ = false;
  EXPECT_EQ(Set(Dos(bmp)), 0);
  EXPECT_EQ(calls_.size(), 1u);
  EXPECT_EQ(Recorded(), "z:\\old.bmp");
}

TEST_F(SetWallpaperTest, OtherActionsDoNothing) {
  auto bmp = dir_.Write("a.bmp", MakeBmp(BmpKind::Rgb24, 2, 2, &picture_));
  std::string dos = Dos(bmp);
  EXPECT_EQ(SystemParametersInfoA(SPI_SETDESKWALLPAPER + 1, 0, dos.data(), SPIF_UPDATEINIFILE), 0);
  EXPECT_EQ(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, nullptr, SPIF_UPDATEINIFILE), 0);
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(Recorded(), "<none>");
}

TEST(ChooseDesktopTest, FollowsTheSessionsOwnNames) {
  using desktop::Desktop;
  struct Case {
    const char* current;
    const char* session;
    const char* display;
    const char* wayland;
    Desktop want;
  };
  const Case cases[] = {
      {"GNOME", nullptr, ":0", nullptr, Desktop::Gnome},
      {"ubuntu:GNOME", nullptr, ":0", "wayland-0", Desktop::Gnome},
      {"Budgie:GNOME", nullptr, ":0", nullptr, Desktop::Gnome},
      {"Pantheon", nullptr, nullptr, nullptr, Desktop::Gnome},
      {"Unity", nullptr, ":0", nullptr, Desktop::Gnome},
      {"X-Cinnamon", nullptr, ":0", nullptr, Desktop::Cinnamon},
      {"MATE", nullptr, ":0", nullptr, Desktop::Mate},
      {"XFCE", nullptr, ":0", nullptr, Desktop::Xfce},
      {"KDE", nullptr, ":0", nullptr, Desktop::Kde},
      {"LXQt", nullptr, ":0", nullptr, Desktop::Lxqt},
      {"LXDE", nullptr, ":0", nullptr, Desktop::Lxde},
      {"sway", nullptr, nullptr, "wayland-1", Desktop::Sway},
      // An unknown first name does not hide a known later one.
      {"X-Generic:xfce", nullptr, ":0", nullptr, Desktop::Xfce},
      {nullptr, "plasma", ":0", nullptr, Desktop::Kde},
      {"", "/usr/share/xsessions/mate", ":0", nullptr, Desktop::Mate},
      {"Hyprland", "hyprland", ":0", "wayland-1", Desktop::Unknown},
      {nullptr, nullptr, ":0", nullptr, Desktop::RootWindow},
      {"i3", "i3", ":0", nullptr, Desktop::RootWindow},
      {nullptr, nullptr, nullptr, nullptr, Desktop::Unknown},
  };
  for (const Case& c : cases) {
    desktop::Environment env;
    env.currentDesktop = c.current;
    env.session = c.session;
    env.display = c.display;
    env.waylandDisplay = c.wayland;
    EXPECT_EQ(desktop::ChooseDesktop(env), c.want)
        << (c.current ? c.current : "-") << " / " << (c.session ? c.session : "-");
  }
}

// Every kind of BMP decodes to its picture, opaque (the spare byte of a
// 32-bit pixel is no alpha).
TEST(DecodeBmpTest, ReadsEveryVariant) {
  TempDir dir;
  const std::pair<BmpKind, const char*> kinds[] = {
      {BmpKind::Rgb24, "24-bit"},  {BmpKind::Rgb24TopDown, "top-down"}, {BmpKind::Rgb32, "32-bit"},
      {BmpKind::Rgb16, "16-bit"},  {BmpKind::Pal8, "8-bit"},           {BmpKind::Rle8, "RLE8"},
      {BmpKind::Pal4, "4-bit"},    {BmpKind::Rle4, "RLE4"},            {BmpKind::Pal1, "1-bit"},
      {BmpKind::Os2Pal8, "OS/2"},
  };
  for (auto [kind, name] : kinds) {
    SCOPED_TRACE(name);
    Picture expected;
    auto path = dir.Write("p.bmp", MakeBmp(kind, 7, 5, &expected));
    const desktop::Image got = desktop::DecodeBmp(path.string());
    ASSERT_TRUE(got);
    ASSERT_EQ(got.width(), 7);
    ASSERT_EQ(got.height(), 5);
    for (int y = 0; y < 5; ++y) {
      // Whole rows and rows cut short on the left alike.
      for (int from : {0, 3}) {
        std::uint32_t row[7];
        got.CopyRow(y, from, 7 - from, row);
        for (int x = from; x < 7; ++x) ASSERT_EQ(row[x - from], expected.at(x, y)) << "at " << x << "," << y;
      }
    }
  }
}

// Memory follows the picture the headers describe, never the file: a picture
// beyond the limits, or a file longer than its picture can need, is refused
// before its pixels are read.
TEST(DecodeBmpTest, RefusesPicturesBeyondTheLimitsAndFilesLongerThanTheirPicture) {
  TempDir dir;
  Picture unused;
  auto sized = [&](BmpKind kind, std::uint32_t w, std::uint32_t h) {
    std::string b = MakeBmp(kind, 1, 1, &unused);
    for (int i = 0; i < 4; ++i) b[18 + i] = static_cast<char>(w >> (8 * i));
    for (int i = 0; i < 4; ++i) b[22 + i] = static_cast<char>(h >> (8 * i));
    return b;
  };
  // Run-length pictures whose runs end at once: a few bytes each.
  auto runs = [&](std::uint32_t w, std::uint32_t h) {
    std::string b = sized(BmpKind::Rle8, w, h);
    b.replace(b.size() - 6, 6, std::string("\0\1", 2));
    return b;
  };
  // Uncompressed 8-bit rows of w pixels, h of them, all there.
  auto plain = [&](std::uint32_t w, std::uint32_t h) {
    std::string b = sized(BmpKind::Pal8, w, h);
    b.resize(b.size() - 4 + (w + 3) / 4 * 4 * h, '\0');
    return b;
  };
  const std::string small = MakeBmp(BmpKind::Rgb24, 4, 4, &unused);
  struct Case {
    const char* name;
    std::string bytes;
    std::uint64_t length;  // the file is cut or extended (sparse) to this
    bool decodes;
  };
  const Case cases[] = {
      {"RLE8 of 11585 x 11585 in a few bytes", runs(11585, 11585), 0, false},
      {"RLE8 of 8193 x 8193", runs(8193, 8193), 0, false},
      {"16385 pixels wide", plain(16385, 1), 0, false},
      {"16384 pixels wide", plain(16384, 1), 0, true},
      {"4 x 4 followed by 100 MB", small, 100u << 20, false},
      {"4 x 4 followed by a little padding", small, small.size() + 512, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto path = dir.Write("p.bmp", c.bytes);
    if (c.length) std::filesystem::resize_file(path, c.length);
    EXPECT_EQ(static_cast<bool>(desktop::DecodeBmp(path.string())), c.decodes);
  }
}

// A picture within the limits but more than memory allows is refused; the
// program goes on.
TEST(DecodeBmpTest, RunningOutOfMemoryRefusesThePicture) {
  if (!testing::kCanCapMemory) GTEST_SKIP() << "no memory cap under a sanitizer";
  TempDir dir;
  Picture unused;
  std::string b = MakeBmp(BmpKind::Rgb24, 1, 1, &unused);
  const std::uint32_t w = 16384, h = 4000;  // 196 MB of pixels
  for (int i = 0; i < 4; ++i) b[18 + i] = static_cast<char>(w >> (8 * i));
  for (int i = 0; i < 4; ++i) b[22 + i] = static_cast<char>(h >> (8 * i));
  auto path = dir.Write("big.bmp", b);
  std::filesystem::resize_file(path, 54 + std::uint64_t{w} * 3 * h);
  EXPECT_EQ(testing::RunWithin(64u << 20, [&] { return !desktop::DecodeBmp(path.string()); }),
            "passed");
}

}  // namespace
}  // namespace vok
