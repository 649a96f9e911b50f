// The system code page is CP932. Strings inside the program are CP932 bytes;
// these convert at the edges (the GUI, the file system).
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vok {

// True for a CP932 lead byte (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsDBCSLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Bytes the character at s[i] takes: 2 for a lead byte with a byte after
// it, else 1. Stepping by it, a trail byte such as the 0x5C of 表 is never
// read as a character of its own.
constexpr std::size_t CharStep(std::string_view s, std::size_t i) {
  return IsDBCSLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// The length of the longest run of whole characters within maxBytes.
constexpr std::size_t FitCp932(std::string_view s, std::size_t maxBytes) {
  std::size_t i = 0;
  while (i < s.size() && i + CharStep(s, i) <= maxBytes) i += CharStep(s, i);
  return i;
}

// For display: an invalid byte becomes U+FFFD and the rest still converts.
std::string Cp932ToUtf8(std::string_view cp932);
// For names on disk: nullopt unless every byte converts.
std::optional<std::string> Cp932ToUtf8Strict(std::string_view cp932);
// nullopt when a character has no CP932 form.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);
// For literals and display text known to be representable; a character
// CP932 lacks becomes '?'.
std::string Utf8ToCp932Lossy(std::string_view utf8);

// A literal written in UTF-8 in the source, in CP932. Every character must
// have a CP932 form (asserted).
std::string Cp932Literal(std::string_view utf8);

// Lower-cases as the program does to paths: ASCII A-Z only, and never the
// second byte of a double-byte character.
void CharLowerA(char* s);
std::string LowerCp932(std::string_view s);

}  // namespace vok
