#include "resources/resources.h"

#include <map>

#include "platform/codepage.h"

namespace vok::res {

namespace {
#include "resources/pictures/btn_about.xpm"
#include "resources/pictures/btn_center.xpm"
#include "resources/pictures/btn_exit.xpm"
#include "resources/pictures/btn_extract.xpm"
#include "resources/pictures/btn_fileopen.xpm"
#include "resources/pictures/btn_help.xpm"
#include "resources/pictures/btn_tile.xpm"
#include "resources/pictures/icon900.xpm"
#include "resources/pictures/logo.xpm"

// Written as UTF-8 here and handed out in the program's code page.
const std::map<int, const char*>& StringTable() {
  static const std::map<int, const char*> table = {
      {101, "ＶＯＫ終了"},
      {102, "ファイルをオープン"},
      {201, "壁紙ﾌｧｲﾙを解凍&変更"},
      {301, "壁紙を中央に表示"},
      {302, "壁紙を並べて表示"},
      {401, "ＶＯＫの使い方"},
      {402, "ＶＯＫについて"},
  };
  return table;
}

constexpr DWORD kCentredText = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER;

DialogTemplate AboutTemplate() {
  return {
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME,
      0,
      19, 17, 142, 112,
      Cp932Literal("Lumivexについて"),
      {
          {ControlClass::Static, 65535, Cp932Literal("壁紙 VOK32 (Lumivex)"), kCentredText,
           21, 20, 100, 8},
          {ControlClass::Static, 65535, Cp932Literal("WIN32対応 Version 1.00"), kCentredText, 27, 35, 88, 8},
          {ControlClass::Static, 65535, Cp932Literal("フリーソフトウェアです"), kCentredText, 16, 50, 110, 8},
          {ControlClass::Button, 1, "&OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 85, 80, 24, 14},
          {ControlClass::Static, 65535, "#900", WS_CHILD | WS_VISIBLE | SS_ICON, 30, 80, 13, 12},
          {ControlClass::Static, 65535, "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_GROUP | SS_BLACKFRAME,
           6, 3, 130, 105},
          {ControlClass::Static, 65535, Cp932Literal("Linux版"), kCentredText, 36, 65, 70, 8},
          {ControlClass::Static, 65535, "", WS_CHILD | WS_VISIBLE | WS_BORDER | SS_BLACKFRAME, 13, 11, 115, 90},
      }};
}
}  // namespace

const char* const* ButtonPicture(int id) {
  switch (id) {
    case 101: return btn_exit_xpm;
    case 102: return btn_fileopen_xpm;
    case 201: return btn_extract_xpm;
    case 301: return btn_center_xpm;
    case 302: return btn_tile_xpm;
    case 401: return btn_help_xpm;
    case 402: return btn_about_xpm;
    default: return nullptr;
  }
}

const char* const* LogoPicture() { return logo_xpm; }
const char* const* IconPicture() { return icon900_xpm; }

std::string LoadString(int id) {
  auto it = StringTable().find(id);
  return it == StringTable().end() ? std::string() : Cp932Literal(it->second);
}

const DialogTemplate* FindDialog(const std::string& name) {
  static const DialogTemplate about = AboutTemplate();
  return name == "VOK_ABOUT" ? &about : nullptr;
}

}  // namespace vok::res
