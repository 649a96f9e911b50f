// vok32-lha as a user runs it: UTF-8 paths and names in, UTF-8 text out.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

#include "tests/archive/test_support.h"
#include "tests/temp_dir.h"
#include "tests/test_data.h"

namespace vok::testing {
namespace {

namespace fs = std::filesystem;

struct Output {
  int status;
  std::string text;
};

Output Cli(const fs::path& cwd, const std::string& args) {
  const std::string line =
      "cd '" + cwd.string() + "' && '" VOK32_LHA_EXE "' " + args + " 2>&1";
  Output o{-1, {}};
  FILE* p = popen(line.c_str(), "r");
  if (!p) return o;
  char buf[4096];
  while (size_t n = fread(buf, 1, sizeof buf, p)) o.text.append(buf, n);
  const int st = pclose(p);
  o.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return o;
}

TEST(Cli, ListsAndExtractsWithUtf8Names) {
  TempDir dir;
  const fs::path folder = dir.path() / "壁紙 集";
  fs::create_directories(folder);
  fs::copy_file(CorpusFile("jlha/jlha_sjis_h1_lh5.lzh"), folder / "日本.lzh");
  Output o = Cli(folder, "l '日本.lzh'");
  EXPECT_EQ(o.status, 0) << o.text;
  EXPECT_NE(o.text.find("表ソ能.txt"), std::string::npos) << o.text;
  o = Cli(folder, "e \"$PWD/日本.lzh\" 表ソ能.txt");
  EXPECT_EQ(o.status, 0) << o.text;
  EXPECT_TRUE(fs::exists(folder / "表ソ能.txt"));
}

TEST(Cli, FailsWithTheMessageAndAStatus) {
  TempDir dir;
  Output o = Cli(dir.path(), "l nothing.lzh");
  EXPECT_NE(o.status, 0);
  EXPECT_NE(o.text.find("書庫ファイルが見つかりません"), std::string::npos) << o.text;
  o = Cli(dir.path(), "e '" + CorpusFile("jlha/jlha_h1_lh5.lzh").string() +
                          "' nothing");
  EXPECT_NE(o.status, 0);
  EXPECT_NE(o.text.find("が見つかりません"), std::string::npos) << o.text;
  EXPECT_EQ(Cli(dir.path(), "").status, 2);
  EXPECT_EQ(Cli(dir.path(), "x a.lzh").status, 2);
  EXPECT_TRUE(Files(dir.path()).empty());
}

}  // namespace
}  // namespace vok::testing
