#include "widgets/outer_rect.h"

#include <wx/window.h>

namespace vok {

WindowRect OuterRect(const wxWindow& topLevel) {
  const wxRect r = topLevel.GetRect();
  return {r.GetLeft(), r.GetLeft() + r.GetWidth(), r.GetTop(), r.GetTop() + r.GetHeight()};
}

}  // namespace vok
