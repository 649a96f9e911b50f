// Every failure of the archiver, and the one place that words it for the
// user (Japanese, CP932).
#pragma once
#include <optional>
#include <string>
#include <utility>

#include "archive/lzh_archive.h"

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
  OutOfMemory,
  NoCurrentDirectory,
  Ambiguous,
};

// `subject` is the archive path, the member or file name the message is
// about (CP932); `method` only for Unsupported.
std::string MessageFor(Failure f, const std::string& subject, const std::string& method = "");

// Nonzero result code of Unlha for a failure.
int CodeFor(Failure f);

// What a command came to: on success the text to hand back, on failure the
// failure and what it is about.
struct Outcome {
  std::optional<Failure> failure;
  std::string text;    // the result, or the failure's subject
  std::string method;  // Unsupported only
};
inline Outcome Done(std::string text) { return {std::nullopt, std::move(text), {}}; }
inline Outcome Failed(Failure f, std::string subject, std::string method = "") {
  return {f, std::move(subject), std::move(method)};
}

// Where a reader's status came from: reading the headers, checking a member
// before decoding it, decoding it.
enum class Step { Open, Check, Decode };

// The one mapping from a status other than Ok to the failure it means.
Failure FailureFor(Step step, Status s, Kind kind);

}  // namespace vok::lzh
