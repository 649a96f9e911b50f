#include "app/field_text.h"

#include <gtest/gtest.h>

namespace vok {
namespace {

// ASCII 6 pixels, anything wider (the ellipsis, kana, kanji) 12.
int Measure(std::string_view s) {
  int w = 0;
  for (unsigned char c : s) {
    if (c < 0x80) w += 6;
    else if ((c & 0xC0) != 0x80) w += 12;
  }
  return w;
}

TEST(FieldText, TheModeStaysWholeAndTheNameGivesWayInItsMiddle) {
  const std::string centred = "sunset.bmp:中央に表示中";  // 60 + 6 + 72 = 138 px
  struct {
    std::string text;
    int width;
    std::string want;
  } cases[] = {
      {centred, 138, centred},                                 // fits exactly
      {centred, 137, "suns…bmp:中央に表示中"},                 // one pixel short: the name's middle goes
      {centred, 95, "…:中央に表示中"},                          // room for the mode only
      {centred, 10, "…:中央に表示中"},                          // not even that: still the mode, never the name
      {"averyverylongwallpapername.bmp:並べて表示中", 200, "averyvery…rname.bmp:並べて表示中"},
      {"夕焼けの海.bmp:並べて表示中", 140, "夕焼け…mp:並べて表示中"},  // whole characters only
      {"<none>:並べて表示中", 200, "<none>:並べて表示中"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FitText(c.text, StatusKeepFrom(c.text), c.width, Measure), c.want) << c.text << " in " << c.width;
    if (c.width >= 90) {
      EXPECT_LE(Measure(c.want), c.width) << c.want;
    }
  }
}

TEST(FieldText, AHintIsWholeWhereItFitsAndLosesItsMiddleOtherwise) {
  const std::string hint = "壁紙ﾌｧｲﾙを解凍&変更";
  EXPECT_EQ(StatusKeepFrom(hint), hint.size());
  EXPECT_EQ(FitText(hint, StatusKeepFrom(hint), Measure(hint), Measure), hint);
  EXPECT_EQ(FitText(hint, StatusKeepFrom(hint), 100, Measure), "壁紙ﾌｧ…&変更");
  EXPECT_EQ(FitText("", 0, 0, Measure), "");
}

}  // namespace
}  // namespace vok
