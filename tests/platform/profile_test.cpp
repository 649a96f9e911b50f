#include "platform/profile.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/dospath.h"
#include "platform/sys.h"
#include "tests/memory_limit.h"
#include "tests/temp_dir.h"

namespace vok {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;

class ProfileTest : public ::testing::Test {
 protected:
  TempDir dir;
  ScopedEnv env{"VOK32_WINDIR", dir.str()};
  std::filesystem::path ini = dir.path() / "t.ini";

  std::string Get(const char* section, const char* key, const char* def = "DEF", DWORD size = 64,
                  DWORD* count = nullptr) {
    std::string buf(size + 4, '#');
    DWORD n = GetPrivateProfileStringA(section, key, def, buf.data(), size, "t.ini");
    if (count) *count = n;
    return buf.c_str();
  }
  // Files left in the directory besides the profile itself.
  std::vector<std::string> Strays() {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
      if (e.path() != ini) out.push_back(e.path().filename());
    return out;
  }
};

TEST_F(ProfileTest, ReadsValuesAsWindowsDoes) {
  dir.Write("t.ini",
            "; a comment\n"
            "top=before any section\n"
            "[Alpha]\n"
            "Key=value\n"
            "  spaced  =  in blanks \t \n"
            "noequals\n"
            "empty=\n"
            "quoted=\"  q  \"\n"
            "dup=first\n"
            "dup=second\n"
            "[ Beta Gamma ]\r\n"
            "k=crlf\r\n"
            "[alpha]\n"
            "later=in a second copy\n"
            "[Gamma\n"
            "x=section without bracket\n");
  struct Case {
    const char* section;
    const char* key;
    const char* want;
  } cases[] = {
      {"Alpha", "Key", "value"},
      {"ALPHA", "kEY", "value"},
      {"Alpha", "spaced", "in blanks"},
      {" Alpha ", " Key ", "value"},
      {"Alpha", "noequals", "DEF"},
      {"Alpha", "empty", ""},
      {"Alpha", "quoted", "  q  "},
      {"Alpha", "dup", "first"},
      {"Alpha", "later", "in a second copy"},
      {"beta gamma", "K", "crlf"},
      {"Alpha", "top", "DEF"},
      {"Alpha", "missing", "DEF"},
      {"Missing", "Key", "DEF"},
      {"Gamma", "x", "DEF"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Get(c.section, c.key), c.want) << c.section << " / " << c.key;
}

TEST_F(ProfileTest, CutsToTheBufferAndCountsWhatCameBack) {
  dir.Write("t.ini", "[s]\nk=abcdef\n");
  struct Case {
    DWORD size;
    const char* want;
    DWORD count;
  } cases[] = {{64, "abcdef", 6}, {7, "abcdef", 6}, {6, "abcde", 5}, {2, "a", 1}, {1, "", 0}};
  for (const Case& c : cases) {
    DWORD n = 99;
    EXPECT_EQ(Get("s", "k", "", c.size, &n), c.want) << c.size;
    EXPECT_EQ(n, c.count) << c.size;
  }
  // The default is cut the same way, and trailing blanks of it go.
  DWORD n = 0;
  EXPECT_EQ(Get("s", "none", "<none>  ", 4, &n), "<no");
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(Get("s", "none", "<none>  "), "<none>");
  EXPECT_EQ(Get("s", "none", nullptr), "");
  // A size of 0 writes nothing.
  char guard = '#';
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", &guard, 0, "t.ini"), 0u);
  EXPECT_EQ(guard, '#');
}

TEST_F(ProfileTest, NoSectionOrNoKeyListsTheNames) {
  dir.Write("t.ini", "[a]\nk=1\nnoequals\n[B]\n[A]\nj=2\n");
  auto list = [](const char* section, const char* key, DWORD size) {
    std::string buf(size, '#');
    DWORD n = GetPrivateProfileStringA(section, key, "", buf.data(), size, "t.ini");
    return std::make_pair(buf, n);
  };
  EXPECT_EQ(list(nullptr, nullptr, 16), std::make_pair(std::string("a\0B\0A\0\0#########", 16), 6u));
  EXPECT_EQ(list("A", nullptr, 16), std::make_pair(std::string("k\0j\0\0###########", 16), 4u));
  // Cut short: still ends in two NULs, and the count is size - 2.
  EXPECT_EQ(list(nullptr, nullptr, 4), std::make_pair(std::string("a\0\0\0", 4), 2u));
  EXPECT_EQ(list("none", nullptr, 4), std::make_pair(std::string("\0\0##", 4), 0u));
}

TEST_F(ProfileTest, MissingFileReadsTheDefault) {
  DWORD n = 0;
  EXPECT_EQ(Get("s", "k", "dflt", 64, &n), "dflt");
  EXPECT_EQ(n, 4u);
  EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(ProfileTest, IntegerReadTakesTheLeadingDecimalNumber) {
  dir.Write("win.ini",
            "[Desktop]\n"
            "a=123\nb=-1\nc=+7\nd=12abc\ne=abc\nf=\ng=  42  \nh=4294967292\ni=0x10\n");
  struct Case {
    const char* key;
    int want;
  } cases[] = {{"a", 123}, {"b", -1},  {"c", 7},  {"d", 12}, {"e", 0},   {"f", -5},
               {"g", 42},  {"h", -4}, {"i", 0},  {"missing", -5}};
  for (const Case& c : cases)
    EXPECT_EQ(static_cast<int>(GetProfileIntA("desktop", c.key, -5)), c.want) << c.key;
}

TEST_F(ProfileTest, WriteKeepsEveryOtherLineAsItWas) {
  const std::string before =
      "; hand-written\r\n"
      "[Other]\r\n"
      "x = 1 \r\n"
      "junk line\r\n"
      "\r\n"
      "[VOK32]\r\n"
      "  WindowSize = 1 2 3 4\r\n"
      "LZHFile=c:\\a.lzh\r\n"
      "\r\n"
      "[Last]\r\n"
      "y=2";
  dir.Write("t.ini", before);

  ASSERT_TRUE(WritePrivateProfileStringA("vok32", "windowsize", "5 6 7 8", "t.ini"));
  std::string want = before;
  want.replace(want.find("1 2 3 4"), 7, "5 6 7 8");
  want.replace(want.find(" = 5"), 4, " =5");
  EXPECT_EQ(ReadFile(ini), want);

  // A new key goes at the end of its section, before the blank line.
  ASSERT_TRUE(WritePrivateProfileStringA("VOK32", "New", "v", "t.ini"));
  want.replace(want.find("\r\n\r\n[Last]"), 0, "\r\nNew=v");
  EXPECT_EQ(ReadFile(ini), want);

  // A new section is appended, after the last line gains its terminator.
  ASSERT_TRUE(WritePrivateProfileStringA("Fresh", "k", "v", "t.ini"));
  want += "\r\n\r\n[Fresh]\r\nk=v\r\n";
  EXPECT_EQ(ReadFile(ini), want);

  EXPECT_EQ(Get("vok32", "WindowSize"), "5 6 7 8");
  EXPECT_EQ(Get("Other", "x"), "1");
  EXPECT_TRUE(Strays().empty());
}

TEST_F(ProfileTest, WriteCreatesDirectoryFileSectionAndKey) {
  TempDir home;
  ScopedEnv windir{"VOK32_WINDIR", (home.path() / "deep/er/win").string()};
  ASSERT_TRUE(WriteProfileStringA("Desktop", "TileWallpaper", "1"));
  EXPECT_EQ(ReadFile(home.path() / "deep/er/win/win.ini"), "[Desktop]\nTileWallpaper=1\n");
  ASSERT_TRUE(WriteProfileStringA("Desktop", "TileWallpaper", "0"));
  EXPECT_EQ(GetProfileIntA("Desktop", "TileWallpaper", -1), 0u);
  EXPECT_EQ(ReadFile(home.path() / "deep/er/win/win.ini"), "[Desktop]\nTileWallpaper=0\n");
}

TEST_F(ProfileTest, NullValueDeletesTheKeyAndNullKeyTheSection) {
  dir.Write("t.ini", "[a]\nk=1\nj=2\n[b]\nk=3\n[A]\nz=4\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "K", nullptr, "t.ini"));
  EXPECT_EQ(ReadFile(ini), "[a]\nj=2\n[b]\nk=3\n[A]\nz=4\n");
  ASSERT_TRUE(WritePrivateProfileStringA("A", nullptr, nullptr, "t.ini"));
  EXPECT_EQ(ReadFile(ini), "[b]\nk=3\n");
}

TEST_F(ProfileTest, ValuesAreBytesAsTheyStand) {
  const std::string path = "c:\\\x95\x5C\\\x83\x5C\x83\x74\x83\x67.lzh";  // 表\ソフト.lzh
  ASSERT_TRUE(WritePrivateProfileStringA("VOK32", "LZHFile", path.c_str(), "t.ini"));
  EXPECT_EQ(Get("VOK32", "LZHFile"), path);
  EXPECT_EQ(ReadFile(ini), "[VOK32]\nLZHFile=" + path + "\n");
}

TEST_F(ProfileTest, RefusesWritesThatWouldChangeOtherEntries) {
  const std::string before = "[s]\nk=old\n";
  dir.Write("t.ini", before);
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"s", "k", "new\n[t]\nx=injected"}, {"s", "k", "cr\r"}, {"s", "a=b", "v"},
      {"s", "[t]", "v"},                  {"s]x", "k", "v"},  {"", "k", "v"},
      {nullptr, "k", "v"},                {"s", "", "v"},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(WritePrivateProfileStringA(c.section, c.key, c.value, "t.ini")) << c.key;
  EXPECT_EQ(ReadFile(ini), before);
}

TEST_F(ProfileTest, FileNamedWithADirectoryIsUsedThere) {
  TempDir other;
  const std::string dos = *NativeToDos((other.path() / "Mine.INI").string());
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", dos.c_str()));
  EXPECT_EQ(ReadFile(other.path() / "Mine.INI"), "[s]\nk=v\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Mine.INI"));
  char buf[8];
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buf, sizeof buf, dos.c_str()), 1u);
  // A directory that is not there is not created for it.
  const std::string missing = *NativeToDos((other.path() / "no/such.ini").string());
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", missing.c_str()));
  EXPECT_FALSE(std::filesystem::exists(other.path() / "no"));
}

TEST(ProfileDirectory, FollowsTheEnvironment) {
  ScopedEnv home{"HOME", "/home/kim"};
  {
    ScopedEnv w{"VOK32_WINDIR", ""};
    ScopedEnv x{"XDG_CONFIG_HOME", "/cfg"};
    EXPECT_EQ(WindowsDirectory(), "/cfg/vok32");
  }
  {
    ScopedEnv w{"VOK32_WINDIR", ""};
    ScopedEnv x{"XDG_CONFIG_HOME", "relative"};
    EXPECT_EQ(WindowsDirectory(), "/home/kim/.config/vok32");
  }
  ScopedEnv w{"VOK32_WINDIR", "/elsewhere"};
  EXPECT_EQ(WindowsDirectory(), "/elsewhere");
}

// A write that fails at any step leaves the old file and no temporary file.
TEST_F(ProfileTest, FailedWriteLeavesTheOldFileWhole) {
  const std::string before = "[VOK32]\nWindowSize=1 2 3 4\n";
  struct Case {
    const char* what;
    void (*breakIt)(sys::Ops&);
  } cases[] = {
      {"write", [](sys::Ops& o) { o.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; }; }},
      {"short write", [](sys::Ops& o) { o.write = [](int, const void*, size_t) -> ssize_t { return 0; }; }},
      {"fsync", [](sys::Ops& o) { o.fsync = [](int) { return errno = EIO, -1; }; }},
      {"rename", [](sys::Ops& o) { o.rename = [](const char*, const char*) { return errno = EXDEV, -1; }; }},
  };
  for (const Case& c : cases) {
    dir.Write("t.ini", before);
    {
      sys::ScopedOps scoped;
      c.breakIt(sys::ops());
      EXPECT_FALSE(WritePrivateProfileStringA("VOK32", "WindowSize", "5 6 7 8", "t.ini")) << c.what;
    }
    EXPECT_EQ(ReadFile(ini), before) << c.what;
    EXPECT_TRUE(Strays().empty()) << c.what;
  }
}

TEST_F(ProfileTest, UnwritableDirectoryLeavesReadsWorking) {
  dir.Write("t.ini", "[VOK32]\nLZHFile=c:\\a.lzh\n");
  sys::ScopedOps scoped;
  sys::ops().open = [](const char* path, int flags, mode_t mode) {
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) return errno = EACCES, -1;
    return sys::realOps().open(path, flags, mode);
  };
  sys::ops().mkdir = [](const char*, mode_t) { return errno = EACCES, -1; };
  EXPECT_FALSE(WritePrivateProfileStringA("VOK32", "LZHFile", "c:\\b.lzh", "t.ini"));
  EXPECT_EQ(Get("VOK32", "LZHFile"), "c:\\a.lzh");
  // Nor can the directory itself be made: reads give the default, writes fail.
  ScopedEnv gone{"VOK32_WINDIR", (dir.path() / "absent").string()};
  EXPECT_EQ(Get("VOK32", "LZHFile", ""), "");
  EXPECT_FALSE(WritePrivateProfileStringA("VOK32", "LZHFile", "c:\\b.lzh", "t.ini"));
}

TEST_F(ProfileTest, FileThatCannotBeReadIsNeverReplaced) {
  std::filesystem::create_directory(ini);  // a directory where the file should be
  EXPECT_EQ(Get("s", "k"), "DEF");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", "t.ini"));
  EXPECT_TRUE(std::filesystem::is_directory(ini));
  EXPECT_TRUE(Strays().empty());
}

// A file the user made read-only is never rewritten, whoever runs the write.
TEST_F(ProfileTest, AReadOnlyFileIsRefused) {
  const std::string before = "[s]\nk=v\n";
  dir.Write("t.ini", before);
  std::filesystem::permissions(ini, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "w", "t.ini"));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "new", "x", "t.ini"));
  EXPECT_EQ(ReadFile(ini), before);
  EXPECT_EQ(Get("s", "k"), "v");
  EXPECT_TRUE(Strays().empty());
}

// Two processes writing different keys into one file keep every key.
TEST_F(ProfileTest, ConcurrentWritersLoseNoKey) {
  constexpr int kKeys = 200;
  pid_t pids[2];
  for (int w = 0; w < 2; ++w) {
    pids[w] = fork();
    ASSERT_GE(pids[w], 0);
    if (pids[w] == 0) {
      bool ok = true;
      for (int i = 0; i < kKeys; ++i) {
        std::string key = "w";
        key.append(std::to_string(w)).append("k").append(std::to_string(i));
        ok = WritePrivateProfileStringA("s", key.c_str(), "v", "t.ini") && ok;
      }
      _exit(ok ? 0 : 1);
    }
  }
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  int kept = 0;
  for (int w = 0; w < 2; ++w)
    for (int i = 0; i < kKeys; ++i) {
      std::string key = "w";
      key.append(std::to_string(w)).append("k").append(std::to_string(i));
      kept += Get("s", key.c_str()) == "v";
    }
  EXPECT_EQ(kept, 2 * kKeys);
  EXPECT_TRUE(Strays().empty());
}

// A write that cannot take the lock fails, leaving the file as it was.
TEST_F(ProfileTest, WriteThatCannotTakeTheLockFails) {
  const std::string before = "[s]\nk=v\n";
  dir.Write("t.ini", before);
  {
    sys::ScopedOps scoped;
    sys::ops().flock = [](int, int) { return errno = ENOLCK, -1; };
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "w", "t.ini"));
  }
  EXPECT_EQ(ReadFile(ini), before);
  EXPECT_TRUE(Strays().empty());
  {
    // Another writer holds the lock throughout; waiting costs no time here.
    const std::string lockPath = (dir.path() / ".t.ini.lock").string();
    int held = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    static int pauses = 0;
    pauses = 0;
    sys::ScopedOps scoped;
    sys::ops().nanosleep = [](const timespec*, timespec*) { return ++pauses, 0; };
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "w", "t.ini"));
    EXPECT_GT(pauses, 10);
    ::unlink(lockPath.c_str());
    ::close(held);
  }
  EXPECT_EQ(ReadFile(ini), before);
  EXPECT_TRUE(Strays().empty());
}

// A profile that is a symbolic link is written through to its target,
// whether the link is relative, absolute, chained or points to nothing yet.
TEST_F(ProfileTest, ALinkIsWrittenThroughToItsTarget) {
  namespace fs = std::filesystem;
  fs::create_directory(dir.path() / "real");
  struct Case {
    const char* what;
    void (*make)(const fs::path& root, const fs::path& link);
    const char* target;  // relative to root
    std::size_t filesInReal;
  } cases[] = {
      {"relative", [](const fs::path&, const fs::path& l) { fs::create_symlink("real/a.ini", l); }, "real/a.ini", 1},
      {"absolute", [](const fs::path& r, const fs::path& l) { fs::create_symlink(r / "real/b.ini", l); }, "real/b.ini", 2},
      {"chained", [](const fs::path& r, const fs::path& l) {
         fs::create_symlink("b.ini", r / "real/c.ini");
         fs::create_symlink("real/c.ini", l);
       }, "real/b.ini", 3},
  };
  for (const Case& c : cases) {
    fs::remove(ini);
    c.make(dir.path(), ini);
    EXPECT_TRUE(WritePrivateProfileStringA("s", c.what, "v", "t.ini")) << c.what;
    EXPECT_TRUE(fs::is_symlink(ini)) << c.what;
    EXPECT_NE(ReadFile(dir.path() / c.target).find(std::string(c.what) + "=v"), std::string::npos) << c.what;
    EXPECT_EQ(Get("s", c.what), "v") << c.what;
    EXPECT_EQ(Strays(), std::vector<std::string>{"real"}) << c.what;
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.path() / "real"), {})),
              c.filesInReal) << c.what;
  }
  // The chained write kept what the absolute one wrote to the same file.
  EXPECT_EQ(Get("s", "absolute"), "v");
  // A loop of links names no file: the write fails.
  fs::remove(ini);
  fs::create_symlink("t.ini", ini);
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", "t.ini"));
}

// A 16 MB file of nothing but line ends, the most a profile may be, is read
// and rewritten within a small multiple of its size.
TEST_F(ProfileTest, MemoryStaysWithinAFewTimesTheFileSize) {
  if (!testing::kCanCapMemory) GTEST_SKIP() << "no memory cap under a sanitizer";
  dir.Write("t.ini", std::string((16u << 20) - 64, '\n') + "[s]\nk=v\n");
  EXPECT_EQ(testing::RunWithin(96u << 20,
                               [&] {
                                 return Get("s", "k") == "v" &&
                                        WritePrivateProfileStringA("s", "k", "w", "t.ini") &&
                                        Get("s", "k") == "w";
                               }),
            "passed");
}

}  // namespace
}  // namespace vok
