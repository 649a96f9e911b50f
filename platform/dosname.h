// DOS paths as text: splitting and joining CP932 paths without touching the
// disk. A trail byte (the 0x5C of 表) is never a separator.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vok {

struct PathParts {
  std::string drive;      // "c:" or ""
  std::string directory;  // with its trailing separator
  std::string name;       // base name without extension
  std::string ext;        // with its dot
};

// Separators are '\' and '/'; a drive only as "x:" at the start; "." and
// ".." are directories. Leading blanks are skipped, and only the first 260
// bytes are read.
PathParts SplitPath(std::string_view path);

// Only a full DOS path names the same file whatever the current directory.
bool IsAbsoluteDos(std::string_view path);

// The part before the last backslash; a backslash in the first position
// does not count; nullopt when there is none.
std::optional<std::string> DirectoryBeforeLastBackslash(std::string_view path);

// Whether the path ends in a backslash.
bool EndsWithBackslash(std::string_view path);

// dir + '\' + name, with no second backslash when dir ends in one.
std::string JoinDos(std::string dir, std::string_view name);

}  // namespace vok
