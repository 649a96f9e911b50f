#include "app/frame_geometry.h"

#include <algorithm>
#include <cstdint>

namespace vok {

namespace {
// Differences of far-apart coordinates must not overflow.
int Diff(int a, int b) {
  std::int64_t d = std::int64_t{a} - b;
  return static_cast<int>(std::clamp<std::int64_t>(d, INT32_MIN, INT32_MAX));
}
}  // namespace

int WidestFrame(const FrameMetrics& m) { return std::max(27 * m.cw, 198) + 2 * m.fx; }
int NarrowestFrame(const FrameMetrics& m) { return 198 + 2 * m.fx; }
int DefaultFrameHeight(const FrameMetrics& m) { return 10 * m.ch + 2 * m.fy + m.mh + 54; }
int LowestFrame(const FrameMetrics& m) { return 2 * m.ch + 2 * m.fy + m.mh + 54; }

FrameGeometry ComputeFrameGeometry(const FrameMetrics& m, const std::optional<WindowRect>& stored) {
  const int widest = WidestFrame(m);
  const int narrowest = NarrowestFrame(m);
  const int lowest = LowestFrame(m);
  if (!stored) return {300, 100, widest, DefaultFrameHeight(m)};

  const WindowRect& r = *stored;
  FrameGeometry g;
  g.x = r.left > m.sw ? 300 : r.left;
  g.y = r.top > m.sh ? 100 : r.top;
  const int w = Diff(r.right, r.left);
  g.w = w >= widest ? widest : (w <= narrowest ? narrowest : w);
  const int h = Diff(r.bottom, r.top);
  g.h = h > lowest ? h : lowest;
  return g;
}

}  // namespace vok
