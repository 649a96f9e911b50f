#include "desktop/backend.h"

namespace vok::desktop {

bool ShowWithXfconf(const std::string&, bool) { return false; }

}  // namespace vok::desktop
