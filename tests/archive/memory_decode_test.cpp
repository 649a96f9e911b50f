// One member decoded into memory, for previews: bounded, and stoppable.
#include <gtest/gtest.h>

#include "archive/lzh_archive.h"
#include "tests/archive/test_support.h"
#include "tests/temp_dir.h"

namespace vok::lzh {
namespace {

using vok::testing::Level0Archive;
using vok::testing::TempDir;

TEST(DecodeToMemory, WholeBoundedStoppedOrDamaged) {
  TempDir dir;
  std::string data;
  for (int i = 0; i < 150000; ++i) data += static_cast<char>(i * 7 + i / 256);
  const std::string good = Level0Archive({{"A.BIN", data}});
  std::string bad = good;
  bad[bad.size() - 2] ^= 0x55;  // the last data byte: the CRC no longer matches
  const std::string goodPath = dir.Write("good.lzh", good).string();
  const std::string badPath = dir.Write("bad.lzh", bad).string();
  Archive a;
  ASSERT_EQ(Scan(goodPath, &a), Status::Ok);
  const Member& m = a.members.at(0);

  std::vector<unsigned char> out;
  ASSERT_EQ(DecodeToMemory(goodPath, m, m.length, &out), Status::Ok);
  EXPECT_EQ(std::string(out.begin(), out.end()), data);

  struct {
    const char* what;
    const std::string& path;
    std::uint64_t max;
    std::function<bool(const std::vector<unsigned char>&)> accept;
    Status want;
  } cases[] = {
      {"one byte over the bound", goodPath, m.length - 1, {}, Status::TooLarge},
      {"refused after the first block", goodPath, m.length, [](const auto&) { return false; }, Status::WriteError},
      {"refused part-way", goodPath, m.length, [](const auto& v) { return v.size() < 100000; }, Status::WriteError},
      {"damaged data", badPath, m.length, {}, Status::Damaged},
  };
  for (const auto& c : cases) {
    int calls = 0;
    auto accept = c.accept ? std::function<bool(const std::vector<unsigned char>&)>([&](const auto& v) {
      ++calls;
      return c.accept(v);
    })
                           : nullptr;
    out.assign(3, 'x');
    EXPECT_EQ(DecodeToMemory(c.path, m, c.max, &out, accept), c.want) << c.what;
    EXPECT_TRUE(out.empty()) << c.what;
    if (c.want == Status::TooLarge) {
      EXPECT_EQ(calls, 0) << c.what;
    }
  }
}

}  // namespace
}  // namespace vok::lzh
