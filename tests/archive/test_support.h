// Running the archiver in-process, as the window does.
#pragma once
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "archive/listing.h"
#include "archive/unlha.h"
#include "platform/codepage.h"
#include "platform/dospath.h"
#include "platform/sys.h"

namespace vok::testing {

struct Outcome {
  int rc = -1;
  std::string text;  // CP932
};

inline std::string Dos(const std::filesystem::path& p) { return *NativeToDos(p.string()); }
inline std::string J(const char* utf8) { return Utf8ToCp932Lossy(utf8); }

inline Outcome Unlha(const std::string& commandLine) {
  std::vector<char> buffer(kListingBufferSize, '\0');
  Outcome r;
  r.rc = ::Unlha(nullptr, commandLine.c_str(), buffer.data(), kListingBufferSize);
  r.text = buffer.data();
  return r;
}
inline Outcome List(const std::filesystem::path& archive) { return Unlha("l " + Dos(archive)); }
inline Outcome Extract(const std::filesystem::path& archive, const std::string& cp932Name) {
  return Unlha("e " + Dos(archive) + " " + cp932Name);
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// The names the view would hand to "e": one per data row.
inline std::vector<std::string> RowNames(const std::string& listing) {
  std::vector<char> buffer(kListingBufferSize, '\0');
  listing.copy(buffer.data(), buffer.size() - 1);
  std::vector<ListEntry> entries(kMaxEntries);
  int count = 0;
  ParseListing(buffer.data(), entries.data(), &count);
  std::vector<std::string> names;
  for (int row = kFirstDataRow; row <= count - 3; ++row) {
    char name[sizeof(ListEntry::Text)];
    MemberNameFromText(entries[row].Text, name, sizeof name);
    names.emplace_back(name);
  }
  return names;
}

inline std::set<std::string> Files(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.insert(e.path().filename().string());
  return names;
}

inline std::uint16_t Crc16(const std::string& data) {
  std::uint16_t crc = 0;
  for (unsigned char c : data) {
    crc ^= c;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

// A level-0 archive of stored members, built byte by byte so that names no
// archiver would write can be tried.
inline std::string Level0Archive(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string out;
  auto le32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  for (const auto& [name, data] : members) {
    std::string h = "-lh0-" + le32(data.size()) + le32(data.size()) + le32(0x5A2B6000) +
                    std::string{'\x20', '\x00', static_cast<char>(name.size())} + name;
    const std::uint16_t crc = Crc16(data);
    h += std::string{static_cast<char>(crc), static_cast<char>(crc >> 8)};
    unsigned sum = 0;
    for (unsigned char c : h) sum += c;
    out += std::string{static_cast<char>(h.size()), static_cast<char>(sum)} + h + data;
  }
  return out + '\0';
}

// Runs a shell command in dir; true on success.
inline bool Shell(const std::filesystem::path& dir, const std::string& command) {
  const std::string line = "cd '" + dir.string() + "' && " + command + " >/dev/null 2>&1";
  return std::system(line.c_str()) == 0;
}

// Fails writes past 64 MiB for its scope, so that a member which should
// never be extracted (the 4.7 GB one) cannot fill the disk if it is.
class WriteGuard {
 public:
  WriteGuard() {
    written_ = 0;
    sys::ops().write = [](int fd, const void* p, size_t n) -> ssize_t {
      if ((written_ += n) > (64u << 20)) {
        errno = EFBIG;
        return -1;
      }
      return sys::realOps().write(fd, p, n);
    };
  }

 private:
  sys::ScopedOps restore_;
  static inline std::size_t written_ = 0;
};

}  // namespace vok::testing
