#include "desktop/backend.h"

namespace vok::desktop {

bool ShowWithCommand(Desktop, const std::string&, bool) { return false; }

int RunCommand(const std::vector<std::string>&, std::string*) { return -1; }

}  // namespace vok::desktop
