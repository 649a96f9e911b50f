// Every failure of the archiver, and the one place that words it for the
// user (Japanese, CP932).
#pragma once
#include <string>

namespace vok::lzh {

enum class Failure {
  BadCommand,
  ArchiveNotFound,
  NotLzh,
  MemberNotFound,
  Unsupported,
  Damaged,
  MemberDamaged,
  TooLarge,
  IsDirectory,
  IsLink,
  CannotRead,
  CannotWrite,
  NameTaken,
  BufferTooSmall,
};

// `subject` is the archive path, the member or file name the message is
// about (CP932); `method` only for Unsupported.
std::string MessageFor(Failure f, const std::string& subject, const std::string& method = "");

// Nonzero result code of Unlha for a failure.
int CodeFor(Failure f);

}  // namespace vok::lzh
