// Every archive of the shared corpus, ended the way its manifest says a
// sound archiver ends on it. Data is checked against the listed size and
// CRC16, computed here rather than by the library.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/sys.h"
#include "tests/archive/test_support.h"
#include "tests/temp_dir.h"
#include "tests/test_data.h"

namespace vok::testing {
namespace {

namespace fs = std::filesystem;

struct Row {
  std::string file, expect;
  int members = 0;
};
void PrintTo(const Row& r, std::ostream* os) { *os << r.file; }

// The last column of MANIFEST.tsv is the expected ending; column 8 the
// member count as liblhasa lists it.
std::vector<Row> Manifest() {
  std::vector<Row> rows;
  std::ifstream in(fs::path(VOK32_CORPUS_DIR) / "MANIFEST.tsv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() < 16) continue;
    rows.push_back({cols[0], cols.back(), std::atoi(cols[7].c_str())});
  }
  if (rows.empty()) rows.push_back({"MANIFEST.tsv", "missing"});  // fails below, never passes empty
  return rows;
}

// Archives whose reader stops at a header that is not the end of the file;
// they are reported as damaged rather than cut short without a word.
const std::map<std::string, std::string> kDamagedEnd = {
    {"libarchive/test_read_format_lha_oversize_header.lzh", "an oversized header after 18 members"},
    {"libarchive/test_read_format_lha_symlink_missing_target.lzh", "a second header without its CRC"},
};

struct MemberLine {
  std::string name;  // as "e" takes it
  std::uint64_t size = 0;
  std::uint16_t crc = 0;
  std::string method;
};

// Columns after the name: size, ratio, method, date, time, CRC.
std::vector<MemberLine> Members(const std::string& listing) {
  const auto lines = Lines(listing);
  std::vector<MemberLine> out;
  const auto names = RowNames(listing);
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::istringstream ss(lines[3 + i].substr(1 + names[i].size()));
    MemberLine m;
    std::string ratio, date, time, crc;
    ss >> m.size >> ratio >> m.method >> date >> time >> crc;
    m.name = names[i];
    m.crc = static_cast<std::uint16_t>(std::stoul(crc, nullptr, 16));
    out.push_back(m);
  }
  return out;
}

class Corpus : public ::testing::TestWithParam<Row> {};

TEST_P(Corpus, EndsAsTheManifestSays) {
  const Row& row = GetParam();
  ASSERT_NE(row.expect, "missing") << "test data missing: " << VOK32_CORPUS_DIR << "/MANIFEST.tsv";
  const fs::path archive = CorpusFile(row.file);
  ASSERT_TRUE(fs::is_regular_file(archive));
  TempDir root;
  const fs::path out = root.path() / "out";
  fs::create_directory(out);
  ScopedCwd cwd(out);
  WriteGuard guard;

  const Outcome list = List(archive);
  const std::string expect = kDamagedEnd.count(row.file) ? "damaged-end" : row.expect;
  const bool ok = expect == "ok" || expect == "ok-safe-names" || expect == "ok-or-refused";
  if (expect == "damaged-end" || (expect == "fail-clean" && list.rc != 0)) {
    EXPECT_NE(list.rc, 0);
    EXPECT_NE(list.text.find(J("壊れています")), std::string::npos) << Cp932ToUtf8(list.text);
    return;
  }
  if (expect == "all-5-or-fail-clean" && list.rc != 0) {
    EXPECT_NE(list.text.find(J("壊れています")), std::string::npos) << Cp932ToUtf8(list.text);
    return;
  }
  if (expect == "fail-clean-or-sensible" && list.rc != 0) {
    EXPECT_FALSE(list.text.empty());
    return;
  }
  ASSERT_EQ(list.rc, 0) << Cp932ToUtf8(list.text);
  const auto members = Members(list.text);
  if (ok || expect == "unsupported") {
    EXPECT_EQ(static_cast<int>(members.size()), row.members);
  }
  if (expect == "all-5-or-fail-clean") {
    EXPECT_EQ(members.size(), 5u);
  }
  if (expect.rfind("list-size-", 0) == 0) {
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(std::to_string(members[0].size), expect.substr(10, expect.find('-', 10) - 10));
    return;  // 4.7 GB: never extracted here
  }

  int failures = 0;
  for (const MemberLine& m : members) {
    const auto before = Files(out);
    const Outcome e = Extract(archive, m.name);
    const bool notFile = m.method == "-lhd-";
    if (e.rc != 0) {
      ++failures;
      EXPECT_EQ(Files(out), before) << m.name << ": a failure left a file";
      EXPECT_FALSE(e.text.empty());
      if (ok) {
        EXPECT_TRUE(notFile) << m.name << ": " << Cp932ToUtf8(e.text);
      }
      if (expect == "unsupported") {
        EXPECT_NE(e.text.find(J("対応していない圧縮方式")), std::string::npos)
            << Cp932ToUtf8(e.text);
      }
      if (expect == "fail-clean") {
        EXPECT_NE(e.text.find(J("壊れています")), std::string::npos) << Cp932ToUtf8(e.text);
      }
      continue;
    }
    EXPECT_FALSE(notFile) << m.name;
    const auto name = Cp932ToUtf8Strict(m.name);
    ASSERT_TRUE(name) << m.name;
    const std::string data = ReadFile(out / *name);
    EXPECT_EQ(data.size(), m.size) << m.name;
    EXPECT_EQ(Crc16(data), m.crc) << m.name;
  }
  if (expect == "unsupported") {
    EXPECT_EQ(failures, static_cast<int>(members.size()));
  }
  if (expect == "fail-clean") {
    EXPECT_GT(failures, 0);
  }
  // Nothing beside the target directory, no temporary file inside it.
  EXPECT_EQ(Files(root.path()), std::set<std::string>{"out"});
  for (const auto& f : Files(out)) EXPECT_NE(f.rfind(".vok32-", 0), 0u) << f;
}

std::string RowName(const ::testing::TestParamInfo<Row>& info) {
  std::string n = info.param.file;
  for (char& c : n)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Manifest, Corpus, ::testing::ValuesIn(Manifest()), RowName);

TEST(CorpusData, JlhaMembersMatchTheLicenceTexts) {
  // The jlha archives hold Debian's GPL-2 and GPL-3 texts.
  const std::string gpl2 = ReadFile(TestData("texts/GPL-2"));
  const std::string gpl3 = ReadFile(TestData("texts/GPL-3"));
  ASSERT_EQ(gpl2.size(), 18092u);
  for (const char* m : {"lh0", "lh1", "lh4", "lh5", "lh6", "lh7", "lzs", "lz5"}) {
    for (const char* level : {"h0", "h1", "h2"}) {
      const std::string file = std::string("jlha/jlha_") + level + "_" + m + ".lzh";
      TempDir out;
      ScopedCwd cwd(out.path());
      const fs::path archive = CorpusFile(file);
      ASSERT_EQ(Extract(archive, "gpl-2").rc, 0) << file;
      EXPECT_EQ(ReadFile(out.path() / "gpl-2"), gpl2) << file;
      if (Extract(archive, "gpl-3").rc == 0) {
        EXPECT_EQ(ReadFile(out.path() / "gpl-3"), gpl3) << file;
      }
    }
  }
}

}  // namespace
}  // namespace vok::testing
