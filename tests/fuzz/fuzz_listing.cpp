// ParseListing on arbitrary buffers: never more than 205 rows, every row
// NUL-terminated within 28 bytes with no CR or LF, no flag left set.
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> buf(vok::kListingBufferSize, 0);
  if (size > 0) std::memcpy(buf.data(), data, size < buf.size() ? size : buf.size());
  std::vector<vok::ListEntry> entries(vok::kMaxEntries);
  std::memset(entries.data(), 0x55, entries.size() * sizeof(vok::ListEntry));
  int count = -1;
  vok::ParseListing(buf.data(), entries.data(), &count);
  if (count < 0 || count > vok::kMaxEntries) std::abort();
  for (int i = 0; i < vok::kMaxEntries; ++i) {
    const vok::ListEntry& e = entries[i];
    if (e.Selected != 0) std::abort();
    const void* nul = std::memchr(e.Text, 0, sizeof e.Text);
    if (!nul) std::abort();
    size_t len = static_cast<const char*>(nul) - e.Text;
    if ((i < count) != (len > 0)) std::abort();
    if (std::memchr(e.Text, '\n', len) || std::memchr(e.Text, '\r', len)) std::abort();
  }
  // The hit test with whatever the parse gave.
  if (size >= 2) {
    int y = data[0] * 7, s = data[1] % 50;
    int row = vok::RowAt(y, 13, s, count);
    if (row != -1 && (row < 3 || row > count - 3)) std::abort();
  }
  return 0;
}
