#include "client/dclient.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "archive/unlha.h"
#include "client/texts.h"
#include "desktop/wallpaper.h"
#include "platform/codepage.h"
#include "platform/dospath.h"
#include "platform/profile.h"
#include "platform/sys.h"
#include "settings/settings.h"
#include "tests/client/fake_ui.h"
#include "tests/temp_dir.h"
#include "tests/test_data.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::CorpusFile;
using testing::FakeUi;
using testing::ReadFile;
using testing::ScopedCwd;
using testing::ScopedEnv;
using testing::TempDir;
using testing::TestData;

// What the user sees, as the fake logs it.
std::string Box(UINT style, const std::string& caption, const std::string& text) {
  return "box " + std::to_string(style) + " [" + caption + "] " + text;
}
std::string NotBmpOrLzh(const std::string& path) {
  return Box(16, "＜ エラー情報 ＞", "＜ " + path + " ＞\n\nBMP 又は LZH ﾌｧｲﾙを指定して下さい。");
}
std::string ExtractQuestion(const std::string& name) {
  return Box(36, name, "壁紙を解凍＆変更しますか？");
}
std::string NotABitmap(const std::string& name) {
  return Box(16, name, "BMPﾌｧｲﾙではありませんね？\nでも解凍しましたよ。");
}
std::string CannotChange(const std::string& path) { return Box(16, path, "壁紙を変更できませんでした。"); }
std::string DeleteQuestion(const std::string& path) {
  return Box(36, path, "前に表示していたBMPﾌｧｲﾙを削除しますか？");
}
std::string CannotDelete(const std::string& path) {
  return Box(16, path, "BMPﾌｧｲﾙが削除できませんでした。");
}
const std::string kOpenFirst = Box(16, "エラー情報", "まず最初にＬＺＨファイルをオープンして下さい。");
const std::string kSelectFirst =
    Box(16, "エラー情報", "ＢＭＰファイルを指定してください｡\n\nマウスの左ダブルクリックでも変更できます。");

// A 2x2 24-bit bitmap; the shade tells copies apart.
std::string TinyBmp(std::uint8_t shade) {
  std::string b;
  auto u16 = [&](std::uint16_t v) { b += char(v & 0xFF), b += char(v >> 8); };
  auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  b += "BM";
  u32(70), u32(0), u32(54);
  u32(40), u32(2), u32(2), u16(1), u16(24), u32(0), u32(16), u32(2835), u32(2835), u32(0), u32(0);
  for (int row = 0; row < 2; ++row) b += std::string(6, char(shade)) + std::string(2, '\0');
  return b;
}

std::string Dos(const fs::path& p) { return *NativeToDos(p.string()); }      // CP932
std::string DosU(const fs::path& p) { return Cp932ToUtf8(Dos(p)); }          // for asserts

std::string WinIni(const char* key) {
  char buf[1024] = {};
  GetProfileStringA("Desktop", key, "(missing)", buf, sizeof buf);
  return Cp932ToUtf8(buf);
}

// Archives made once for the whole suite with jlha, copied into each test.
class Archives {
 public:
  static const Archives& Get() {
    static Archives a;
    return a;
  }
  fs::path pics, longName;
  std::string sunset = TinyBmp(0x40), night = TinyBmp(0x80), dawn = TinyBmp(0xC0);
  // Stored under a long name; the archiver lists and extracts it by its alias.
  static constexpr const char* kLongMember = "LONG_WALLPAPER_NAME_01.BMP";
  static constexpr const char* kLongShown = kLongMember;

 private:
  Archives() {
    dir_.Write("src/SUNSET.BMP", sunset);
    dir_.Write("src/NIGHT.BMP", night);
    dir_.Write("src/README.TXT", "not a picture\n");
    dir_.Write("src/dawn.bmp", dawn);
    dir_.Write(std::string("src/") + kLongMember, sunset);
    pics = dir_.path() / "pics.lzh";
    longName = dir_.path() / "long.lzh";
    Jlha(pics, "SUNSET.BMP NIGHT.BMP README.TXT dawn.bmp");
    Jlha(longName, kLongMember);
  }
  void Jlha(const fs::path& out, const std::string& files) {
    std::string cmd = "cd '" + (dir_.path() / "src").string() + "' && jlha c1o5 '" + out.string() +
                      "' " + files + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 || !fs::exists(out)) ADD_FAILURE() << "jlha failed: " << cmd;
  }
  TempDir dir_;
};

// The row whose line yields the member name, or -1.
int RowOf(const DClient& c, const std::string& member) {
  for (int i = 0; i < c.EntryCount; ++i) {
    char name[32] = {};
    MemberNameFromText(c.Entries[i].Text, name, sizeof name);
    if (member == name) return i;
  }
  return -1;
}

class Client : public ::testing::Test {
 protected:
  void SetUp() override {
    SetWallpaperBackendForTesting([this](const std::string& native, bool tiled) {
      desktop.push_back(native + (tiled ? " tiled" : " centred"));
      return desktopAccepts;
    });
    ASSERT_TRUE(client.Create());
  }
  void TearDown() override { SetWallpaperBackendForTesting({}); }

  fs::path Put(const std::string& rel, const std::string& bytes) { return data.Write(rel, bytes); }
  fs::path PutArchive(const std::string& rel, const fs::path& from) {
    fs::path to = data.path() / rel;
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to);
    return to;
  }
  void SetWallpaperEntry(const std::string& dos) {
    WriteProfileStringA("Desktop", "wallpaper", dos.c_str());
  }

  // Opens an archive through the dialog and forgets what that showed.
  void Open(const fs::path& archive) {
    ui.dialogFile = archive;
    client.CmFileOpen();
    ASSERT_EQ(client.ArchiveOpen, 1) << ::testing::PrintToString(ui.log);
    ui.log.clear();
  }
  int RowOf(const std::string& member) { return vok::RowOf(client, member); }
  int YOf(int row) { return (row - kFirstDataRow - ui.scroll) * ui.lineHeight; }
  void Select(const std::string& member) {
    int row = RowOf(member);
    ASSERT_GE(row, kFirstDataRow) << member;
    client.EvLButtonDown(YOf(row));
    ui.log.clear();
  }

  // Made on first use: jlha is slow to start.
  static const Archives& Arc() { return Archives::Get(); }
  TempDir win, data;
  ScopedEnv windir{"VOK32_WINDIR", win.str()};
  ScopedCwd cwd{data.path()};
  std::vector<std::string> desktop;
  bool desktopAccepts = true;
  FakeUi ui;
  DClient client{ui};
};

TEST_F(Client, HelpIsTheFixedUsageTextAndAboutRunsTheDialog) {
  const std::string& help = texts::HelpText();
  EXPECT_EQ(help.size(), 718u);
  EXPECT_EQ(std::count(help.begin(), help.end(), '\n'), 14);
  EXPECT_EQ(help.find('\r'), std::string::npos);
  EXPECT_NE(help.back(), '\n');

  client.CmHelp();
  client.CmAbout();
  EXPECT_THAT(ui.log, ElementsAre(Box(0, "ＶＯＫの使い方", Cp932ToUtf8(help))));
  EXPECT_EQ(ui.aboutRuns, 1);
}

TEST_F(Client, CreateBuildsTheFileDialogData) {
  const FileDialogData& d = *client.FileData;
  EXPECT_EQ(d.Flags, 0x1004u);
  EXPECT_EQ(Cp932ToUtf8(d.Filter),
            "VOKﾌｧｲﾙ(*.lzh,*.bmp)|*.lzh;*.bmp|全てのﾌｧｲﾙ(*.*)|*.*|LZHﾌｧｲﾙ(*.lzh)|*.lzh|"
            "BMPﾌｧｲﾙ(*.bmp)|*.bmp|");
  EXPECT_EQ(d.FilterIndex, 0);
  EXPECT_EQ(d.InitialDir, "");
  EXPECT_EQ(d.DefExt, "lzh");
  EXPECT_EQ(d.FileName, "");
}

TEST_F(Client, ExitReturnsToTheStartDirectoryAndSavesTheFrameUnlessMinimized) {
  struct Case {
    bool minimized;
    bool startGone;  // the exit goes on without a word
  } cases[] = {{false, false}, {true, false}, {false, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(::testing::Message() << k.minimized << k.startGone);
    TempDir here;
    fs::create_directories(here.path() / "Start Dir");
    ScopedEnv ownWin("VOK32_WINDIR", here.str());
    ScopedCwd start(here.path() / "Start Dir");
    FakeUi u;
    DClient c(u);
    EXPECT_EQ(Cp932ToUtf8(c.StartDir), DosU(here.path() / "Start Dir").substr(3));
    EXPECT_EQ(c.StartDrive, 26);

    fs::current_path(data.path());
    if (k.startGone) fs::remove(here.path() / "Start Dir");
    u.minimized = k.minimized;
    c.CmExit();
    EXPECT_EQ(fs::current_path(), k.startGone ? data.path() : here.path() / "Start Dir");
    EXPECT_EQ(ReadWindowSize(), k.minimized ? std::nullopt : std::optional(u.frame));
    EXPECT_EQ(u.closed, 1);
    EXPECT_THAT(u.log, IsEmpty());
  }
}

// The path is kept as recorded; only the status shows it lower-cased.
TEST_F(Client, StatusShowsTheWallpaperNameAndModeInLowerCase) {
  struct Case {
    const char* wallpaper;  // nullptr: no entry
    const char* tile;
    const char* status;
    const char* path;
  } cases[] = {
      {nullptr, nullptr, "<none>:並べて表示中", "<none>"},
      {"C:\\WINDOWS\\Setup.BMP", "0", "setup.bmp:中央に表示中", "C:\\WINDOWS\\Setup.BMP"},
      {"C:\\WINDOWS\\Setup.BMP", "1", "setup.bmp:並べて表示中", "C:\\WINDOWS\\Setup.BMP"},
      {"C:\\WINDOWS\\Setup.BMP", nullptr, "setup.bmp:並べて表示中", "C:\\WINDOWS\\Setup.BMP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    WriteProfileStringA("Desktop", "wallpaper", c.wallpaper);
    WriteProfileStringA("Desktop", "TileWallpaper", c.tile);
    ui.log.clear();
    client.ShowWallpaperStatus();
    EXPECT_THAT(ui.log, ElementsAre(std::string("status ") + c.status));
    EXPECT_STREQ(client.WallpaperPath, c.path);
  }

  // Recorded by another program, too long for the field: not kept cut.
  const std::string tooLong = "c:\\" + std::string(300, 'd') + "\\pic.bmp";
  WriteProfileStringA("Desktop", "wallpaper", tooLong.c_str());
  client.ShowWallpaperStatus();
  EXPECT_STREQ(client.WallpaperPath, "");
}

TEST_F(Client, CentreAndTileWriteTheModeAndSetTheWallpaperAgain) {
  const fs::path old = Put("Walls/Old.BMP", TinyBmp(1));
  struct Case {
    void (DClient::*command)();
    bool accepted;
    const char* tile;
  } cases[] = {
      {&DClient::CmCenter, true, "0"},
      {&DClient::CmTile, true, "1"},
      {&DClient::CmCenter, false, "0"},
      {&DClient::CmTile, false, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tile) + (c.accepted ? " accepted" : " refused"));
    SetWallpaperEntry(Dos(old));
    WriteProfileStringA("Desktop", "TileWallpaper", c.tile[0] == '0' ? "1" : "0");
    client.ShowWallpaperStatus();
    const int modeBefore = client.TileMode;
    ui.log.clear();
    desktop.clear();
    desktopAccepts = c.accepted;

    (client.*c.command)();

    EXPECT_EQ(WinIni("TileWallpaper"), c.tile);  // written whatever follows
    const bool tiled = c.tile[0] == '1';
    EXPECT_THAT(desktop, ElementsAre(old.string() + (tiled ? " tiled" : " centred")));
    if (c.accepted) {
      EXPECT_THAT(ui.log, ElementsAre(std::string("status old.bmp:") +
                                      (tiled ? "並べて表示中" : "中央に表示中")));
      EXPECT_EQ(WinIni("wallpaper"), DosU(old));
    } else {
      EXPECT_THAT(ui.log, ElementsAre(CannotChange(DosU(old))));
      EXPECT_EQ(client.TileMode, modeBefore);
      EXPECT_EQ(WinIni("wallpaper"), DosU(old));
    }
  }
}

// The desktop took the picture but win.ini could not record it: the message
// says so, rather than that the wallpaper did not change.
TEST_F(Client, AWallpaperShownButNotRecordedSaysSo) {
  const fs::path old = Put("Walls/Old.BMP", TinyBmp(1));
  const fs::path chosen = Put("Walls/New.BMP", TinyBmp(2));
  SetWallpaperEntry(Dos(old));
  client.ShowWallpaperStatus();
  ui.log.clear();
  // Respelt since by another program, so that setting it again must write.
  const std::string respelt = LowerCp932(Dos(old));
  SetWallpaperEntry(respelt);
  sys::ScopedOps restore;
  SetWallpaperBackendForTesting([this](const std::string& native, bool) {
    desktop.push_back(native);
    sys::ops().rename = [](const char*, const char*) { return errno = EROFS, -1; };
    return true;
  });
  const std::string notRecorded = "壁紙は変わりましたが、win.ini に記録できませんでした。\n"
                                  "次に起動したときは前の壁紙の名前を表示します。";
  client.CmCenter();
  EXPECT_THAT(ui.log, ElementsAre(Box(16, DosU(old), notRecorded)));
  ui.log.clear();
  sys::ops().rename = sys::realOps().rename;
  ui.dialogFile = chosen;
  client.CmFileOpen();
  EXPECT_THAT(ui.log, ElementsAre("dialog", Box(16, DosU(chosen), notRecorded), "paint erase"));
  EXPECT_EQ(desktop.size(), 2u);
  EXPECT_EQ(WinIni("wallpaper"), Cp932ToUtf8(respelt));
}

TEST_F(Client, RestoreAtStartFollowsTheStoredFile) {
  const fs::path bmp = Put("Sub/Pic.bmp", TinyBmp(1));
  const fs::path archive = PutArchive("Sub/Pics.LZH", Arc().pics);
  const std::string gone = LowerCp932(Dos(data.path() / "Sub" / "gone.lzh"));
  const std::string tooLong = "z:\\" + std::string(272, 'a') + ".lzh";  // only by hand
  struct Case {
    const char* name;
    std::string stored;
    int open;
    std::vector<std::string> log;
    fs::path cwd;
  } cases[] = {
      {"nothing stored", "", 0, {"paint erase"}, data.path()},
      {"a bitmap", LowerCp932(Dos(bmp)), 0, {}, data.path() / "Sub"},
      {"a vanished archive", gone, 0,
       {"beep", NotBmpOrLzh(Cp932ToUtf8(gone)), "paint erase"}, data.path() / "Sub"},
      {"an archive", LowerCp932(Dos(archive)), 1, {"paint erase"}, data.path() / "Sub"},
      {"an archive stored with its case", Dos(archive), 1, {"paint erase"}, data.path() / "Sub"},
      {"a path too long to hold", tooLong, 0, {"beep", NotBmpOrLzh(tooLong), "paint erase"},
       data.path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedCwd back(data.path());
    WritePrivateProfileStringA("VOK32", "LZHFile", c.stored.empty() ? nullptr : c.stored.c_str(),
                               "vok32.ini");
    FakeUi u;
    DClient fresh(u);
    fresh.RestoreLastArchive();
    EXPECT_EQ(fresh.ArchiveOpen, c.open);
    EXPECT_EQ(u.log, c.log);
    EXPECT_EQ(fs::current_path(), c.cwd);
    EXPECT_THAT(desktop, IsEmpty());
    if (c.open) {
      EXPECT_EQ(fresh.EntryCount, 4 + 5);
      EXPECT_EQ(fresh.ArchivePath, c.stored);
    }
    if (c.stored.size() >= MAX_PATH) {
      EXPECT_STREQ(fresh.ArchivePath, "");  // never cut
    }
  }
}

TEST_F(Client, OpeningAFileActsByItsType) {
  const fs::path bmp = Put("Pics/SUNSET.BMP", TinyBmp(1));
  const fs::path text = Put("Pics/Notes.txt", "words\n");
  const fs::path fake = Put("Pics/Fake.lzh", "not an archive at all\n");
  const fs::path archive = PutArchive("Pics/Pics.lzh", Arc().pics);
  struct Case {
    const char* name;
    fs::path chosen;
    bool desktopTakesIt;
    int open;
    std::vector<std::string> log;
  } cases[] = {
      {"a bitmap in upper case", bmp, true, 0,
       {"dialog", "status sunset.bmp:並べて表示中", "paint erase"}},
      {"a bitmap the desktop refuses", bmp, false, 0,
       {"dialog", "beep", NotBmpOrLzh(DosU(bmp)), "paint erase"}},
      {"another type", text, true, 0, {"dialog", "beep", NotBmpOrLzh(DosU(text)), "paint erase"}},
      {"a damaged archive", fake, true, 0,
       {"dialog", "beep", NotBmpOrLzh(DosU(fake)), "paint erase"}},
      {"an archive", archive, true, 1, {"dialog", "paint erase"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui.log.clear();
    desktop.clear();
    desktopAccepts = c.desktopTakesIt;
    ui.dialogFile = c.chosen;
    client.CmFileOpen();
    EXPECT_EQ(ui.log, c.log);
    EXPECT_EQ(client.ArchiveOpen, c.open);
    // Kept and stored with the case it has on disk, whatever the type.
    EXPECT_EQ(Cp932ToUtf8(client.ArchivePath), DosU(c.chosen));
    EXPECT_EQ(Cp932ToUtf8(ReadLzhFile()), DosU(c.chosen));
    if (c.chosen == bmp) {
      EXPECT_THAT(desktop, ElementsAre(bmp.string() + " tiled"));
    }
  }
  EXPECT_EQ(WinIni("wallpaper"), DosU(bmp));
}

// On a disk that tells case apart, a sibling whose name differs only in case
// is another file: the one chosen or written is the one acted on.
TEST_F(Client, ASiblingDifferingOnlyInCaseIsNeverTheFileActedOn) {
  const fs::path sea = Put("Walls/SEA.BMP", TinyBmp(1));
  const fs::path other = Put("Walls/sea.bmp", TinyBmp(2));
  ui.dialogFile = sea;
  client.CmFileOpen();
  EXPECT_EQ(WinIni("wallpaper"), DosU(sea));
  ui.log.clear();
  client.CmCenter();
  EXPECT_THAT(ui.log, ElementsAre("status sea.bmp:中央に表示中"));
  ASSERT_EQ(desktop.size(), 2u);
  EXPECT_EQ(desktop[0].rfind(sea.string() + " ", 0), 0u) << desktop[0];
  EXPECT_EQ(desktop[1], sea.string() + " centred");

  const fs::path chosen = PutArchive("Pics/a.lzh", Arc().pics);
  PutArchive("pics/a.lzh", Arc().longName);
  Open(chosen);
  EXPECT_GE(RowOf("SUNSET.BMP"), kFirstDataRow);
  Select("SUNSET.BMP");
  ui.answers = {IDYES, IDYES};
  client.CmExtract();
  EXPECT_THAT(ui.log, ::testing::Contains(DeleteQuestion(DosU(sea))));
  EXPECT_FALSE(fs::exists(sea));
  EXPECT_EQ(ReadFile(other), TinyBmp(2));
  EXPECT_EQ(ReadFile(data.path() / "Pics/SUNSET.BMP"), Arc().sunset);
  EXPECT_FALSE(fs::exists(data.path() / "pics/SUNSET.BMP"));
  EXPECT_EQ(WinIni("wallpaper"), DosU(data.path() / "Pics/SUNSET.BMP"));
}

// A path kept in lower case by an earlier version that now matches several
// files once case is ignored, and none exactly, names none of them.
TEST_F(Client, AStoredPathMatchingSeveralFilesByCaseActsOnNone) {
  const fs::path upper = Put("walls/SEA.BMP", TinyBmp(1));
  const fs::path mixed = Put("walls/Sea.bmp", TinyBmp(2));
  const std::string stored = Dos(data.path() / "walls") + "\\sea.bmp";
  const std::string ambiguous = Box(16, Cp932ToUtf8(stored),
                                    "大文字と小文字だけが違うファイルがいくつもあり、"
                                    "どれのことか決められません。\n何も変更・削除していません。");
  SetWallpaperEntry(stored);
  client.ShowWallpaperStatus();
  ui.log.clear();
  client.CmCenter();
  EXPECT_THAT(ui.log, ElementsAre(ambiguous));
  EXPECT_THAT(desktop, IsEmpty());

  Open(PutArchive("Pics/pics.lzh", Arc().pics));
  Select("SUNSET.BMP");
  ui.answers = {IDYES, IDYES};
  client.CmExtract();
  ASSERT_GE(ui.log.size(), 4u);
  EXPECT_EQ(ui.log[2], DeleteQuestion(Cp932ToUtf8(stored)));
  EXPECT_EQ(ui.log[3], ambiguous);
  EXPECT_EQ(ReadFile(upper), TinyBmp(1));
  EXPECT_EQ(ReadFile(mixed), TinyBmp(2));
}

TEST_F(Client, TheDialogGetsItsDataEvenWhenCreateWasSkipped) {
  FakeUi u;
  DClient fresh(u);
  u.dialogResult = IDCANCEL;
  fresh.CmFileOpen();
  EXPECT_THAT(u.log, ElementsAre("dialog", "paint erase"));
  ASSERT_NE(fresh.FileData, nullptr);
  EXPECT_EQ(fresh.FileData->DefExt, "lzh");
}

TEST_F(Client, DialogStartsInTheLastFilesDirectoryAndCancelClosesTheListing) {
  const fs::path archive = PutArchive("Pics/pics.lzh", Arc().pics);
  Open(archive);
  Select("NIGHT.BMP");
  fs::current_path(data.path());

  ui.dialogResult = IDCANCEL;
  client.CmFileOpen();
  EXPECT_EQ(ui.dialogCwds.back(), data.path() / "Pics");
  EXPECT_THAT(ui.log, ElementsAre("dialog", "paint erase"));
  EXPECT_EQ(client.ArchiveOpen, 0);
  EXPECT_EQ(Cp932ToUtf8(client.ArchivePath), DosU(archive));
  EXPECT_EQ(client.Entries[RowOf("NIGHT.BMP")].Selected, 1);

  ui.log.clear();
  client.CmExtract();
  EXPECT_THAT(ui.log, ElementsAre("beep", kOpenFirst));
}

TEST_F(Client, AChosenPathTooLongToHoldIsRefusedNotCut) {
  const fs::path archive = PutArchive("Pics/pics.lzh", Arc().pics);
  Open(archive);
  const std::string lzhFile = ReadLzhFile();
  const std::string chosen = Dos(data.path()) + "\\" + std::string(300 - Dos(data.path()).size(), 'x') + ".lzh";
  ui.dialogDos = chosen;
  client.CmFileOpen();
  EXPECT_THAT(ui.log, ElementsAre("dialog", "beep", NotBmpOrLzh(chosen), "paint erase"));
  EXPECT_EQ(client.ArchiveOpen, 0);
  EXPECT_EQ(Cp932ToUtf8(client.ArchivePath), DosU(archive));
  EXPECT_EQ(ReadLzhFile(), lzhFile);
}

TEST_F(Client, PressesSelectOneDataRowAndMissesBeep) {
  client.EvLButtonDown(0);  // nothing open: silent
  client.EvRButtonDown(0);
  EXPECT_THAT(ui.log, IsEmpty());

  Open(PutArchive("pics.lzh", Arc().pics));  // rows 3-6 are data
  auto selected = [&] {
    std::vector<int> rows;
    for (int i = 0; i < kMaxEntries; ++i)
      if (client.Entries[i].Selected) rows.push_back(i);
    return rows;
  };
  struct Step {
    bool left;
    int y, scroll;
    std::vector<int> selected;
    const char* heard;
  } steps[] = {
      {true, 16, 0, {4}, "paint keep"},
      {true, 4 * 16, 0, {4}, "beep"},  // the trailer
      {true, 15, 2, {5}, "paint keep"},
      {true, 16, 2, {6}, "paint keep"},
      {false, 0, 0, {}, "paint keep"},
      {false, 4 * 16 + 15, 0, {}, "beep"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.y);
    ui.log.clear();
    ui.scroll = s.scroll;
    s.left ? client.EvLButtonDown(s.y) : client.EvRButtonDown(s.y);
    EXPECT_THAT(ui.log, ElementsAre(s.heard));
    EXPECT_EQ(selected(), s.selected);
  }
}

TEST_F(Client, ExtractRefusesWithoutAListingOrASelectedName) {
  client.CmExtract();
  EXPECT_THAT(ui.log, ElementsAre("beep", kOpenFirst));

  Open(PutArchive("pics.lzh", Arc().pics));
  client.EvLButtonDblClk();  // no row selected
  EXPECT_THAT(ui.log, ElementsAre("beep", kSelectFirst));

  // A selected line yielding no name would extract every member; it is
  // refused like no selection.
  for (const char* text : {"+", "   ", "+  "}) {
    SCOPED_TRACE(text);
    ui.log.clear();
    std::strcpy(client.Entries[4].Text, text);
    client.Entries[4].Selected = 1;
    client.CmExtract();
    EXPECT_THAT(ui.log, ElementsAre("beep", kSelectFirst));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(data.path()), fs::directory_iterator()), 1);
}

TEST_F(Client, DoubleClickOutsideTheRowsExtractsTheSelectedLineAndNoKeepsIt) {
  Open(PutArchive("pics.lzh", Arc().pics));
  Select("NIGHT.BMP");
  client.EvLButtonDown(YOf(client.EntryCount - 1));  // the double click's first press
  ui.answers = {IDNO};
  client.EvLButtonDblClk();
  EXPECT_THAT(ui.log, ElementsAre("beep", "beep", ExtractQuestion("NIGHT.BMP")));
  EXPECT_FALSE(fs::exists(data.path() / "NIGHT.BMP"));
  EXPECT_EQ(client.Entries[RowOf("NIGHT.BMP")].Selected, 1);
}

TEST_F(Client, MembersThatAreNotUpperCaseBitmapsAreExtractedAndReported) {
  struct Case {
    fs::path archive;
    const char* member;
    std::string bytes;
  } cases[] = {
      {Arc().pics, "README.TXT", "not a picture\n"},
      {Arc().pics, "dawn.bmp", Arc().dawn},
      {CorpusFile("jlha/jlha_h1_lh5.lzh"), "gpl-2", ReadFile(TestData("texts/GPL-2"))},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    const fs::path dir = data.path() / std::to_string(n++);
    Open(PutArchive(dir.filename().string() + "/a.lzh", c.archive));
    Select(c.member);
    ui.answers = {IDYES};
    client.CmExtract();
    EXPECT_THAT(ui.log, ElementsAre("beep", ExtractQuestion(c.member), NotABitmap(c.member),
                                    "paint erase"));
    EXPECT_EQ(ReadFile(dir / c.member), c.bytes);
    EXPECT_EQ(client.Entries[RowOf(c.member)].Selected, 0);
    EXPECT_THAT(desktop, IsEmpty());
    ui.log.clear();
  }
}

TEST_F(Client, AFailedExtractShowsTheArchiversTextAndKeepsTheLine) {
  const fs::path dir = data.path() / "bad";
  Open(PutArchive("bad/crc.lzh", CorpusFile("crafted/crc_corrupt_data_h1_lh0.lzh")));
  Select("gpl-2");
  ui.answers = {IDYES};
  client.CmExtract();
  ASSERT_EQ(ui.log.size(), 4u);
  EXPECT_EQ(ui.log[2], "beep");
  EXPECT_THAT(ui.log[3], ::testing::StartsWith(Box(16, "＜ ＬＨＡエラー情報 ＞", "")));
  EXPECT_GT(ui.log[3].size(), Box(16, "＜ ＬＨＡエラー情報 ＞", "").size());
  EXPECT_EQ(client.Entries[RowOf("gpl-2")].Selected, 1);
  EXPECT_FALSE(fs::exists(dir / "gpl-2"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(Client, ARefusedWallpaperLeavesTheStatusAndDeselectsTheLine) {
  SetWallpaperEntry("c:\\old.bmp");
  client.ShowWallpaperStatus();
  const fs::path archive = PutArchive("Pics/pics.lzh", Arc().pics);
  Open(archive);
  Select("SUNSET.BMP");
  desktopAccepts = false;
  ui.answers = {IDYES};
  client.CmExtract();
  const std::string newPath = DosU(data.path() / "Pics") + "\\SUNSET.BMP";
  EXPECT_THAT(ui.log, ElementsAre("beep", ExtractQuestion("SUNSET.BMP"), CannotChange(newPath)));
  EXPECT_EQ(ReadFile(data.path() / "Pics/SUNSET.BMP"), Arc().sunset);
  EXPECT_EQ(client.Entries[RowOf("SUNSET.BMP")].Selected, 0);
  EXPECT_STREQ(client.WallpaperPath, "c:\\old.bmp");
  EXPECT_EQ(WinIni("wallpaper"), "c:\\old.bmp");
}

TEST_F(Client, ThePreviousWallpaperIsDeletedOnlyOnYesAndNeverWhenItIsTheNewOne) {
  struct Case {
    const char* name;
    const char* file;   // made before the start, under the test's directory
    const char* entry;  // [Desktop] wallpaper, spelt under that directory; nullptr: none
    int answer;
    bool asked;
    bool deleteFails;
  } cases[] = {
      {"another file, yes", "old/old.bmp", "old/old.bmp", IDYES, true, false},
      {"another file, no", "old/old.bmp", "old/old.bmp", IDNO, true, false},
      {"a vanished file, yes", nullptr, "old/old.bmp", IDYES, true, true},
      {"no wallpaper", nullptr, nullptr, IDYES, true, true},
      // The member lands on the wallpaper itself (same bytes, so the
      // archiver keeps the file), named in other case.
      {"the new one", "a/pics/SUNSET.BMP", "A/PICS/sunset.bmp", IDYES, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir here;
    ScopedCwd inHere(here.path());
    const fs::path archive = here.path() / "a/pics/pics.lzh";
    fs::create_directories(archive.parent_path());
    fs::copy_file(Arc().pics, archive);
    if (c.file) here.Write(c.file, fs::path(c.file).filename() == "SUNSET.BMP" ? Arc().sunset : TinyBmp(7));
    std::string entry = c.entry ? Dos(here.path()) + "\\" + c.entry : "";
    std::replace(entry.begin(), entry.end(), '/', '\\');
    WriteProfileStringA("Desktop", "wallpaper", c.entry ? entry.c_str() : nullptr);

    FakeUi u;
    DClient cl(u);
    ASSERT_TRUE(cl.Create());
    cl.ShowWallpaperStatus();
    u.dialogFile = archive;
    cl.CmFileOpen();
    ASSERT_EQ(cl.ArchiveOpen, 1);
    const int row = vok::RowOf(cl, "SUNSET.BMP");
    ASSERT_GE(row, kFirstDataRow);
    cl.EvLButtonDown((row - kFirstDataRow) * u.lineHeight);
    u.log.clear();
    u.answers = {IDYES};
    if (c.asked) u.answers.push_back(c.answer);

    cl.CmExtract();

    const std::string shownPrevious = c.entry ? Cp932ToUtf8(entry) : "<none>";
    std::vector<std::string> want = {"beep", ExtractQuestion("SUNSET.BMP")};
    if (c.asked) want.push_back(DeleteQuestion(shownPrevious));
    if (c.deleteFails) want.push_back(CannotDelete(shownPrevious));
    want.push_back("status sunset.bmp:並べて表示中");
    want.push_back("paint erase");
    EXPECT_EQ(u.log, want);
    if (c.file) {
      EXPECT_EQ(fs::exists(here.path() / c.file), !(c.asked && c.answer == IDYES));
    }
    EXPECT_EQ(ReadFile(here.path() / "a/pics/SUNSET.BMP"), Arc().sunset);
  }
}

// Runs `during` while the archiver lists `archive`, so the library reports
// itself in use as it would to another task.
void WhileArchiverBusy(const fs::path& archive, const std::function<void()>& during) {
  static const std::function<void()>* pending;
  static int (*realOpen)(const char*, int, mode_t);
  sys::ScopedOps restore;
  realOpen = sys::ops().open;
  pending = &during;
  sys::ops().open = [](const char* path, int flags, mode_t mode) {
    if (const auto* fn = std::exchange(pending, nullptr)) (*fn)();
    return realOpen(path, flags, mode);
  };
  std::vector<char> out(kListingBufferSize);
  const std::string command = "l " + Dos(archive);
  Unlha(nullptr, command.c_str(), out.data(), static_cast<DWORD>(out.size()));
  EXPECT_EQ(pending, nullptr) << "the archiver opened nothing";
}

const std::string kInUse = Box(16, "＜ ＬＨＡエラー情報 ＞", "現在，他のタスクで使用中です。");

TEST_F(Client, ABusyArchiverRefusesTheChosenFileAndWritesNothing) {
  const fs::path busy = PutArchive("busy.lzh", Arc().pics);
  ui.dialogFile = Put("Pics/SUNSET.BMP", TinyBmp(1));
  WhileArchiverBusy(busy, [&] { client.CmFileOpen(); });
  EXPECT_THAT(ui.log, ElementsAre("dialog", "beep", kInUse));
  EXPECT_EQ(ReadLzhFile(), "");
  EXPECT_THAT(desktop, IsEmpty());
  EXPECT_EQ(client.ArchiveOpen, 0);

  // At start the same check passes a stored archive over without a listing.
  ui.log.clear();
  WriteLzhFile(Dos(busy));
  WhileArchiverBusy(busy, [&] { client.RestoreLastArchive(); });
  EXPECT_THAT(ui.log, ElementsAre("beep", kInUse));
  EXPECT_EQ(client.ArchiveOpen, 0);
}

TEST_F(Client, ExtractionUsesTheListedArchiveAfterARefusedCheck) {
  const fs::path listed = PutArchive("A/pics.lzh", Arc().pics);
  const fs::path other = PutArchive("B/Other.lzh", Arc().pics);
  Open(listed);
  Select("SUNSET.BMP");
  // Another archive chosen while the library is busy: refused, its path
  // kept and its directory current, the first listing still shown.
  ui.dialogFile = other;
  WhileArchiverBusy(other, [&] { client.CmFileOpen(); });
  ASSERT_THAT(ui.log, ElementsAre("dialog", "beep", kInUse));
  ASSERT_EQ(Cp932ToUtf8(client.ArchivePath), DosU(other));
  ASSERT_EQ(client.ArchiveOpen, 1);
  ASSERT_EQ(fs::current_path(), other.parent_path());

  ui.log.clear();
  ui.answers = {IDYES, IDNO};
  client.CmExtract();
  EXPECT_EQ(ReadFile(data.path() / "A/SUNSET.BMP"), Arc().sunset);
  EXPECT_FALSE(fs::exists(data.path() / "B/SUNSET.BMP"));
  EXPECT_EQ(WinIni("wallpaper"), DosU(data.path() / "A") + "\\SUNSET.BMP");
  EXPECT_THAT(desktop, ElementsAre((data.path() / "A/SUNSET.BMP").string() + " tiled"));
}

TEST_F(Client, LongAndDoubleBytePathsWorkWholeAndOverlongOnesAreRefused) {
  const std::string member = Archives::kLongShown;
  const std::string base = Dos(data.path());
  // A directory path whose archive path is exactly 259 bytes, and one that
  // leaves room for the member's name in the wallpaper path.
  auto deepDir = [&](std::size_t archiveLen) {
    fs::path d = data.path();
    std::size_t len = base.size();
    const std::size_t target = archiveLen - std::string("\\long.lzh").size();
    while (len < target) {
      std::size_t part = std::min<std::size_t>(60, target - len - 1);
      d /= std::string(part, 'd');
      len += part + 1;
    }
    return d;
  };
  struct Case {
    const char* name;
    fs::path dir;
    bool fits;
  } cases[] = {
      {"a deep directory", deepDir(MAX_PATH - 1 - 30), true},
      {"a trail byte 0x5C and a blank", data.path() / "壁紙 表", true},
      {"an archive path of 259 bytes", deepDir(MAX_PATH - 1), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path archive = c.dir / "long.lzh";
    fs::create_directories(c.dir);
    fs::copy_file(Arc().longName, archive, fs::copy_options::overwrite_existing);
    ASSERT_LE(Dos(archive).size(), std::size_t(MAX_PATH - 1));
    Open(archive);
    Select(member);
    SetWallpaperEntry("c:\\old.bmp");
    client.ShowWallpaperStatus();
    ui.log.clear();
    ui.answers = {IDYES, IDNO};
    client.CmExtract();

    const std::string newPath = DosU(c.dir) + "\\" + member;
    std::vector<std::string> want = {"beep", ExtractQuestion(member)};
    if (c.fits) {
      want.insert(want.end(), {DeleteQuestion("c:\\old.bmp"),
                               "status long_wallpaper_name_01.bmp:並べて表示中", "paint erase"});
    } else {
      want.push_back(CannotChange(newPath));
    }
    EXPECT_EQ(ui.log, want);
    EXPECT_EQ(ReadFile(c.dir / member), Arc().sunset);
    EXPECT_EQ(WinIni("wallpaper"), c.fits ? newPath : "c:\\old.bmp");
    ui.log.clear();
    desktop.clear();
  }
}

TEST_F(Client, AStoredArchiveWithoutDirectoryExtractsIntoTheCurrentOne) {
  const fs::path archive = PutArchive("Here/pics.lzh", Arc().pics);
  fs::current_path(archive.parent_path());
  WritePrivateProfileStringA("VOK32", "LZHFile", "pics.lzh", "vok32.ini");
  client.RestoreLastArchive();
  ASSERT_EQ(client.ArchiveOpen, 1);
  Select("NIGHT.BMP");
  fs::current_path(data.path());  // the listing still names the archive it shows
  ui.answers = {IDYES, IDNO};
  client.CmExtract();
  EXPECT_EQ(ReadFile(archive.parent_path() / "NIGHT.BMP"), Arc().night);
  EXPECT_EQ(WinIni("wallpaper"), DosU(archive.parent_path()) + "\\NIGHT.BMP");
}

TEST_F(Client, EnteringADirectoryKeepsTheRootWhole) {
  struct Case {
    std::string path;
    fs::path cwd;
  } cases[] = {
      {"z:\\pics.lzh", "/"},
      {LowerCp932(Dos(data.path())) + "\\x.lzh", data.path()},
      {"pics.lzh", data.path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ScopedCwd back(data.path());
    fs::current_path(data.path());
    client.EnterFileDirectory(c.path);
    EXPECT_EQ(fs::current_path(), c.cwd);
  }
}

// The main use from start to the deleted previous wallpaper.
TEST_F(Client, MainUseFromStartToNewWallpaper) {
  const fs::path old = Put("Walls/Old.bmp", TinyBmp(9));
  const fs::path archive = PutArchive("My Pics/Spring.LZH", Arc().pics);
  SetWallpaperEntry(Dos(old));
  WriteProfileStringA("Desktop", "TileWallpaper", "0");
  WriteLzhFile(Dos(archive));
  const std::string vokIni = ReadFile(win.path() / "vok32.ini");

  client.SetupWindow();
  EXPECT_THAT(ui.log, ElementsAre("status old.bmp:中央に表示中", "paint erase"));
  EXPECT_EQ(client.ArchiveOpen, 1);
  EXPECT_EQ(fs::current_path(), archive.parent_path());

  ui.log.clear();
  client.EvLButtonDown(YOf(RowOf("SUNSET.BMP")));
  ui.answers = {IDYES, IDYES};
  client.EvLButtonDblClk();

  const std::string newPath = DosU(archive.parent_path()) + "\\SUNSET.BMP";
  EXPECT_THAT(ui.log, ElementsAre("paint keep", "beep", ExtractQuestion("SUNSET.BMP"),
                                  DeleteQuestion(DosU(old)), "status sunset.bmp:中央に表示中",
                                  "paint erase"));
  EXPECT_EQ(Cp932ToUtf8(ui.status), "sunset.bmp:中央に表示中");
  EXPECT_THAT(desktop, ElementsAre((archive.parent_path() / "SUNSET.BMP").string() + " centred"));
  EXPECT_EQ(WinIni("wallpaper"), newPath);
  EXPECT_EQ(WinIni("TileWallpaper"), "0");
  EXPECT_EQ(Cp932ToUtf8(client.WallpaperPath), DosU(archive.parent_path() / "SUNSET.BMP"));
  EXPECT_EQ(ReadFile(win.path() / "vok32.ini"), vokIni) << ::testing::PrintToString(ui.log);
  EXPECT_FALSE(fs::exists(old));
  EXPECT_EQ(ReadFile(archive.parent_path() / "SUNSET.BMP"), Arc().sunset);
  EXPECT_EQ(client.ArchiveOpen, 1);
  EXPECT_EQ(client.Entries[RowOf("SUNSET.BMP")].Selected, 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(archive.parent_path()), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace vok

namespace vok {
namespace {

// Hand-edited garbage in both profile files, then a settings directory that
// refuses every write: the client still starts, shows what it can, and the
// files keep every byte they had.
TEST_F(Client, GarbageProfilesAndAnUnwritableDirectoryLoseNothing) {
  const fs::path archive = PutArchive("Pics/Pics.lzh", Arc().pics);
  const std::string junk = std::string("\x00\xFF\x81[VOK32\n=\n", 11) + std::string(5000, 'x') + "\n";
  const std::string vokIni = junk + "[vok32]\r\nLZHFile = " + Dos(archive) + " \r\nWindowSize=1 2 x\n" + junk;
  const std::string winIni = junk + "[Desktop]\nwallpaper=" + std::string(400, 'w') + "\nTileWallpaper=zz\n";
  win.Write("vok32.ini", vokIni);
  win.Write("win.ini", winIni);

  sys::ScopedOps restore;
  sys::ops().rename = [](const char*, const char*) {
    errno = EACCES;
    return -1;
  };
  sys::ops().renameNoReplace = sys::realOps().renameNoReplace;  // extraction still may write

  client.SetupWindow();
  // An entry too long for its field is not shown cut; the restored archive lists.
  EXPECT_EQ(client.ArchiveOpen, 1) << ::testing::PrintToString(ui.log);
  EXPECT_THAT(ui.log, ::testing::Contains(::testing::StartsWith("status ")));
  EXPECT_EQ(ReadWindowSize(), std::nullopt);  // "1 2 x" has fewer than four numbers

  // Commands that write settings fail quietly and keep the files whole.
  ui.dialogFile = archive;
  client.CmFileOpen();
  client.CmCenter();
  EXPECT_EQ(client.ArchiveOpen, 1);
  client.CmExit();
  EXPECT_EQ(ReadFile(win.path() / "vok32.ini"), vokIni) << ::testing::PrintToString(ui.log);
  EXPECT_EQ(ReadFile(win.path() / "win.ini"), winIni);
  for (const auto& e : fs::directory_iterator(win.path()))
    EXPECT_TRUE(e.path().filename() == "vok32.ini" || e.path().filename() == "win.ini") << e.path();
}

}  // namespace
}  // namespace vok
