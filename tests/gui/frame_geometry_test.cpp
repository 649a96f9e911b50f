#include "app/frame_geometry.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace vok {
namespace {

// cw 8, ch 16, menu 20, border 4, screen 1024x768:
// widest 224, narrowest 206, default height 16*10+8+20+54 = 242, lowest 114.
constexpr FrameMetrics kM{8, 16, 20, 4, 4, 1024, 768};

TEST(FrameGeometry, DerivedSizes) {
  EXPECT_EQ(WidestFrame(kM), 224);
  EXPECT_EQ(NarrowestFrame(kM), 206);
  EXPECT_EQ(DefaultFrameHeight(kM), 242);
  EXPECT_EQ(LowestFrame(kM), 114);
  // A narrow font still leaves room for the tool bar.
  FrameMetrics narrow = kM;
  narrow.cw = 6;
  EXPECT_EQ(WidestFrame(narrow), 206);
}

TEST(FrameGeometry, NoStoredRectangleGivesTheDefault) {
  EXPECT_EQ(ComputeFrameGeometry(kM, std::nullopt), (FrameGeometry{300, 100, 224, 242}));
}

struct Case {
  const char* what;
  WindowRect stored;  // left, right, top, bottom
  FrameGeometry want;
};

class Stored : public testing::TestWithParam<Case> {};

TEST_P(Stored, LimitsApplyEachOnItsOwn) {
  EXPECT_EQ(ComputeFrameGeometry(kM, GetParam().stored), GetParam().want) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    FrameGeometry, Stored,
    testing::Values(
        Case{"round trip inside the limits", {100, 310, 50, 300}, {100, 50, 210, 250}},
        Case{"wider than widest", {100, 400, 50, 300}, {100, 50, 224, 250}},
        Case{"exactly widest", {0, 224, 0, 300}, {0, 0, 224, 300}},
        Case{"narrower than narrowest", {100, 150, 50, 300}, {100, 50, 206, 250}},
        Case{"exactly narrowest", {100, 306, 50, 300}, {100, 50, 206, 250}},
        Case{"lower than lowest", {100, 310, 50, 100}, {100, 50, 210, 114}},
        Case{"exactly lowest is raised to lowest", {100, 310, 50, 164}, {100, 50, 210, 114}},
        Case{"tall stays tall", {100, 310, 0, 2000}, {100, 0, 210, 2000}},
        Case{"left beyond the screen", {1025, 1235, 50, 300}, {300, 50, 210, 250}},
        Case{"left at the screen width is kept", {1024, 1234, 50, 300}, {1024, 50, 210, 250}},
        Case{"top beyond the screen", {100, 310, 769, 1000}, {100, 100, 210, 231}},
        Case{"negative position kept", {-8, 202, -8, 300}, {-8, -8, 210, 308}},
        Case{"right left of left", {500, 100, 300, 100}, {500, 300, 206, 114}},
        Case{"far-apart edges do not overflow", {-2147483647 - 1, 2147483647, -2147483647 - 1, 2147483647},
             {-2147483647 - 1, -2147483647 - 1, 224, 2147483647}}),
    [](const testing::TestParamInfo<Case>& info) {
      std::string name = info.param.what;
      for (char& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

}  // namespace
}  // namespace vok
