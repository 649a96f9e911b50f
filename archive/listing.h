// The listing table: the archiver's list output cut into rows.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vok {

inline constexpr int kMaxEntries = 205;
inline constexpr int kListingBufferSize = 16400;
inline constexpr int kLineWidth = 78;
inline constexpr int kTextKept = 27;
// Rows 0-2 are the header, the last two the trailer.
inline constexpr int kFirstDataRow = 3;

struct ListEntry {
  std::int32_t Selected;
  char Text[28];
};
static_assert(sizeof(ListEntry) == 32);
static_assert(offsetof(ListEntry, Selected) == 0);
static_assert(offsetof(ListEntry, Text) == 4);

// Rebuilds entries[0..204] from the buffer and returns the row count.
void ParseListing(const char* buffer, ListEntry* entries, int* entryCount);

// The row a press at y hits, with line height h and scroll position s;
// -1 when it misses the data rows.
int RowAt(int y, int h, int s, int entryCount);

// Hit-tests and updates the flags. Returns false on a miss (the caller beeps).
bool SelectRowAt(int y, int h, int s, int selectMode, ListEntry* entries, int entryCount);

// Lowest selected index, or -1.
int SelectedRow(const ListEntry* entries, int entryCount);

// The member name a row's text yields: a '+' in the first position counts as
// a blank, leading blanks are skipped, the name runs to the next blank.
// Writes into out (at most outSize - 1 bytes) and returns its length.
std::size_t MemberNameFromText(const char* text, char* out, std::size_t outSize);

}  // namespace vok
