// XFCE's desktop settings through a real xfconf daemon on a private session
// bus (ctest runs this under dbus-run-session).
#include <gtest/gtest.h>

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

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  char buf[512];
  while (p && fgets(buf, sizeof buf, p)) out += buf;
  if (p) pclose(p);
  return out;
}

std::string Get(const std::string& property) {
  return Shell("xfconf-query -c xfce4-desktop -p " + property);
}

const std::string kMonitor = "/backdrop/screen0/monitorVirtual-1";

class XfconfTest : public ::testing::Test {
 protected:
  XfconfTest()
      : windir_("VOK32_WINDIR", (dir_.path() / "windows").string()),
        data_("XDG_DATA_HOME", (dir_.path() / "data").string()),
        desktop_("XDG_CURRENT_DESKTOP", "XFCE") {
    Shell("xfconf-query -c xfce4-desktop -p /backdrop -r -R");
  }

  BOOL Set(bool tiled) {
    Picture picture;
    auto bmp = dir_.Write("wall.bmp", MakeBmp(BmpKind::Pal4, 5, 5, &picture));
    WriteProfileStringA("Desktop", "TileWallpaper", tiled ? "1" : "0");
    dos_ = *NativeToDos(bmp.string());
    return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, dos_.data(), SPIF_UPDATEINIFILE);
  }
  std::string Copy() {
    for (auto& e : std::filesystem::directory_iterator(dir_.path() / "data/vok32")) return e.path();
    return "";
  }
  std::string Recorded() {
    char buf[MAX_PATH];
    GetProfileStringA("Desktop", "wallpaper", "<none>", buf, sizeof buf);
    return buf;
  }

  TempDir dir_;
  ScopedEnv windir_, data_, desktop_;
  std::string dos_;
};

TEST_F(XfconfTest, SetsEveryWorkspaceThatHasAPicture) {
  // As xfdesktop leaves them: two workspaces, a style on the first only.
  Shell("xfconf-query -c xfce4-desktop -n -t string -p " + kMonitor + "/workspace0/last-image -s /old.png");
  Shell("xfconf-query -c xfce4-desktop -n -t int -p " + kMonitor + "/workspace0/image-style -s 5");
  Shell("xfconf-query -c xfce4-desktop -n -t string -p " + kMonitor + "/workspace1/last-image -s /old.png");
  ASSERT_EQ(Get(kMonitor + "/workspace0/last-image"), "/old.png\n") << "no xfconf daemon?";

  for (bool tiled : {true, false}) {
    SCOPED_TRACE(tiled ? "tiled" : "centred");
    ASSERT_NE(Set(tiled), 0);
    const std::string copy = Copy();
    for (const char* ws : {"/workspace0", "/workspace1"}) {
      EXPECT_EQ(Get(kMonitor + ws + "/last-image"), copy + "\n");
      EXPECT_EQ(Get(kMonitor + ws + "/image-style"), tiled ? "2\n" : "1\n");
    }
    EXPECT_EQ(Recorded(), dos_);
  }
}

TEST_F(XfconfTest, NoPictureToReplaceIsNoSuccess) {
  EXPECT_EQ(Set(true), 0);
  EXPECT_EQ(Recorded(), "<none>");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "data/vok32") &&
               !std::filesystem::is_empty(dir_.path() / "data/vok32"));
}

}  // namespace
}  // namespace vok
