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
  NotRepresentable // a name with no form in the other code page
};

struct NativePath {
  std::string path;  // UTF-8 POSIX path; empty on error
  PathError error = PathError::None;
  explicit operator bool() const { return error == PathError::None; }
};

// Maps a DOS path to a native one. Each component is matched exactly first,
// then regardless of ASCII case, so a lower-cased path still names the same
// file; a component that matches nothing keeps the name given (a new file).
// A path without a drive is taken relative to the current directory.
NativePath DosToNative(std::string_view dos);

// Maps an absolute native path to z:\...; nullopt when a name has no CP932 form.
std::optional<std::string> NativeToDos(std::string_view native);

// Current drive, 1 = a: ... 26 = z:. Only z: exists.
int GetCurrentDrive();
bool SetCurrentDrive(int drive);

// The current directory as a DOS path ("z:\home\kim"), or "" if unreadable.
std::string GetCurrentDirectoryDos();
bool SetCurrentDirectoryDos(std::string_view dos);

// True when the path names an existing file or directory.
bool DosPathExists(std::string_view dos);

// DeleteFileA: true when the file was removed.
bool DeleteFileDos(std::string_view dos);

}  // namespace vok
