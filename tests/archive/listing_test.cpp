// The listing table: how the archiver's text becomes rows, and which row a
// press hits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/listing.h"

namespace vok {
namespace {

struct Parsed {
  std::vector<std::string> rows;
  std::vector<ListEntry> entries = std::vector<ListEntry>(kMaxEntries);
  int count = -1;
};

// The buffer as the callers hand it over: zeroed, then the text.
Parsed Parse(const std::string& text) {
  std::vector<char> buffer(kListingBufferSize, '\0');
  std::memcpy(buffer.data(), text.data(), std::min(text.size(), buffer.size()));
  Parsed p;
  ParseListing(buffer.data(), p.entries.data(), &p.count);
  for (int i = 0; i < p.count; ++i) p.rows.emplace_back(p.entries[i].Text);
  return p;
}

struct ParseCase {
  const char* what;
  std::string text;
  std::vector<std::string> rows;
};

TEST(ParseListing, CutsTheTextIntoRows) {
  const std::string s100 = std::string(78, 'a') + std::string(22, 'b');
  const std::vector<ParseCase> cases = {
      {"empty buffer", "", {}},
      {"CR LF pairs", "AB\r\nCD\r\n", {"AB", "CD"}},
      {"blank lines are not stored", "\r\n\nA\n\n\r\nB\n", {"A", "B"}},
      {"a 100-character line splits after 78", s100 + "\n",
       {std::string(27, 'a'), std::string(22, 'b')}},
      {"a 78-character line then CR LF", std::string(78, 'x') + "\r\nY\n",
       {std::string(27, 'x'), "Y"}},
      {"a NUL ends the text, the line is still consumed",
       std::string("ABCD\0EFG\nnext\n", 14), {"ABCD", "next"}},
      {"a 40-character line keeps 27 bytes", std::string(40, 'z') + "\n",
       {std::string(27, 'z')}},
      {"no final line feed", "A\nlast", {"A", "last"}},
      {"a double-byte character cut at byte 27 loses its trail byte",
       std::string(26, 'a') + "\x95\x5c" + "\n", {std::string(26, 'a') + "\x95"}},
  };
  for (const auto& c : cases) {
    const Parsed p = Parse(c.text);
    EXPECT_EQ(p.rows, c.rows) << c.what;
    EXPECT_EQ(p.count, static_cast<int>(c.rows.size())) << c.what;
  }
}

TEST(ParseListing, StopsAtANulRightAfterAStoredLine) {
  // Text after the terminating NUL is never read as rows.
  const Parsed p = Parse(std::string("A\n\0B\n", 5));
  EXPECT_EQ(p.rows, std::vector<std::string>{"A"});
}

TEST(ParseListing, NeverFillsMoreThanTheTable) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "row" + std::to_string(i) + "\n";
  const Parsed p = Parse(text);
  EXPECT_EQ(p.count, kMaxEntries);
  EXPECT_EQ(p.rows.back(), "row204");
}

TEST(ParseListing, AFullBufferWithoutNulStopsAtItsEnd) {
  std::vector<char> buffer(kListingBufferSize, 'q');
  // Guard bytes after the buffer must never be read as text.
  buffer.resize(kListingBufferSize + 64, '\n');
  std::vector<ListEntry> entries(kMaxEntries);
  int count = 0;
  ParseListing(buffer.data(), entries.data(), &count);
  // 16400 = 210 * 78 + 20: the table fills before the bytes run out.
  EXPECT_EQ(count, kMaxEntries);
  std::vector<char> shortRun(kListingBufferSize, '\n');
  std::memset(shortRun.data() + kListingBufferSize - 5, 'e', 5);
  ParseListing(shortRun.data(), entries.data(), &count);
  ASSERT_EQ(count, 1);
  EXPECT_STREQ(entries[0].Text, "eeeee");
}

TEST(ParseListing, ASecondParseClearsFlagsAndOldRows) {
  Parsed p = Parse("1\n2\n3\n4\n5\n6\n7\n8\n");
  for (auto& e : p.entries) e.Selected = 1;
  std::vector<char> buffer(kListingBufferSize, '\0');
  std::memcpy(buffer.data(), "x\ny\n", 4);
  int count = 0;
  ParseListing(buffer.data(), p.entries.data(), &count);
  EXPECT_EQ(count, 2);
  for (int i = 0; i < kMaxEntries; ++i) {
    EXPECT_EQ(p.entries[i].Selected, 0) << i;
    if (i >= 2) {
      EXPECT_EQ(p.entries[i].Text[0], '\0') << i;
    }
  }
}

TEST(RowAt, MapsPressesToDataRows) {
  struct Case {
    int y, h, s, count, row;
  };
  const Case cases[] = {
      {0, 16, 0, 0, -1},     // empty table
      {0, 16, 0, 5, -1},     // header and trailer only
      {0, 16, 0, 6, 3},      // the one data row
      {16, 16, 0, 6, -1},    // one row lower: the trailer
      {0, 16, 4, 100, 7},    // scrolled by four
      {15, 16, 4, 100, 7},   // still the same row at h - 1
      {16, 16, 4, 100, 8},   // the next row at h
      {-1, 16, 0, 100, 3},   // truncation toward zero: -1/16 is 0
      {-17, 16, 0, 100, -1}, // above the first data row
      {16 * 96, 16, 0, 100, -1},  // row 99: the first trailer row
      {16 * 94, 16, 0, 100, 97},  // the last data row
  };
  for (const Case& c : cases)
    EXPECT_EQ(RowAt(c.y, c.h, c.s, c.count), c.row)
        << "y=" << c.y << " h=" << c.h << " s=" << c.s << " count=" << c.count;
}

TEST(SelectRowAt, KeepsOneSelectionAndLeavesItOnAMiss) {
  std::vector<ListEntry> e(kMaxEntries);
  for (auto& x : e) x.Selected = 0;
  const int count = 20, h = 10;
  e[9].Selected = 1;
  ASSERT_TRUE(SelectRowAt(2 * h, h, 0, 1, e.data(), count));  // row 5
  EXPECT_EQ(SelectedRow(e.data(), count), 5);
  EXPECT_EQ(e[9].Selected, 0);
  ASSERT_TRUE(SelectRowAt(5 * h + 3, h, 4, 1, e.data(), count));  // row 12
  EXPECT_EQ(SelectedRow(e.data(), count), 12);
  ASSERT_TRUE(SelectRowAt(12 * h, h, 0, 1, e.data(), count));  // left again on row 15
  ASSERT_TRUE(SelectRowAt(12 * h, h, 0, 1, e.data(), count));  // twice: still selected
  EXPECT_EQ(SelectedRow(e.data(), count), 15);
  // A miss below the data rows changes nothing.
  EXPECT_FALSE(SelectRowAt(15 * h, h, 0, 0, e.data(), count));
  EXPECT_EQ(SelectedRow(e.data(), count), 15);
  // A right press on any data row clears the selection.
  ASSERT_TRUE(SelectRowAt(0, h, 0, 0, e.data(), count));
  EXPECT_EQ(SelectedRow(e.data(), count), -1);
}

TEST(MemberNameFromText, TakesTheFirstWord) {
  struct Case {
    const char* text;
    std::size_t size;
    const char* name;
  };
  const Case cases[] = {
      {" SUNSET.BMP        12345", 16, "SUNSET.BMP"},
      {"+SUNSET.BMP        12345", 16, "SUNSET.BMP"},
      {"+   A.BMP", 16, "A.BMP"},
      {"X+Y.BMP 1", 16, "X+Y.BMP"},
      {" +X.BMP 1", 16, "+X.BMP"},  // only the first position counts as a blank
      {"      ", 16, ""},
      {"ABCDEFGHIJKLMNOPQRST", 16, "ABCDEFGHIJKLMNO"},  // cut to the buffer
      {"\x95\x5c.BMP 9", 16, "\x95\x5c.BMP"},
  };
  for (const Case& c : cases) {
    char text[28] = {};
    std::strncpy(text, c.text, 27);
    char out[16];
    const std::size_t n = MemberNameFromText(text, out, c.size);
    EXPECT_STREQ(out, c.name) << c.text;
    EXPECT_EQ(n, std::strlen(c.name)) << c.text;
  }
}

}  // namespace
}  // namespace vok
