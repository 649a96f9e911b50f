// Every corpus archive cut at each header boundary, cut inside its data, and
// with bits flipped: the archiver must end each command with a clear message
// or a whole file, never crash or hang, and never leave a partial file or
// write anywhere but the current directory.
#include <gtest/gtest.h>

#include "archive/lzh_archive.h"
#include "tests/archive/damage_variants.h"
#include "tests/archive/test_support.h"
#include "tests/temp_dir.h"
#include "tests/test_data.h"

namespace vok::testing {
namespace {

namespace fs = std::filesystem;

// Larger members would only slow the sweep; the intact corpus test covers them.
constexpr std::uint64_t kLargestExtracted = 2 << 20;

std::vector<std::string> DirEntries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A failed command must explain itself in readable Japanese text.
void ExpectClearMessage(const Outcome& r, const std::string& what) {
  EXPECT_FALSE(r.text.empty()) << what;
  EXPECT_TRUE(Cp932ToUtf8Strict(r.text).has_value()) << what;
}

TEST(DamagedArchives, FailCleanlyAndLeaveNothingBehind) {
  const auto files = CorpusFiles();
  ASSERT_GT(files.size(), 250u);
  TempDir t;
  const fs::path in = t.path() / "in", out = t.path() / "out";
  fs::create_directories(in);
  fs::create_directories(out);
  ScopedCwd cwd(out);
  std::mt19937 rng(932);
  int variants = 0, listed = 0, extracted = 0, refused = 0;

  for (const fs::path& file : files) {
    lzh::Archive intact;
    if (lzh::Scan(file.string(), &intact) != lzh::Status::Ok) continue;
    const std::string bytes = ReadFile(file);
    for (const std::string& damaged : Damaged(bytes, intact, rng)) {
      const std::string what = file.filename().string() + " variant " + std::to_string(variants++);
      const fs::path arc = in / "a.lzh";
      t.Write("in/a.lzh", damaged);

      const Outcome l = List(arc);
      if (l.rc != 0) {
        ExpectClearMessage(l, what);
        continue;
      }
      ++listed;
      lzh::Archive seen;
      const bool scanned = lzh::Scan(arc.string(), &seen) == lzh::Status::Ok;
      const auto names = RowNames(l.text);
      for (std::size_t i = 0; i < names.size(); ++i) {
        if (scanned && i < seen.members.size() && seen.members[i].length > kLargestExtracted) continue;
        const auto before = DirEntries(out);
        const Outcome e = Extract(arc, names[i]);
        const auto after = DirEntries(out);
        if (e.rc == 0) {
          ++extracted;
          EXPECT_LE(after.size(), before.size() + 1) << what;
        } else {
          ++refused;
          ExpectClearMessage(e, what);
          EXPECT_EQ(after, before) << what << ": a failed extract left a file";
        }
      }
      EXPECT_EQ(DirEntries(in), std::vector<std::string>{"a.lzh"}) << what;
      EXPECT_EQ(DirEntries(t.path()), (std::vector<std::string>{"in", "out"})) << what;
      for (const auto& name : DirEntries(out)) fs::remove(out / name);
    }
  }
  // The sweep must really have reached both ends of the archiver.
  EXPECT_GT(listed, 100);
  EXPECT_GT(extracted, 100);
  EXPECT_GT(refused, 100);
  std::printf("%d damaged variants: %d listed, %d members extracted, %d refused\n", variants,
              listed, extracted, refused);
}

}  // namespace
}  // namespace vok::testing
