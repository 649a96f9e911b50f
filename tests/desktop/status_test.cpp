#include "desktop/status.h"
#include "platform/dosname.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace vok {
namespace {

std::string Cp(const char* utf8) { return *Utf8ToCp932(utf8); }

TEST(SplitPath, DividesDriveDirectoryNameAndExtension) {
  struct Case {
    std::string path;
    PathParts want;
  } cases[] = {
      {"c:\\windows\\setup.bmp", {"c:", "\\windows\\", "setup", ".bmp"}},
      {"  c:/pics/a.bmp", {"c:", "/pics/", "a", ".bmp"}},
      {"c:\\my.pics\\sunset", {"c:", "\\my.pics\\", "sunset", ""}},
      {"c:\\pics\\my.wall.bmp", {"c:", "\\pics\\", "my.wall", ".bmp"}},
      {"c:setup.bmp", {"c:", "", "setup", ".bmp"}},
      {"setup.bmp", {"", "", "setup", ".bmp"}},
      {"<none>", {"", "", "<none>", ""}},
      {"", {"", "", "", ""}},
      {"c:\\pics\\", {"c:", "\\pics\\", "", ""}},
      {"c:\\pics\\.", {"c:", "\\pics\\.", "", ""}},
      {"c:\\pics\\..", {"c:", "\\pics\\..", "", ""}},
      {"..", {"", "..", "", ""}},
      {"c:\\pics\\.hidden", {"c:", "\\pics\\", "", ".hidden"}},
      {"c:\\pics\\...", {"c:", "\\pics\\", "..", "."}},
      // A colon elsewhere is an ordinary byte.
      {"\\a:b\\c.d", {"", "\\a:b\\", "c", ".d"}},
      {"abc:d.e", {"", "", "abc:d", ".e"}},
      // 表 is 0x95 0x5C and ソ 0x83 0x5C: the trail byte is no separator.
      {"c:\\\x95\x5C\\\x83\x5C.bmp", {"c:", "\\\x95\x5C\\", "\x83\x5C", ".bmp"}},
      {"c:\\pics\\\x95\x5C", {"c:", "\\pics\\", "\x95\x5C", ""}},
      // A lead byte at the very end stands alone.
      {"c:\\a\\b\x95", {"c:", "\\a\\", "b\x95", ""}},
  };
  for (const Case& c : cases) {
    PathParts got = SplitPath(c.path);
    EXPECT_EQ(got.drive, c.want.drive) << c.path;
    EXPECT_EQ(got.directory, c.want.directory) << c.path;
    EXPECT_EQ(got.name, c.want.name) << c.path;
    EXPECT_EQ(got.ext, c.want.ext) << c.path;
  }
}

TEST(SplitPath, ConsidersAtMost260BytesAndCutsPartsTo255) {
  PathParts p = SplitPath("\\" + std::string(259, 'n') + ".bmp");
  EXPECT_EQ(p.name, std::string(255, 'n'));
  EXPECT_EQ(p.ext, "");  // the dot lies past byte 260

  // Leading blanks do not count toward the 260.
  p = SplitPath("    c:\\" + std::string(252, 'd') + "\\x.bmp");
  EXPECT_EQ(p.directory, "\\" + std::string(252, 'd') + "\\");
  EXPECT_EQ(p.name + p.ext, "x.bm");

  // A cut never leaves half a double-byte character.
  std::string kanji;
  for (int i = 0; i < 128; ++i) kanji += "\x95\x5C";
  p = SplitPath("\\" + kanji);
  EXPECT_EQ(p.name, kanji.substr(0, 254));
}

TEST(ComposeStatus, ShowsNameExtensionAndMode) {
  const std::string tiled = Cp(":並べて表示中");
  const std::string centred = Cp(":中央に表示中");
  ASSERT_EQ(tiled.size(), 13u);
  ASSERT_EQ(centred.size(), 13u);
  struct Case {
    std::string path;
    int tileMode;
    std::string want;
  } cases[] = {
      {"<none>", -1, "<none>" + tiled},
      {"c:\\windows\\setup.bmp", 0, "setup.bmp" + centred},
      {"c:\\windows\\setup.bmp", 1, "setup.bmp" + tiled},
      {"c:\\windows\\setup.bmp", 2, "setup.bmp" + tiled},
      {"C:\\WINDOWS\\Setup.BMP", 0, "setup.bmp" + centred},
      {"c:\\my.pics\\sunset", 1, "sunset" + tiled},
      {"c:\\pics\\my.wall.bmp", 1, "my.wall.bmp" + tiled},
      {"c:\\pics\\" + Cp("壁紙表.bmp"), 0, Cp("壁紙表.bmp") + centred},
      {"c:\\pics\\" + Cp("表"), 0, Cp("表") + centred},
      {"z:\\home\\kim\\a very long wallpaper name.jpeg.bmp", 1,
       "a very long wallpaper name.jpeg.bmp" + tiled},
  };
  for (const Case& c : cases) EXPECT_EQ(ComposeStatus(c.path, c.tileMode), c.want) << c.path;
}

}  // namespace
}  // namespace vok
