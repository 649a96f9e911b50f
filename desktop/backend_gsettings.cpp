#include "desktop/backend.h"

namespace vok::desktop {

bool ShowWithGSettings(Desktop, const std::string&, bool) { return false; }

}  // namespace vok::desktop
