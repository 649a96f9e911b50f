#include "archive/listing.h"

#include <cassert>
#include <cstring>

namespace vok {

void ParseListing(const char* buffer, ListEntry* entries, int* entryCount) {
  for (int i = 0; i < kMaxEntries; ++i) {
    entries[i].Selected = 0;
    entries[i].Text[0] = '\0';
  }
  int p = 0;
  int n = 0;
  char line[kLineWidth];
  while (p < kListingBufferSize && n < kMaxEntries) {
    int len = 0;
    while (p < kListingBufferSize) {
      const char c = buffer[p++];
      if (c == '\r') continue;
      if (c == '\n') break;
      line[len++] = c;
      if (len == kLineWidth) break;
    }
    // The text stops at the first NUL; the rest of the line is still consumed.
    const void* nul = std::memchr(line, '\0', len);
    const int textLen = nul ? static_cast<int>(static_cast<const char*>(nul) - line) : len;
    if (textLen == 0) continue;
    const int kept = textLen < kTextKept ? textLen : kTextKept;
    std::memcpy(entries[n].Text, line, kept);
    entries[n].Text[kept] = '\0';
    ++n;
    if (p >= kListingBufferSize || buffer[p] == '\0') break;
  }
  *entryCount = n;
}

int RowAt(int y, int h, int s, int entryCount) {
  assert(h > 0);
  const int r = y / h + s + kFirstDataRow;
  if (r < kFirstDataRow || r > entryCount - 3) return -1;
  return r;
}

bool SelectRowAt(int y, int h, int s, int selectMode, ListEntry* entries, int entryCount) {
  const int r = RowAt(y, h, s, entryCount);
  if (r < 0) return false;
  for (int i = 0; i < entryCount; ++i) entries[i].Selected = 0;
  entries[r].Selected = selectMode ? 1 : 0;
  return true;
}

int SelectedRow(const ListEntry* entries, int entryCount) {
  for (int i = 0; i < entryCount; ++i)
    if (entries[i].Selected == 1) return i;
  return -1;
}

std::size_t MemberNameFromText(const char* text, char* out, std::size_t outSize) {
  std::size_t i = 0;
  if (text[0] == '+') i = 1;
  while (i < static_cast<std::size_t>(kTextKept) && text[i] == ' ') ++i;
  std::size_t n = 0;
  while (i < static_cast<std::size_t>(kTextKept) && text[i] != '\0' && text[i] != ' ') {
    if (n + 1 >= outSize) break;
    out[n++] = text[i++];
  }
  if (outSize > 0) out[n] = '\0';
  return n;
}

}  // namespace vok
