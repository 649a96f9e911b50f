// A top-level window's outer rectangle, decorations included, as the
// settings store it.
#pragma once
#include "settings/settings.h"

class wxWindow;

namespace vok {

WindowRect OuterRect(const wxWindow& topLevel);

}  // namespace vok
