// The few Windows types and constants the program speaks in.
#pragma once
#include <cstdint>

using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using HWND = void*;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_ICONSTOP = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;

inline constexpr UINT SPI_SETDESKWALLPAPER = 20;
inline constexpr UINT SPIF_UPDATEINIFILE = 1;

// Path fields hold at most 259 bytes and a NUL.
inline constexpr int MAX_PATH = 260;
