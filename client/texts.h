// Every text the client shows, in CP932.
#pragma once
#include <string>

namespace vok::texts {

}  // namespace vok::texts
