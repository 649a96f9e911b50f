// Our -lh4- .. -lh7- decoder against liblhasa's: the same bytes from every
// corpus member, from every damaged copy the sweep makes, and from noise.
#include <gtest/gtest.h>

#include <random>

#include "tests/archive/damage_variants.h"
#include "tests/archive/lh_reference.h"
#include "tests/archive/test_support.h"
#include "tests/temp_dir.h"
#include "tests/test_data.h"

namespace vok::testing {
namespace {

namespace fs = std::filesystem;

// The comparison reads whole members into memory; larger ones add nothing.
constexpr std::uint64_t kLargest = 8 << 20;

std::span<const unsigned char> Span(const std::string& s, std::uint64_t from, std::uint64_t n) {
  if (from > s.size()) from = s.size();
  if (n > s.size() - from) n = s.size() - from;
  return {reinterpret_cast<const unsigned char*>(s.data()) + from, static_cast<std::size_t>(n)};
}

// Every lh4-lh7 member of `a`, decoded from `bytes` (maybe damaged) by both.
int CompareMembers(const lzh::Archive& a, const std::string& bytes, const std::string& what) {
  int compared = 0;
  for (const lzh::Member& m : a.members) {
    if (m.kind != lzh::Kind::File || !lzh::IsLhNewMethod(m.method) || m.length > kLargest) continue;
    const auto packed = Span(bytes, m.dataOffset, m.packed);
    EXPECT_EQ(OurDecode(m.method, packed, m.length), ReferenceDecode(m.method, packed, m.length))
        << what << ": " << m.stored;
    ++compared;
  }
  return compared;
}

TEST(LhDecoder, SameBytesAsLiblhasaOnTheCorpus) {
  int compared = 0, whole = 0;
  for (const fs::path& file : CorpusFiles()) {
    lzh::Archive a;
    if (lzh::Scan(file.string(), &a) != lzh::Status::Ok) continue;
    const std::string bytes = ReadFile(file);
    compared += CompareMembers(a, bytes, file.filename().string());
    for (const lzh::Member& m : a.members)
      if (lzh::IsLhNewMethod(m.method) && m.length <= kLargest) {
        const auto d = OurDecode(m.method, Span(bytes, m.dataOffset, m.packed), m.length);
        whole += d.bytes.size() == m.length && d.crc == m.crc;
      }
  }
  std::printf("%d members compared, %d whole\n", compared, whole);
  EXPECT_GT(compared, 100);
  EXPECT_GT(whole, 100);  // most members are sound and decode whole
}

// The damage sweep's copies: the intact archive's members read from the
// damaged bytes, and whatever the damaged archive itself lists.
TEST(LhDecoder, SameBytesAsLiblhasaOnDamagedArchives) {
  std::mt19937 rng(932);
  TempDir t;
  int compared = 0;
  for (const fs::path& file : CorpusFiles()) {
    lzh::Archive intact;
    if (lzh::Scan(file.string(), &intact) != lzh::Status::Ok) continue;
    const std::string bytes = ReadFile(file);
    int variant = 0;
    for (const std::string& damaged : Damaged(bytes, intact, rng)) {
      const std::string what = file.filename().string() + " variant " + std::to_string(variant++);
      compared += CompareMembers(intact, damaged, what);
      lzh::Archive seen;
      if (lzh::Scan(t.Write("a.lzh", damaged).string(), &seen) == lzh::Status::Ok)
        compared += CompareMembers(seen, damaged, what + " as listed");
    }
  }
  EXPECT_GT(compared, 1000);
}

// Random streams reach the corners no archiver writes: single-code trees,
// offsets past the window, over-long codes, tables left over from the block
// before, reads of more than 24 bits.
TEST(LhDecoder, SameBytesAsLiblhasaOnNoise) {
  std::mt19937 rng(5);
  for (const char* method : {"-lh4-", "-lh5-", "-lh6-", "-lh7-"}) {
    for (int i = 0; i < 400; ++i) {
      std::string packed(1 + rng() % 300, '\0');
      for (char& c : packed) c = static_cast<char>(rng());
      // Biased streams: many zero or one bits make long runs and deep trees.
      if (i % 3 == 1) for (char& c : packed) c &= static_cast<char>(rng());
      if (i % 3 == 2) for (char& c : packed) c |= static_cast<char>(rng());
      const std::uint64_t length = rng() % 70000;
      const auto span = Span(packed, 0, packed.size());
      EXPECT_EQ(OurDecode(method, span, length), ReferenceDecode(method, span, length))
          << method << " stream " << i;
    }
  }
}

TEST(LhDecoder, EveryBitFlipOfOneStreamDecodesAlike) {
  // Flipping each bit of the block's head in turn walks through every table field.
  const fs::path file = CorpusFile("jlha/jlha_h2_lh7.lzh");
  lzh::Archive a;
  ASSERT_EQ(lzh::Scan(file.string(), &a), lzh::Status::Ok);
  const std::string bytes = ReadFile(file);
  const lzh::Member& m = a.members.at(0);
  ASSERT_EQ(m.method, "-lh7-");
  const std::uint64_t bits = std::min<std::uint64_t>(m.packed, 192) * 8;
  for (std::uint64_t b = 0; b < bits; ++b) {
    std::string d = bytes;
    d[m.dataOffset + b / 8] ^= static_cast<char>(0x80 >> (b % 8));
    const auto span = Span(d, m.dataOffset, m.packed);
    ASSERT_EQ(OurDecode(m.method, span, m.length), ReferenceDecode(m.method, span, m.length))
        << "bit " << b;
  }
}

TEST(LhDecoder, Crc16MatchesTheBitwiseDefinition) {
  std::mt19937 rng(16);
  for (std::size_t n : {0, 1, 7, 8, 9, 15, 16, 17, 1000}) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    EXPECT_EQ(lzh::Crc16(0, reinterpret_cast<const unsigned char*>(s.data()), n), Crc16(s)) << n;
  }
}

TEST(LhDecoder, SinkThatRefusesStopsTheDecoding) {
  const fs::path file = CorpusFile("jlha/jlha_h2_lh7.lzh");
  lzh::Archive a;
  ASSERT_EQ(lzh::Scan(file.string(), &a), lzh::Status::Ok);
  const std::string bytes = ReadFile(file);
  const lzh::Member& m = a.members.at(0);
  int calls = 0;
  const lzh::Decoded d = lzh::DecodeLhNew(m.method, Span(bytes, m.dataOffset, m.packed), m.length,
                                          [&calls](const unsigned char*, std::size_t) {
                                            ++calls;
                                            return false;
                                          });
  EXPECT_TRUE(d.sinkRefused);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vok::testing
