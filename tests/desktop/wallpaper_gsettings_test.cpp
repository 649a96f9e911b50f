// GNOME, Cinnamon and MATE through their settings, kept in GLib's key file.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "desktop/wallpaper.h"
#include "platform/dospath.h"
#include "platform/profile.h"
#include "tests/desktop/bmp_fixture.h"
#include "tests/temp_dir.h"

namespace vok {
namespace {

using testing::BmpKind;
using testing::MakeBmp;
using testing::Picture;
using testing::ScopedEnv;
using testing::TempDir;

TempDir* g_home;  // GLib reads its directories once per process: set in main

std::string Gsettings(const std::string& schema, const std::string& key) {
  std::string out;
  FILE* p = popen(("gsettings get " + schema + " " + key + " 2>&1").c_str(), "r");
  char buf[512];
  while (p && fgets(buf, sizeof buf, p)) out += buf;
  if (p) pclose(p);
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// The copies, all or those of one desktop, in name order.
std::vector<std::filesystem::path> Copies(const std::string& tag = "") {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  for (auto& e : std::filesystem::directory_iterator(g_home->path() / "data/vok32", ec)) {
    if (e.path().filename().string().starts_with("wallpaper-" + tag)) out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

class GSettingsTest : public ::testing::Test {
 protected:
  GSettingsTest() : windir_("VOK32_WINDIR", (dir_.path() / "windows").string()) {}

  BOOL Set(const char* desktop, BmpKind kind, bool tiled) {
    ScopedEnv current("XDG_CURRENT_DESKTOP", desktop);
    auto bmp = dir_.Write("Wall.bmp", MakeBmp(kind, 5, 3, &picture_));
    dos_ = *NativeToDos(bmp.string());
    WriteProfileStringA("Desktop", "TileWallpaper", tiled ? "1" : "0");
    return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, dos_.data(), SPIF_UPDATEINIFILE);
  }

  // The copy holds the picture, opaque.
  void ExpectCopyOfPicture(const std::filesystem::path& png) {
    GError* error = nullptr;
    GdkPixbuf* got = gdk_pixbuf_new_from_file(png.c_str(), &error);
    ASSERT_NE(got, nullptr) << (error ? error->message : "");
    ASSERT_EQ(gdk_pixbuf_get_width(got), picture_.width);
    const int n = gdk_pixbuf_get_n_channels(got), stride = gdk_pixbuf_get_rowstride(got);
    const guchar* px = gdk_pixbuf_read_pixels(got);
    for (int y = 0; y < picture_.height; ++y) {
      for (int x = 0; x < picture_.width; ++x) {
        const guchar* p = px + y * stride + x * n;
        EXPECT_EQ(std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2], picture_.at(x, y));
        if (n == 4) {
          EXPECT_EQ(p[3], 255);
        }
      }
    }
    g_object_unref(got);
  }

  TempDir dir_;
  ScopedEnv windir_;
  Picture picture_;
  std::string dos_;
};

TEST_F(GSettingsTest, WritesThePictureAndModeForEachDesktop) {
  struct Case {
    const char* desktop;
    const char* schema;
    const char* key;  // the picture's key
    bool uri;
  };
  const Case cases[] = {
      {"ubuntu:GNOME", "org.gnome.desktop.background", "picture-uri", true},
      {"X-Cinnamon", "org.cinnamon.desktop.background", "picture-uri", true},
      {"MATE", "org.mate.background", "picture-filename", false},
  };
  for (const Case& c : cases) {
    for (bool tiled : {false, true}) {
      SCOPED_TRACE(std::string(c.desktop) + (tiled ? " tiled" : " centred"));
      ASSERT_NE(Set(c.desktop, BmpKind::Rgb32, tiled), 0);
      const std::string png = Gsettings(c.schema, c.key);
      const std::string prefix = c.uri ? "'file://" : "'";
      ASSERT_TRUE(png.starts_with(prefix)) << png;
      const std::filesystem::path copy = png.substr(prefix.size(), png.size() - prefix.size() - 1);
      EXPECT_EQ(copy.parent_path(), g_home->path() / "data/vok32");
      EXPECT_EQ(copy.extension(), ".png");
      ExpectCopyOfPicture(copy);
      EXPECT_EQ(Gsettings(c.schema, "picture-options"), tiled ? "'wallpaper'" : "'centered'");
      if (std::string(c.desktop) == "ubuntu:GNOME") {
        EXPECT_EQ(Gsettings(c.schema, "picture-uri-dark"), png);
      }
      // win.ini keeps the bitmap, not the copy.
      char recorded[MAX_PATH];
      GetProfileStringA("Desktop", "wallpaper", "", recorded, sizeof recorded);
      EXPECT_EQ(recorded, dos_);
    }
  }
  // One copy per desktop: the earlier ones of each are gone, and every
  // desktop's setting still names a file that is there.
  EXPECT_EQ(Copies().size(), std::size(cases));
  for (const Case& c : cases) {
    std::string named = Gsettings(c.schema, c.key);
    named = named.substr(c.uri ? 8 : 1, named.size() - (c.uri ? 9 : 2));
    EXPECT_TRUE(std::filesystem::exists(named)) << c.desktop << " names " << named;
  }
}

// A desktop that shows its own setting again at login is left to it.
TEST_F(GSettingsTest, RestoreLeavesADesktopThatKeepsItsOwn) {
  ASSERT_NE(Set("GNOME", BmpKind::Rgb24, false), 0);
  const std::string before = Gsettings("org.gnome.desktop.background", "picture-uri");
  const auto copies = Copies();
  const std::string keyfile = testing::ReadFile(g_home->path() / "config/glib-2.0/settings/keyfile");
  ASSERT_FALSE(keyfile.empty());
  ScopedEnv current("XDG_CURRENT_DESKTOP", "GNOME");
  std::string recorded;
  EXPECT_EQ(RestoreWallpaper(&recorded), RestoreOutcome::KeptByDesktop);
  EXPECT_EQ(Gsettings("org.gnome.desktop.background", "picture-uri"), before);
  EXPECT_EQ(Copies(), copies);
  EXPECT_EQ(testing::ReadFile(g_home->path() / "config/glib-2.0/settings/keyfile"), keyfile);
}

TEST_F(GSettingsTest, ACopyWithAFreshNameEachTime) {
  ASSERT_NE(Set("GNOME", BmpKind::Pal8, true), 0);
  const auto first = Copies("gnome");
  ASSERT_NE(Set("GNOME", BmpKind::Pal8, true), 0);
  const auto second = Copies("gnome");
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(first[0], second[0]);
}

TEST(GSettingsMissingTest, ADesktopWithoutItsSchemaIsRefusedNotAborted) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempDir dir;
  ScopedEnv windir("VOK32_WINDIR", dir.str());
  ScopedEnv noSchemas("XDG_DATA_DIRS", (dir.path() / "nothing").string());
  ScopedEnv desktop("XDG_CURRENT_DESKTOP", "GNOME");
  Picture picture;
  auto bmp = dir.Write("a.bmp", MakeBmp(BmpKind::Rgb24, 2, 2, &picture));
  std::string dos = *NativeToDos(bmp.string());
  // A fresh process, so GLib looks for its schemas anew.
  EXPECT_EXIT(std::exit(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, dos.data(), SPIF_UPDATEINIFILE) == 0 &&
                                !std::filesystem::exists(dir.path() / "win.ini")
                            ? 0
                            : 1),
              ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vok

int main(int argc, char** argv) {
  static vok::testing::TempDir home;
  vok::g_home = &home;
  setenv("XDG_CONFIG_HOME", (home.path() / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home.path() / "data").c_str(), 1);
  setenv("GSETTINGS_BACKEND", "keyfile", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
