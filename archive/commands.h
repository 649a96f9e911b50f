// The archiver's two commands as values: "l" lists an archive, "e"
// extracts one member. The entry points in unlha.cpp turn the outcome into
// the caller's text and result code.
#pragma once
#include <cstddef>
#include <string>

#include "archive/messages.h"

namespace vok::lzh {

// The listing of the archive at a DOS path, in at most room - 1 bytes.
Outcome ListArchive(const std::string& archive, std::size_t room);

// Writes the member `name` (as listed) into the current directory, never
// over a different file and never anywhere else; a killed process leaves
// at most a hidden temporary file.
Outcome ExtractMember(const std::string& archive, const std::string& name);

}  // namespace vok::lzh
