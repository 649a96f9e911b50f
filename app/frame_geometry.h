// Where the frame opens: the stored rectangle within the size limits, or
// the built-in default. Pure arithmetic, so it can be checked without a display.
#pragma once
#include <optional>

#include "settings/settings.h"

namespace vok {

// All in pixels, measured on the running display.
struct FrameMetrics {
  int cw = 0, ch = 0;  // "B" in the fixed-pitch font
  int mh = 0;          // menu bar height
  int fx = 0, fy = 0;  // sizing border
  int sw = 0, sh = 0;  // screen
};

struct FrameGeometry {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const FrameGeometry&) const = default;
};

int WidestFrame(const FrameMetrics& m);
int NarrowestFrame(const FrameMetrics& m);
int DefaultFrameHeight(const FrameMetrics& m);
int LowestFrame(const FrameMetrics& m);

FrameGeometry ComputeFrameGeometry(const FrameMetrics& m, const std::optional<WindowRect>& stored);

}  // namespace vok
