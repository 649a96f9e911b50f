// The archiver's entry points: the listing layout, what "e" writes and
// refuses, and the buffer contract.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "archive/listing.h"
#include "archive/unlha.h"
#include "platform/sys.h"
#include "tests/archive/test_support.h"
#include "tests/temp_dir.h"
#include "tests/test_data.h"

namespace vok::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kNames = fs::path(VOK32_ARCHIVES_DIR) / "names.lzh";

TEST(EntryPoints, PassTheReadinessCheck) {
  EXPECT_EQ(UnlhaGetRunning(), 0);
  EXPECT_GE(UnlhaGetVersion(), 26);
  EXPECT_NE(UnlhaSetCursorMode(1), 0);
  EXPECT_NE(UnlhaSetBackGroundMode(0), 0);
}

TEST(EntryPoints, RunningOnlyDuringACommand) {
  static BOOL seen = 0;
  seen = 0;
  {
    sys::ScopedOps restore;
    sys::ops().read = [](int fd, void* buf, size_t n) -> ssize_t {
      seen = seen || UnlhaGetRunning();
      return sys::realOps().read(fd, buf, n);
    };
    EXPECT_EQ(List(kNames).rc, 0);
  }
  EXPECT_NE(seen, 0);
  EXPECT_EQ(UnlhaGetRunning(), 0);
}

TEST(Listing, LayoutKeepsEveryMemberReachableFromItsRow) {
  const Outcome r = List(kNames);
  ASSERT_EQ(r.rc, 0) << Cp932ToUtf8(r.text);
  const auto lines = Lines(r.text);
  ASSERT_EQ(lines.size(), 3u + 4u + 2u);
  ASSERT_EQ(r.text.back(), '\n');
  for (const auto& l : lines) EXPECT_LE(l.size(), 78u) << Cp932ToUtf8(l);
  // Names with blanks, or from a folder, get '+' and a short name; a plain
  // name at the top of the archive keeps its own, a long one whole.
  EXPECT_EQ(RowNames(r.text), (std::vector<std::string>{"LONGFI~1.BMP", "VeryLongWallpaperName.BMP",
                                                        "SUNSET~1.BMP", "SUNSET.BMP"}));
  EXPECT_EQ(lines[3][0], '+');
  EXPECT_EQ(lines[4][0], ' ');
  EXPECT_EQ(lines[4].substr(0, 27), " VeryLongWallpaperName.BMP ");
  EXPECT_EQ(lines[5][0], '+');
  EXPECT_EQ(lines[6][0], ' ');
  // The size is inside the 27 bytes the view keeps.
  EXPECT_EQ(lines[6].substr(0, 27), " SUNSET.BMP              21");

  TempDir out;
  ScopedCwd cwd(out.path());
  for (const auto& name : RowNames(r.text)) {
    const Outcome e = Extract(kNames, name);
    EXPECT_EQ(e.rc, 0) << name << ": " << Cp932ToUtf8(e.text);
  }
  EXPECT_EQ(ReadFile(out.path() / "SUNSET.BMP"), "BM sunset at the top\n");
  EXPECT_EQ(ReadFile(out.path() / "SUNSET~1.BMP"), "BM sunset in a folder\n");
  EXPECT_EQ(ReadFile(out.path() / "LONGFI~1.BMP"), "BM long name with blanks\n");
}

TEST(Extract, AcceptsTheStoredNameAndWritesOnlyHere) {
  TempDir out;
  ScopedCwd cwd(out.path());
  // The full stored name works too; a folder part never becomes a folder.
  ASSERT_EQ(Extract(kNames, "VeryLongWallpaperName.BMP").rc, 0);
  ASSERT_EQ(Extract(kNames, "pics\\SUNSET.BMP").rc, 0);
  EXPECT_EQ(Files(out.path()), (std::set<std::string>{"VeryLongWallpaperName.BMP", "SUNSET.BMP"}));
  EXPECT_EQ(ReadFile(out.path() / "SUNSET.BMP"), "BM sunset in a folder\n");
  // Names match regardless of ASCII case, as on DOS.
  TempDir out2;
  ScopedCwd cwd2(out2.path());
  ASSERT_EQ(Extract(kNames, "longfi~1.bmp").rc, 0);
  EXPECT_EQ(Files(out2.path()), std::set<std::string>{"longfi~1.bmp"});
}

TEST(Extract, HostileStoredNamesStayInTheCurrentDirectory) {
  TempDir root;
  const fs::path out = root.path() / "a" / "b";
  fs::create_directories(out);
  ScopedCwd cwd(out);
  const fs::path archive = CorpusFile("crafted/pathtraversal_sjis_h0_lh0.lzh");
  const Outcome l = List(archive);
  ASSERT_EQ(l.rc, 0);
  for (const auto& name : RowNames(l.text)) EXPECT_EQ(Extract(archive, name).rc, 0) << name;
  EXPECT_EQ(Extract(archive, "..\\..\\evil.txt").rc, 0);
  EXPECT_EQ(Extract(archive, "C:\\abs\\x.txt").rc, 0);
  EXPECT_EQ(Files(out), (std::set<std::string>{"evil.txt", "x.txt", "表ソ.TXT"}));
  EXPECT_EQ(Files(root.path()), std::set<std::string>{"a"});
  EXPECT_EQ(Files(root.path() / "a"), std::set<std::string>{"b"});
}

TEST(Extract, ShiftJisNamesWithBackslashTrailBytesSurvive) {
  // ソ is 83 5C, 能 is 94 5C, 表 is 95 5C: the trail byte is a backslash.
  const std::string name = "\x95\x5c\x83\x5c\x94\x5c.txt";
  for (const char* level : {"h0", "h1", "h2"}) {
    const fs::path archive = CorpusFile(std::string("jlha/jlha_sjis_") + level + "_lh5.lzh");
    const Outcome l = List(archive);
    ASSERT_EQ(l.rc, 0) << level;
    const auto rows = RowNames(l.text);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], name) << level;
    TempDir out;
    ScopedCwd cwd(out.path());
    const Outcome e = Extract(archive, name);
    ASSERT_EQ(e.rc, 0) << level << Cp932ToUtf8(e.text);
    EXPECT_EQ(Files(out.path()), std::set<std::string>{"表ソ能.txt"}) << level;
  }
}

TEST(Extract, ShiftJisFolderNamesAreNotSplitInsideACharacter) {
  // ソフト\表示.BMP: the folder's first trail byte and the name's are 0x5C.
  TempDir src;
  src.Write("ソフト/表示.BMP", "BMx");
  src.Write("能力.BMP", "BMyy");
  ASSERT_TRUE(Shell(src.path(),
                    "LC_ALL=C.UTF-8 java -Dlha.encoding=MS932 -jar /usr/share/java/jlhafrontend.jar"
                    " c1 s.lzh ソフト/表示.BMP 能力.BMP"));
  const fs::path archive = src.path() / "s.lzh";
  const Outcome l = List(archive);
  ASSERT_EQ(l.rc, 0);
  const std::string hyouji = J("表示.BMP"), folder = J("ソフト");
  EXPECT_EQ(RowNames(l.text), (std::vector<std::string>{hyouji, J("能力.BMP")}));
  EXPECT_NE(Lines(l.text)[3].find(folder + "\\" + hyouji), std::string::npos)
      << Cp932ToUtf8(l.text);
  TempDir out;
  ScopedCwd cwd(out.path());
  ASSERT_EQ(Extract(archive, folder + "\\" + hyouji).rc, 0);
  ASSERT_EQ(Extract(archive, J("能力.BMP")).rc, 0);
  EXPECT_EQ(Files(out.path()), (std::set<std::string>{"表示.BMP", "能力.BMP"}));
  EXPECT_EQ(ReadFile(out.path() / "表示.BMP"), "BMx");
}

TEST(Extract, ClashingAndOddNamesGetShortNamesOfTheirOwn) {
  std::vector<std::pair<std::string, std::string>> members;
  for (int i = 0; i < 40; ++i) members.push_back({"A.BMP", "copy " + std::to_string(i)});
  members.push_back({"a.bmp", "lower case"});
  members.push_back({"with blank.bmp", "blank"});
  members.push_back({std::string("ctl\x01\r\n.bmp"), "control"});
  members.push_back({"\xff\xfe.bmp", "not cp932"});
  TempDir dir;
  const fs::path archive = dir.Write("odd.lzh", Level0Archive(members));
  const Outcome l = List(archive);
  ASSERT_EQ(l.rc, 0) << Cp932ToUtf8(l.text);
  const auto rows = RowNames(l.text);
  ASSERT_EQ(rows.size(), members.size());
  EXPECT_EQ(rows[0], "A.BMP");
  std::set<std::string> distinct;
  for (const auto& r : rows) {
    EXPECT_TRUE(distinct.insert(LowerCp932(r)).second) << r;
    EXPECT_LE(r.size(), 12u) << r;
  }
  TempDir out;
  ScopedCwd cwd(out.path());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(Extract(archive, rows[i]).rc, 0) << rows[i];
    EXPECT_EQ(ReadFile(out.path() / *Cp932ToUtf8Strict(rows[i])), members[i].second) << rows[i];
  }
  EXPECT_EQ(Files(out.path()).size(), members.size());
}

TEST(Extract, AnExistingFileIsNeverReplaced) {
  TempDir out;
  ScopedCwd cwd(out.path());
  // Same bytes under another case: the file is already there, so success.
  out.Write("sunset.bmp", "BM sunset at the top\n");
  Outcome e = Extract(kNames, "SUNSET.BMP");
  EXPECT_EQ(e.rc, 0) << Cp932ToUtf8(e.text);
  EXPECT_EQ(Files(out.path()), std::set<std::string>{"sunset.bmp"});
  // Different bytes: refused, naming the file that is in the way.
  out.Write("sunset~1.bmp", "mine");
  e = Extract(kNames, "SUNSET~1.BMP");
  EXPECT_NE(e.rc, 0);
  EXPECT_NE(e.text.find(J("同じ名前の別のファイル")), std::string::npos) << Cp932ToUtf8(e.text);
  EXPECT_NE(e.text.find("sunset~1.bmp"), std::string::npos);
  EXPECT_EQ(ReadFile(out.path() / "sunset~1.bmp"), "mine");
  // Same size, different bytes: found only by comparing.
  out.Write("LONGFI~1.BMP", std::string(25, 'x'));
  EXPECT_NE(Extract(kNames, "LONGFI~1.BMP").rc, 0);
  EXPECT_EQ(ReadFile(out.path() / "LONGFI~1.BMP"), std::string(25, 'x'));
  // A folder of that name is in the way too.
  fs::create_directory(out.path() / "VERYLO~1.BMP");
  EXPECT_NE(Extract(kNames, "VERYLO~1.BMP").rc, 0);
  EXPECT_EQ(Files(out.path()),
            (std::set<std::string>{"sunset.bmp", "sunset~1.bmp", "LONGFI~1.BMP", "VERYLO~1.BMP"}));
  // Two files differ from the name only in case: neither is meant, none written.
  TempDir two;
  ScopedCwd inTwo(two.path());
  two.Write("Sunset.bmp", "BM sunset at the top\n");
  two.Write("sunset.bmp", "mine");
  e = Extract(kNames, "SUNSET.BMP");
  EXPECT_NE(e.rc, 0);
  EXPECT_NE(e.text.find(J("大文字・小文字だけが違うファイルがいくつも")), std::string::npos)
      << Cp932ToUtf8(e.text);
  EXPECT_EQ(Files(two.path()), (std::set<std::string>{"Sunset.bmp", "sunset.bmp"}));
  EXPECT_EQ(ReadFile(two.path() / "sunset.bmp"), "mine");
}

TEST(Extract, AFailedWriteLeavesNothing) {
  const fs::path archive = CorpusFile("jlha/jlha_h1_lh5.lzh");
  struct Case {
    const char* what;
    void (*install)();
  };
  const Case cases[] = {
      {"disk full", [] {
         sys::ops().write = [](int, const void*, size_t) -> ssize_t {
           errno = ENOSPC;
           return -1;
         };
       }},
      {"naming refused", [] {
         sys::ops().linkat = [](int, const char*, int, const char*, int) {
           errno = EACCES;
           return -1;
         };
       }},
      {"cannot create", [] {
         sys::ops().open = [](const char* path, int flags, mode_t mode) {
           if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
             errno = EACCES;
             return -1;
           }
           return sys::realOps().open(path, flags, mode);
         };
       }},
  };
  for (const Case& c : cases) {
    TempDir out;
    ScopedCwd cwd(out.path());
    sys::ScopedOps restore;
    c.install();
    const Outcome e = Extract(archive, "gpl-2");
    EXPECT_NE(e.rc, 0) << c.what;
    EXPECT_NE(e.text.find(J("書き込めません")), std::string::npos) << c.what << Cp932ToUtf8(e.text);
    EXPECT_TRUE(Files(out.path()).empty()) << c.what;
  }
}

// An extraction killed halfway (kill -9) leaves nothing in the folder.
TEST(Extract, AKilledExtractionLeavesNothing) {
  TempDir out;
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(out.path().c_str()) != 0) _exit(1);
    sys::ops().write = [](int fd, const void* p, size_t n) -> ssize_t {
      const ssize_t w = sys::realOps().write(fd, p, n);
      raise(SIGKILL);
      return w;
    };
    Extract(CorpusFile("jlha/jlha_h1_lh5.lzh"), "gpl-2");
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_TRUE(Files(out.path()).empty());
}

TEST(Extract, RefusalsExplainThemselves) {
  TempDir out;
  ScopedCwd cwd(out.path());
  const fs::path bmp = out.Write("NOTLZH.BMP", "BM\x36\x00\x00\x00 not an archive");
  const fs::path empty = out.Write("EMPTY.LZH", "");
  // An icon starts with a zero byte, as an empty archive's end mark does.
  const fs::path icon = out.Write("ICON.LZH", std::string("\0\0\1\0\1\0\x10\x10", 8));
  const fs::path zeros = out.Write("ZEROS.LZH", std::string(2, '\0'));
  std::string zzz = Level0Archive({{"A.BMP", "data"}});
  zzz.replace(2, 5, "-zzz-");
  zzz[1] = static_cast<char>(zzz[1] - ('l' + 'h' + '0') + ('z' + 'z' + 'z'));  // header sum
  const fs::path unknown = out.Write("ZZZ.LZH", zzz);
  struct Case {
    std::string command;
    const char* message;
  };
  const Case cases[] = {
      {"", "コマンドが正しくありません"},
      {"x " + Dos(kNames), "コマンドが正しくありません"},
      {"e " + Dos(kNames), "コマンドが正しくありません"},
      {"l " + Dos(out.path() / "none.lzh"), "書庫ファイルが見つかりません"},
      {"l q:\\none.lzh", "書庫ファイルが見つかりません"},
      {"l " + Dos(out.path()), "書庫ファイルが見つかりません"},
      {"l " + Dos(bmp), "ＬＺＨ書庫ではありません"},
      {"l " + Dos(empty), "ＬＺＨ書庫ではありません"},
      {"l " + Dos(icon), "ＬＺＨ書庫ではありません"},
      {"l " + Dos(zeros), "ＬＺＨ書庫ではありません"},
      {"l " + Dos(unknown), "対応していない圧縮方式 -zzz-"},
      {"e " + Dos(unknown) + " A.BMP", "対応していない圧縮方式 -zzz-"},
      {"e " + Dos(kNames) + " NOSUCH.BMP", "が見つかりません"},
      {"e " + Dos(CorpusFile("jlha/jlha_h2_lh3.lzh")) + " gpl-2", "対応していない圧縮方式"},
      {"e " + Dos(CorpusFile("lhasa/regression/dir.lzh")) + " dir", "フォルダです"},
      {"e " + Dos(CorpusFile("lhasa/morphos_lha_2717/h2_huge.lzh")) + " zero.bin", "4GB"},
      {"l " + Dos(CorpusFile("crafted/truncated_in_header_h2_lh5.lzh")), "壊れています"},
      {"e " + Dos(CorpusFile("crafted/crc_corrupt_data_h1_lh0.lzh")) + " gpl-2", "壊れています"},
  };
  WriteGuard guard;
  for (const Case& c : cases) {
    const Outcome r = Unlha(c.command);
    EXPECT_NE(r.rc, 0) << c.command;
    EXPECT_NE(r.text.find(J(c.message)), std::string::npos)
        << c.command << " -> " << Cp932ToUtf8(r.text);
  }
  EXPECT_EQ(Files(out.path()), (std::set<std::string>{"NOTLZH.BMP", "EMPTY.LZH", "ICON.LZH",
                                                      "ZEROS.LZH", "ZZZ.LZH"}));
  // Only the end mark and nothing after it is an archive with no members.
  EXPECT_EQ(List(out.Write("NONE.LZH", std::string(1, '\0'))).rc, 0);
}

TEST(Extract, ARelativePathFailsWhenTheCurrentDirectoryIsGone) {
  TempDir dir;
  fs::create_directory(dir.path() / "gone");
  ScopedCwd cwd(dir.path() / "gone");
  fs::remove(dir.path() / "gone");
  const Outcome r = Unlha("l x.lzh");
  EXPECT_NE(r.rc, 0);
  EXPECT_NE(r.text.find(J("今のディレクトリがありません")), std::string::npos) << Cp932ToUtf8(r.text);
}

// Re-extracting a member whose very bytes are already there needs no room:
// it succeeds on a full disk, and nothing is written.
TEST(Extract, AnIdenticalFileAlreadyThereNeedsNoRoom) {
  TempDir out;
  ScopedCwd cwd(out.path());
  ASSERT_EQ(Extract(kNames, "SUNSET.BMP").rc, 0);
  const std::string before = ReadFile(out.path() / "SUNSET.BMP");
  sys::ScopedOps restore;
  sys::ops().write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
  const Outcome e = Extract(kNames, "SUNSET.BMP");
  EXPECT_EQ(e.rc, 0) << Cp932ToUtf8(e.text);
  EXPECT_EQ(Files(out.path()), std::set<std::string>{"SUNSET.BMP"});
  EXPECT_EQ(ReadFile(out.path() / "SUNSET.BMP"), before);
}

TEST(Extract, AnUnreadableArchiveSaysSo) {
  sys::ScopedOps restore;
  sys::ops().open = [](const char*, int, mode_t) {
    errno = EACCES;
    return -1;
  };
  const Outcome r = List(kNames);
  EXPECT_NE(r.rc, 0);
  EXPECT_NE(r.text.find(J("読み込めません")), std::string::npos) << Cp932ToUtf8(r.text);
}

TEST(Extract, ArchivePathMayHoldBlanks) {
  TempDir dir;
  const fs::path folder = dir.path() / "my wall papers";
  fs::create_directories(folder / "out");
  fs::copy_file(kNames, folder / "names.lzh");
  ScopedCwd cwd(folder / "out");
  const Outcome e = Extract(folder / "names.lzh", "SUNSET.BMP");
  EXPECT_EQ(e.rc, 0) << Cp932ToUtf8(e.text);
  EXPECT_TRUE(fs::exists(folder / "out" / "SUNSET.BMP"));
  // DOS paths resolve regardless of case, as earlier versions stored them lower-cased.
  EXPECT_EQ(Unlha("l " + LowerCp932(Dos(folder / "names.lzh"))).rc, 0);
}

class ManyMembers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    std::string names;
    for (int i = 0; i < 250; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "W%03d.BMP", i);
      dir_->Write(name, std::string("BM") + name);
      names += std::string(" ") + name;
    }
    ASSERT_TRUE(Shell(dir_->path(), "jlha c1o5 many.lzh" + names));
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static fs::path Archive() { return dir_->path() / "many.lzh"; }
  static TempDir* dir_;
};
TempDir* ManyMembers::dir_ = nullptr;

TEST_F(ManyMembers, ListsWhatTheTableHoldsAndCountsTheRest) {
  const Outcome r = List(Archive());
  ASSERT_EQ(r.rc, 0);
  const auto lines = Lines(r.text);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kMaxEntries));
  EXPECT_EQ(RowNames(r.text).back(), "W199.BMP");
  EXPECT_NE(lines.back().find("250"), std::string::npos) << Cp932ToUtf8(lines.back());
  EXPECT_NE(lines.back().find(J("50 ファイルは省略")), std::string::npos)
      << Cp932ToUtf8(lines.back());
}

TEST_F(ManyMembers, NeverWritesPastTheBufferGiven) {
  const std::string command = "l " + Dos(Archive());
  for (DWORD size : {0u, 1u, 50u, 400u, 700u, 3000u, 16400u}) {
    std::vector<char> buffer(size + 64, '\x7f');
    const int rc = ::Unlha(nullptr, command.c_str(), buffer.data(), size);
    for (DWORD i = size; i < size + 64; ++i) ASSERT_EQ(buffer[i], '\x7f') << size;
    if (size == 0) continue;
    const std::size_t len = strnlen(buffer.data(), size);
    ASSERT_LT(len, size) << "not terminated at size " << size;
    if (rc != 0) continue;
    // What fits, then the two trailer lines with the count left out.
    const auto lines = Lines(std::string(buffer.data(), len));
    const std::size_t shown = lines.size() - 5;
    EXPECT_NE(lines.back().find(J("（") + std::to_string(250 - shown) + J(" ファイルは省略")),
              std::string::npos)
        << size << ": " << Cp932ToUtf8(lines.back());
  }
}

}  // namespace
}  // namespace vok::testing

namespace vok::testing {
namespace {

TEST(Sample, HoldsThreeBitmapsThatExtract) {
  const std::filesystem::path sample = VOK32_SAMPLE_ARCHIVE;
  const Outcome l = List(sample);
  ASSERT_EQ(l.rc, 0) << Cp932ToUtf8(l.text);
  const auto names = RowNames(l.text);
  EXPECT_EQ(names, (std::vector<std::string>{"SUNSET.BMP", "SEA.BMP", "NIGHT.BMP"}));
  TempDir out;
  ScopedCwd cwd(out.path());
  for (const auto& n : names) {
    ASSERT_EQ(Extract(sample, n).rc, 0) << n;
    EXPECT_EQ(ReadFile(out.path() / n).substr(0, 2), "BM") << n;
  }
}

}  // namespace
}  // namespace vok::testing
