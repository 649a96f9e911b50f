#include "resources/resources.h"

#include "platform/codepage.h"
#include "resources/commands.h"

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

// Each command with its hint (UTF-8 here, handed out in CP932) and its
// button picture.
struct Command {
  int id;
  const char* hint;
  const char* const* picture;
};

constexpr Command kCommands[] = {
    {CM_EXIT, "ＶＯＫ終了", btn_exit_xpm},
    {CM_FILEOPEN, "ファイルをオープン", btn_fileopen_xpm},
    {CM_EXTRACT, "壁紙ﾌｧｲﾙを解凍&変更", btn_extract_xpm},
    {CM_CENTER, "壁紙を中央に表示", btn_center_xpm},
    {CM_TILE, "壁紙を並べて表示", btn_tile_xpm},
    {CM_HELP, "ＶＯＫの使い方", btn_help_xpm},
    {CM_ABOUT, "ＶＯＫについて", btn_about_xpm},
};

const Command* FindCommand(int id) {
  for (const Command& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
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
  const Command* c = FindCommand(id);
  return c ? c->picture : nullptr;
}

const char* const* LogoPicture() { return logo_xpm; }
const char* const* IconPicture() { return icon900_xpm; }

std::string LoadString(int id) {
  const Command* c = FindCommand(id);
  return c ? Cp932Literal(c->hint) : std::string();
}

const DialogTemplate* FindDialog(const std::string& name) {
  static const DialogTemplate about = AboutTemplate();
  return name == "VOK_ABOUT" ? &about : nullptr;
}

}  // namespace vok::res
