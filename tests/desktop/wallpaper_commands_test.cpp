// KDE, LXQt, LXDE and sway through their tools, here stand-ins on PATH that
// record how they were called.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desktop/diagnose.h"
#include "desktop/wallpaper.h"
#include "platform/dospath.h"
#include "platform/profile.h"
#include "platform/sys.h"
#include "tests/desktop/bmp_fixture.h"
#include "tests/temp_dir.h"

namespace vok {
namespace {

using testing::BmpKind;
using testing::MakeBmp;
using testing::Picture;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;

class CommandsTest : public ::testing::Test {
 protected:
  CommandsTest()
      : windir_("VOK32_WINDIR", (dir_.path() / "windows").string()),
        data_("XDG_DATA_HOME", (dir_.path() / "data").string()),
        path_("PATH", (dir_.path() / "bin").string()),
        session_("DESKTOP_SESSION", "") {
    std::filesystem::create_directories(dir_.path() / "bin");
  }

  // A tool that logs its name and arguments, tab-separated, prints `say`
  // and exits with `status`. Builtins only: PATH holds nothing else.
  void StandIn(const std::string& name, int status = 0, const std::string& say = "") {
    const auto p = dir_.path() / "bin" / name;
    std::ofstream(p) << "#!/bin/sh\n"
                     << "{ printf '%s' \"${0##*/}\"; for a in \"$@\"; do printf '\\t%s' \"$a\"; done; "
                     << "printf '\\n'; } >> '" << (dir_.path() / "log").string() << "'\n"
                     << (say.empty() ? "" : "printf '%s\\n' '" + say + "'\n") << "exit " << status << "\n";
    std::filesystem::permissions(p, std::filesystem::perms::owner_all);
  }

  BOOL Set(const char* desktop, bool tiled) {
    ScopedEnv current("XDG_CURRENT_DESKTOP", desktop);
    Picture picture;
    auto bmp = dir_.Write("wall.bmp", MakeBmp(BmpKind::Rle4, 6, 4, &picture));
    WriteProfileStringA("Desktop", "TileWallpaper", tiled ? "1" : "0");
    dos_ = *NativeToDos(bmp.string());
    return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, dos_.data(), SPIF_UPDATEINIFILE);
  }

  // All copies, or one desktop's.
  std::vector<std::string> Copies(const std::string& tag = "") {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(dir_.path() / "data/vok32", ec)) {
      if (e.path().filename().string().starts_with("wallpaper-" + tag)) out.push_back(e.path());
    }
    return out;
  }
  std::string Log() { return ReadFile(dir_.path() / "log"); }
  std::string Recorded() {
    char buf[MAX_PATH];
    GetProfileStringA("Desktop", "wallpaper", "<none>", buf, sizeof buf);
    return buf;
  }

  TempDir dir_;
  ScopedEnv windir_, data_, path_, session_;
  std::string dos_;
};

TEST_F(CommandsTest, CallsEachDesktopsToolWithTheCopyAndMode) {
  struct Case {
    const char* desktop;
    const char* tag;  // its copies' names
    bool tiled;
    std::vector<const char*> tools;
    const char* want;  // the log; %s is the copy's path
  };
  const Case cases[] = {
      {"LXQt", "lxqt", false, {"pcmanfm-qt"}, "pcmanfm-qt\t--set-wallpaper\t%s\t--wallpaper-mode=center\n"},
      {"LXDE", "lxde", true, {"pcmanfm"}, "pcmanfm\t--set-wallpaper\t%s\t--wallpaper-mode=tile\n"},
      {"sway", "sway", true, {"swaymsg"}, "swaymsg\toutput\t*\tbg\t\"%s\"\ttile\n"},
      {"sway", "sway", false, {"swaymsg"}, "swaymsg\toutput\t*\tbg\t\"%s\"\tcenter\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.desktop) + (c.tiled ? " tiled" : " centred"));
    std::filesystem::remove(dir_.path() / "log");
    for (const char* tool : c.tools) StandIn(tool);
    ASSERT_NE(Set(c.desktop, c.tiled), 0);
    // One copy each: sway's second replaces its first.
    const auto copies = Copies(c.tag);
    ASSERT_EQ(copies.size(), 1u);
    std::string want = c.want;
    want.replace(want.find("%s"), 2, copies[0]);
    EXPECT_EQ(Log(), want);
    EXPECT_EQ(Recorded(), dos_);
  }
}

TEST_F(CommandsTest, PlasmaTakesTheFillModeWhereItHasOne) {
  StandIn("plasma-apply-wallpaperimage", 0, "  -f, --fill-mode <mode>  how to fill");
  StandIn("dbus-send");
  ASSERT_NE(Set("KDE", false), 0);
  const std::string copy = Copies().at(0);
  EXPECT_EQ(Log(), "plasma-apply-wallpaperimage\t--help\n"
                   "plasma-apply-wallpaperimage\t--fill-mode\tpad\t" + copy + "\n");
}

TEST_F(CommandsTest, OlderPlasmaGetsTheScript) {
  StandIn("plasma-apply-wallpaperimage", 0, "Usage: plasma-apply-wallpaperimage [options] image");
  StandIn("dbus-send");
  ASSERT_NE(Set("KDE", true), 0);
  const std::string copy = Copies().at(0);
  const std::string log = Log();
  EXPECT_NE(log.find("dbus-send\t--session\t--dest=org.kde.plasmashell\t"), std::string::npos) << log;
  EXPECT_NE(log.find("d.writeConfig('Image', 'file://" + copy + "')"), std::string::npos) << log;
  EXPECT_NE(log.find("d.writeConfig('FillMode', 3)"), std::string::npos) << log;
}

TEST_F(CommandsTest, AToolThatFailsOrIsMissingSetsNothing) {
  ASSERT_TRUE(WriteProfileStringA("Desktop", "wallpaper", "z:\\old.bmp"));
  StandIn("pcmanfm-qt", 1);
  EXPECT_EQ(Set("LXQt", true), 0);
  EXPECT_EQ(Set("LXDE", true), 0);  // no pcmanfm on PATH
  EXPECT_EQ(Set("KDE", true), 0);   // neither Plasma tool
  EXPECT_EQ(Recorded(), "z:\\old.bmp");
  EXPECT_TRUE(Copies().empty());
}

TEST_F(CommandsTest, ACopyThatCannotBeWrittenLeavesNothing) {
  ASSERT_TRUE(WriteProfileStringA("Desktop", "wallpaper", "z:\\old.bmp"));
  StandIn("pcmanfm-qt");
  struct Case {
    const char* name;
    void (*breakIt)(sys::Ops&);
  };
  const Case cases[] = {
      {"disk full", [](sys::Ops& o) { o.write = [](int, const void*, size_t) -> ssize_t { errno = ENOSPC; return -1; }; }},
      {"fsync fails", [](sys::Ops& o) { o.fsync = [](int) { errno = EIO; return -1; }; }},
      {"rename refused", [](sys::Ops& o) { o.renameNoReplace = [](const char*, const char*) { errno = EACCES; return -1; }; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      sys::ScopedOps scoped;
      c.breakIt(sys::ops());
      EXPECT_EQ(Set("LXQt", true), 0);
    }
    EXPECT_TRUE(Copies().empty());
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "log"));
    EXPECT_EQ(Recorded(), "z:\\old.bmp");
  }
}

TEST_F(CommandsTest, ARefusalIsPutDownToItsCause) {
  using desktop::Refusal;
  ScopedEnv display("DISPLAY", ""), wayland("WAYLAND_DISPLAY", "");
  static std::string lockedDir;  // Writable() is refused here
  struct Case {
    const char* desktop;
    std::vector<const char*> tools;  // stand-ins that exit 1
    std::string locked;
    Refusal refusal;
    const char* found;
    std::string what;
  };
  const std::string windir = (dir_.path() / "windows").string();
  const Case cases[] = {
      {"LXDE", {}, "", Refusal::ToolMissing, "LXDE", "pcmanfm"},
      {"KDE", {}, "", Refusal::ToolMissing, "KDE Plasma", "plasma-apply-wallpaperimage"},
      {"Hyprland", {}, "", Refusal::UnknownDesktop, "", "Hyprland"},
      {"LXQt", {"pcmanfm-qt"}, "", Refusal::Refused, "LXQt", ""},
      {"sway", {"swaymsg"}, (dir_.path() / "data/vok32").string(), Refusal::CopyNotWritable, "sway",
       (dir_.path() / "data/vok32").string()},
      {"sway", {"swaymsg"}, windir, Refusal::SettingsNotWritable, "sway", windir},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desktop + (" " + c.locked));
    for (const char* tool : c.tools) StandIn(tool, 1);
    EXPECT_EQ(Set(c.desktop, true), 0);
    ScopedEnv current("XDG_CURRENT_DESKTOP", c.desktop);
    sys::ScopedOps scoped;
    lockedDir = c.locked;
    sys::ops().open = [](const char* path, int flags, mode_t mode) {
      if ((flags & O_TMPFILE) == O_TMPFILE && lockedDir == path) {
        errno = EACCES;
        return -1;
      }
      return sys::realOps().open(path, flags, mode);
    };
    const desktop::WhyNot why = desktop::WhyNotShown(dos_);
    EXPECT_EQ(why.refusal, c.refusal);
    EXPECT_EQ(why.desktop, c.found);
    EXPECT_EQ(why.what, c.what);
    for (const char* tool : c.tools) std::filesystem::remove(dir_.path() / "bin" / tool);
  }
  dir_.Write("junk.bmp", "BM not a bitmap");
  EXPECT_EQ(desktop::WhyNotShown(*NativeToDos((dir_.path() / "junk.bmp").string())).refusal,
            Refusal::UnreadableBitmap);
}

TEST_F(CommandsTest, AToolsErrorOutputStaysOffTheTerminal) {
  const auto tool = dir_.path() / "bin" / "pcmanfm-qt";
  std::ofstream(tool) << "#!/bin/sh\necho 'pcmanfm-qt: cannot connect' >&2\nexit 1\n";
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Set("LXQt", true), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace vok
