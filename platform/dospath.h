// DOS paths as Wine shows them: z: is the POSIX root, so
// z:\home\kim\pics\a.lzh names /home/kim/pics/a.lzh. Paths are CP932 bytes.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vok {

enum class PathError {
  None,
  NoSuchDrive,     // a drive letter other than z:
  NotRepresentable, // a name with no form in the other code page
  NoCurrentDirectory, // a relative path while the current directory is gone
  Ambiguous         // several entries differ from a name only in case, none is it
};

struct NativePath {
  std::string path;  // UTF-8 POSIX path; empty on error
  PathError error = PathError::None;
  explicit operator bool() const { return error == PathError::None; }
};

// Maps a DOS path to a native one, each component by FindEntry, so a path
// stored in lower case still names its file; a component that matches
// nothing keeps the name given (a new file), one that is ambiguous fails.
// A path without a drive is taken relative to the current directory, and
// names nothing when that directory has been removed.
NativePath DosToNative(std::string_view dos);

// The entry of the native directory dir that a CP932 name means, as named
// on disk (UTF-8): the exact name first, else the one entry that equals it
// regardless of ASCII case. When several do and none exactly, the name is
// ambiguous and means none of them. Every lookup of a file by a name whose
// case may differ from the disk's uses this rule.
struct Entry {
  enum { None, Found, Ambiguous } match = None;
  std::string name;  // Found only
};
Entry FindEntry(const std::string& dir, std::string_view cp932);

// Maps an absolute native path to z:\...; nullopt when a name has no CP932
// form, or holds a backslash, which DOS would read as a separator.
std::optional<std::string> NativeToDos(std::string_view native);

// Current drive, 1 = a: ... 26 = z:. Only z: exists.
int GetCurrentDrive();
bool SetCurrentDrive(int drive);

// The current directory as a DOS path ("z:\home\kim"), or "" if unreadable.
std::string GetCurrentDirectoryDos();
bool SetCurrentDirectoryDos(std::string_view dos);

// A path without drive (only a hand-edited settings file gives one) taken
// against the current directory.
std::string AbsoluteDos(const std::string& path);

// Whether two DOS paths name the same file on disk, whatever their spelling.
bool SameFileDos(std::string_view a, std::string_view b);

// True when the path names an existing file or directory.
bool DosPathExists(std::string_view dos);

// DeleteFileA: true when the file was removed.
bool DeleteFileDos(std::string_view dos);

}  // namespace vok
