#include "archive/listing_format.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "archive/concat.h"
#include "archive/listing.h"
#include "archive/member_names.h"
#include "platform/codepage.h"

namespace vok::lzh {
namespace {

std::string J(const char* utf8) { return Cp932Literal(utf8); }

// Pads to width with blanks, on the right or (alignRight) on the left.
std::string Pad(const std::string& s, std::size_t width, bool alignRight = false) {
  if (s.size() >= width) return s;
  const std::string fill(width - s.size(), ' ');
  return alignRight ? Concat({fill, s}) : Concat({s, fill});
}

// Control bytes would break the line structure the view relies on.
std::string Printable(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return s;
}

std::string Cut(const std::string& s, std::size_t maxBytes) {
  return s.substr(0, vok::FitCp932(s, maxBytes));
}

// The tail of a path that fits, marked with "..." when cut.
std::string Tail(const std::string& s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  std::size_t i = 0;
  while (i < s.size() && s.size() - i > maxBytes - 3)
    i += vok::CharStep(s, i);
  return Concat({"...", std::string_view(s).substr(i)});
}

constexpr std::size_t kNameWidth = 12;
constexpr std::size_t kSizeWidth = kTextKept - 2 - kNameWidth;  // 13

// Name and size in the view's 27 bytes; a long name pushes the size to the
// right and, when there is no room left, past what the view keeps.
std::string NameAndSize(const std::string& name, std::uint64_t length) {
  const std::string size = std::to_string(length);
  const std::size_t both = kNameWidth + 1 + kSizeWidth;
  if (name.size() <= kNameWidth) return Concat({Pad(name, kNameWidth), " ", Pad(size, kSizeWidth, true)});
  if (name.size() + 1 + size.size() <= both) return Concat({name, Pad(size, both - name.size(), true)});
  return Concat({name, " ", size});
}
constexpr std::size_t kPathWidth = 15;

std::string MemberLine(const Member& m, const Shown& shown) {
  char ratio[16];
  if (m.length == 0) std::snprintf(ratio, sizeof ratio, "  0.0%%");
  else {
    const double r = 100.0 * static_cast<double>(m.packed) / static_cast<double>(m.length);
    std::snprintf(ratio, sizeof ratio, "%5.1f%%", r > 999.9 ? 999.9 : r);
  }
  char when[64] = "";
  const std::time_t t = static_cast<std::time_t>(m.timestamp);
  std::tm tm{};
  if (localtime_r(&t, &tm))
    std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
  char crc[8];
  std::snprintf(crc, sizeof crc, "%04X", m.crc);
  const std::string line =
      Concat({shown.aliased ? "+" : " ", NameAndSize(shown.name, m.length), " ", ratio, " ",
              Pad(Printable(m.method), 5), " ", Pad(when, 16), " ", crc,
              shown.aliased ? " " : "", shown.aliased ? Tail(Printable(m.stored), kPathWidth) : ""});
  return Concat({Cut(line, kLineWidth), "\n"});
}

std::string Rule() {
  return Concat({" ", std::string(kNameWidth, '-'), " ", std::string(kSizeWidth, '-'),
                 " ------ ----- ---------------- ---- ", std::string(kPathWidth, '-'), "\n"});
}

std::vector<std::string> HeaderLines(const std::string& archive) {
  return {
      Concat({Cut(Concat({J("書庫 "), Printable(archive)}), kLineWidth), "\n"}),
      Concat({" ", Pad(J("名前"), kNameWidth), " ", Pad(J("サイズ"), kSizeWidth, true), " ",
              Pad(J("圧縮率"), 6), " ", Pad(J("方式"), 5), " ", Pad(J("日時"), 16), " ",
              "CRC  ", J("格納パス"), "\n"}),
      Rule(),
  };
}

std::vector<std::string> TrailerLines(std::size_t shownCount, std::size_t total,
                                      std::uint64_t bytes) {
  const bool cut = shownCount < total;
  return {Rule(), Concat({" ", J("合計 "), std::to_string(total), J(" ファイル  "), std::to_string(bytes),
                          J(" バイト"), cut ? J("  （") : "", cut ? std::to_string(total - shownCount) : "",
                          cut ? J(" ファイルは省略）") : "", "\n"})};
}

}  // namespace

std::optional<std::string> FormatListing(const std::string& archive, const Archive& a, std::size_t room) {
  const std::vector<Shown> shown = ShownNames(a.members);
  std::uint64_t bytes = 0;
  for (const auto& m : a.members) bytes += m.length;

  std::string head;
  for (const std::string& l : HeaderLines(archive)) head += l;
  // The table keeps three header rows and two trailer rows around the members.
  const std::size_t rowRoom = kMaxEntries - 5;
  std::size_t count = a.members.size() < rowRoom ? a.members.size() : rowRoom;
  std::vector<std::string> lines;
  std::size_t used = head.size();
  for (std::size_t i = 0; i < count; ++i) {
    lines.push_back(MemberLine(a.members[i], shown[i]));
    used += lines.back().size();
  }
  auto trailer = [&](std::size_t k) {
    std::string t;
    for (const std::string& l : TrailerLines(k, a.members.size(), bytes)) t += l;
    return t;
  };
  while (used + trailer(count).size() + 1 > room) {
    if (count == 0) return std::nullopt;
    used -= lines[--count].size();
  }
  std::string text = head;
  for (std::size_t i = 0; i < count; ++i) text += lines[i];
  text += trailer(count);
  return text;
}

}  // namespace vok::lzh
