// Reading an LZH archive: the members' headers as stored, and one member's
// data decoded and checked. -lh4- to -lh7- are decoded here (lh_decoder.h),
// the rarer methods by liblhasa; names, sizes and the end of the archive are
// taken from the raw headers here, because the library rewrites names and
// misses some damage.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/lh_decoder.h"

namespace vok::lzh {

enum class Status {
  Ok,
  NotFound,     // the archive cannot be opened
  NotLzh,       // no member header at the start
  Damaged,      // a header, the data or the end of the archive is broken
  Unsupported,  // no decoder for the method
  TooLarge,     // 4 GiB or more: the decoder would cut it short
  NotAFile,     // a directory or a link
  ReadError,
  WriteError,
};

enum class Kind { File, Directory, Link };

struct Member {
  Kind kind = Kind::File;
  std::string path;      // stored path, CP932, components joined with '\'
  std::string stored;    // the stored path as written, separators shown as '\'
  std::string name;      // the last component
  bool hasDir = false;   // stored with a directory part (or a drive, ..)
  std::string method;    // "-lh5-"
  std::uint64_t length = 0;
  std::uint64_t packed = 0;
  std::uint16_t crc = 0;
  std::int64_t timestamp = 0;  // Unix time
  int level = 0;
  std::uint64_t dataOffset = 0;
};

struct Archive {
  std::vector<Member> members;
  std::uint64_t fileSize = 0;
  std::string unsupportedMethod;  // when Scan stopped at a method it does not know
};

// Reads every header of the archive at the native path. A well-formed header
// of a method no decoder knows ("-zzz-") ends it with Unsupported.
Status Scan(const std::string& nativePath, Archive* out);

// Whether Decode can be tried at all: NotAFile, Unsupported, TooLarge or Ok.
Status CheckDecodable(const Member& m);

// Hands the member's data to sink in order, checking its length and CRC16
// at the end. Anything but Ok means the bytes handed out must be thrown away;
// a sink that says false ends it with WriteError. To decode into memory:
//   std::vector<unsigned char> v;
//   Decode(path, m, [&](const unsigned char* p, std::size_t n) {
//     v.insert(v.end(), p, p + n);
//     return true;
//   });
Status Decode(const std::string& nativePath, const Member& m, const OutputSink& sink);
using Sink = OutputSink;
// The same written to fd.
Status Decode(const std::string& nativePath, const Member& m, int fd);

// The member's data in memory. A member longer than maxBytes is TooLarge
// before anything is decoded; `accept`, when given, sees the bytes decoded
// so far after each block and stops decoding (WriteError) by returning false.
Status DecodeToMemory(const std::string& nativePath, const Member& m, std::uint64_t maxBytes,
                      std::vector<unsigned char>* out,
                      const std::function<bool(const std::vector<unsigned char>&)>& accept = {});

// Splits a stored name into components at '\', '/' and 0xFF, never inside
// a double-byte character; empty, "." and ".." components are dropped.
std::vector<std::string> SplitStoredPath(const std::string& raw, bool* hadDir);

}  // namespace vok::lzh
