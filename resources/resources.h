// The program's own pictures, strings and dialog template, held as data.
#pragma once
#include <string>
#include <vector>

#include "platform/win32.h"

namespace vok::res {

// XPM pictures: button faces by command id (20x20, 16 colours), the logo
// (resource 1) and the icon (900), both 32x32. nullptr for an unknown id.
const char* const* ButtonPicture(int id);
const char* const* LogoPicture();
const char* const* IconPicture();
inline constexpr int kIconId = 900;

// LoadStringA: the CP932 string with that id, "" when there is none.
std::string LoadString(int id);

// Dialog templates, in dialog units.
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD DS_MODALFRAME = 0x80;
inline constexpr DWORD SS_CENTER = 0x1;
inline constexpr DWORD SS_ICON = 0x3;
inline constexpr DWORD SS_BLACKFRAME = 0x7;
inline constexpr DWORD SS_TYPEMASK = 0x1F;
inline constexpr DWORD BS_PUSHBUTTON = 0x0;

enum class ControlClass { Button, Static };

struct DialogItem {
  ControlClass cls;
  WORD id;            // 65535 for "no id"
  std::string text;   // CP932; for SS_ICON the icon's id as "#900"
  DWORD style;
  int x, y, cx, cy;
};

struct DialogTemplate {
  DWORD style;
  DWORD exStyle;
  int x, y, cx, cy;
  std::string caption;  // CP932
  std::vector<DialogItem> items;
};

// nullptr when there is no template of that name.
const DialogTemplate* FindDialog(const std::string& name);

}  // namespace vok::res
