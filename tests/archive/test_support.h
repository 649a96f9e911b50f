// Running the archiver in-process, as the window does.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "archive/listing.h"
#include "archive/unlha.h"
#include "platform/codepage.h"
#include "platform/dospath.h"

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
    char name[16];
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

// Runs a shell command in dir; true on success.
inline bool Shell(const std::filesystem::path& dir, const std::string& command) {
  const std::string line = "cd '" + dir.string() + "' && " + command + " >/dev/null 2>&1";
  return std::system(line.c_str()) == 0;
}

}  // namespace vok::testing
