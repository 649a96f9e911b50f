#include "archive/member_names.h"

#include <cassert>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "archive/concat.h"
#include "platform/codepage.h"

namespace vok::lzh {
namespace {

bool IsForbidden(unsigned char c) {
  return c <= 0x20 || c == 0x7F || std::strchr("\"*:<>?|/\\", c) != nullptr;
}

// Keeps the characters a DOS short name may hold: ASCII letters (upper-cased),
// digits, '_' and '-', half-width katakana and valid double-byte characters.
// A name that is not CP932 gives only its ASCII letters, never characters
// made up of its stray bytes.
std::string ShortPart(const std::string& s, std::size_t max, bool asciiOnly) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (asciiOnly && c >= 0x80) {
      ++i;
      continue;
    }
    if (CharStep(s, i) == 2) {
      const std::string pair = s.substr(i, 2);
      if (Cp932ToUtf8Strict(pair) && out.size() + 2 <= max) out += pair;
      else if (out.size() + 2 > max) break;
      i += 2;
      continue;
    }
    if (out.size() >= max) break;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-' ||
        (c >= 0xA1 && c <= 0xDF))
      out += static_cast<char>(c);
    else if (c >= 'a' && c <= 'z')
      out += static_cast<char>(c - 'a' + 'A');
    ++i;
  }
  return out;
}

std::string MakeAlias(const std::string& name, int n) {
  const bool asciiOnly = !Cp932ToUtf8Strict(name);
  std::string stem = name, ext;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    stem = name.substr(0, dot);
    ext = ShortPart(name.substr(dot + 1), 3, asciiOnly);
  }
  const std::string tail = Concat({"~", std::to_string(n)});
  const std::string shortStem = ShortPart(stem, tail.size() < 8 ? 8 - tail.size() : 1, asciiOnly);
  return Concat({shortStem.empty() ? "_" : std::string_view(shortStem), tail, ext.empty() ? "" : ".", ext});
}

}  // namespace

bool IsSafeFileName(const std::string& cp932) {
  if (cp932.empty() || cp932 == "." || cp932 == ".." || cp932.size() > 200) return false;
  // A trail byte may be 0x5C; the conversion below checks the pair.
  for (std::size_t i = 0; i < cp932.size(); i += CharStep(cp932, i)) {
    if (IsForbidden(static_cast<unsigned char>(cp932[i]))) return false;
  }
  const auto utf8 = Cp932ToUtf8Strict(cp932);
  return utf8 && utf8->find('/') == std::string::npos;
}

std::vector<Shown> ShownNames(const std::vector<Member>& members) {
  std::vector<Shown> shown(members.size());
  std::unordered_set<std::string> taken;  // lower-cased
  std::vector<bool> needAlias(members.size(), false);
  // Members at the top keep their names before those from a directory.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < members.size(); ++i) {
      if (members[i].hasDir != (pass == 1)) continue;
      const std::string& n = members[i].name;
      if (n.size() <= kShownNameMax && IsSafeFileName(n) && taken.insert(LowerCp932(n)).second) {
        shown[i].name = n;
        shown[i].aliased = members[i].hasDir;
      } else {
        needAlias[i] = true;
      }
    }
  }
  // One counter per alias prefix: the stem cut for a number of that many
  // digits, and the extension. Names that shorten alike share it, so a
  // counter only ever moves forward and every name taken is passed over at
  // most once: linear in the members, however many collide.
  std::unordered_map<std::string, int> next;
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (!needAlias[i]) continue;
    for (int digits = 1, first = 1; digits <= 9 && !shown[i].aliased; ++digits, first *= 10) {
      const int last = first * 10 - 1;
      int& n = next[LowerCp932(MakeAlias(members[i].name, first))];
      if (n == 0) n = first;
      for (; n <= last; ++n) {
        std::string alias = MakeAlias(members[i].name, n);
        if (taken.insert(LowerCp932(alias)).second) {
          shown[i].name = std::move(alias);
          shown[i].aliased = true;
          ++n;
          break;
        }
      }
    }
    assert(shown[i].aliased && "more members than short names");
  }
  return shown;
}

Match FindMember(const std::vector<Member>& members, const std::vector<Shown>& shown,
                 const std::string& name) {
  bool given = false;
  std::vector<std::string> parts = SplitStoredPath(name, &given);
  std::string asPath;
  for (const std::string& p : parts) asPath += (asPath.empty() ? "" : "\\") + p;
  const std::string lowerName = LowerCp932(name), lowerPath = LowerCp932(asPath);

  auto found = [&](std::size_t i, bool byShown) {
    Match m;
    m.index = static_cast<int>(i);
    if (byShown) m.fileName = name;
    else m.fileName = IsSafeFileName(parts.back()) ? parts.back() : shown[i].name;
    return m;
  };
  for (std::size_t i = 0; i < members.size(); ++i)
    if (shown[i].name == name) return found(i, true);
  if (!parts.empty())
    for (std::size_t i = 0; i < members.size(); ++i)
      if (members[i].path == asPath) return found(i, false);
  for (std::size_t i = 0; i < members.size(); ++i)
    if (LowerCp932(shown[i].name) == lowerName) return found(i, true);
  if (!parts.empty())
    for (std::size_t i = 0; i < members.size(); ++i)
      if (LowerCp932(members[i].path) == lowerPath) return found(i, false);
  return {};
}

}  // namespace vok::lzh
