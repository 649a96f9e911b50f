// The names a listing shows in its first column and the names "e" accepts.
// A stored name that is long, holds blanks or odd bytes, repeats another, or
// comes with a directory part still gets a short name of its own, unique in
// the archive, so that every line can be extracted from its first 27 bytes.
#pragma once
#include <string>
#include <vector>

#include "archive/lzh_archive.h"

namespace vok::lzh {

// The longest name shown as it is stored: with the flag column it fills the
// 27 bytes the view keeps. Longer ones get a short name.
inline constexpr std::size_t kShownNameMax = 26;

// True for a name that can be a file in the current directory as it stands:
// valid CP932, no blanks or control bytes, no characters DOS forbids.
bool IsSafeFileName(const std::string& cp932);

struct Shown {
  std::string name;  // first-column name, CP932
  bool aliased = false;  // not the whole stored path
};

// One entry per member, in the archive's order.
std::vector<Shown> ShownNames(const std::vector<Member>& members);

struct Match {
  int index = -1;
  std::string fileName;  // the name to write, CP932
};

// Finds the member that "e" means by name: the first-column name, then the
// stored path; exact bytes first, then regardless of ASCII case.
Match FindMember(const std::vector<Member>& members, const std::vector<Shown>& shown,
                 const std::string& name);

}  // namespace vok::lzh
