// The text of the archiver's "l": a header, one line per member, a trailer.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "archive/lzh_archive.h"

namespace vok::lzh {

// The listing of an archive read from the DOS path `archive`, in at most
// room - 1 bytes: members that do not fit are left out and counted in the
// last line. nullopt when not even the header and the trailer fit.
std::optional<std::string> FormatListing(const std::string& archive, const Archive& a, std::size_t room);

}  // namespace vok::lzh
