// Profile (INI) files: the user's win.ini and private files such as vok32.ini.
// They live in a stand-in Windows directory, $XDG_CONFIG_HOME/vok32
// (~/.config/vok32), or where VOK32_WINDIR points. Values are CP932 bytes.
#pragma once
#include <string>

#include "platform/win32.h"

// The user's win.ini.
DWORD GetProfileStringA(const char* section, const char* key, const char* def, char* out, DWORD size);
UINT GetProfileIntA(const char* section, const char* key, int def);
BOOL WriteProfileStringA(const char* section, const char* key, const char* value);

// Writes replace the file whole and keep every line they do not change.
// A NULL value deletes the key, a NULL key the whole section; a name or
// value with a line break is refused (FALSE) rather than written. A read
// with a NULL section or key lists the section or key names, NUL-separated.

// A named file; a name without a directory lies in the Windows directory.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* out,
                               DWORD size, const char* file);
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* file);

namespace vok {
// Native path of the stand-in Windows directory (not created by reading).
std::string WindowsDirectory();
}  // namespace vok
