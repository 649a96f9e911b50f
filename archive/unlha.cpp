#include "archive/unlha.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "archive/concat.h"
#include "archive/listing.h"
#include "archive/lzh_archive.h"
#include "archive/member_names.h"
#include "archive/messages.h"
#include "platform/codepage.h"
#include "platform/dospath.h"
#include "platform/sys.h"

using vok::lzh::Concat;
using vok::lzh::Failure;
using vok::lzh::Status;

namespace {

std::atomic<int> g_running{0};

class RunningMark {
 public:
  RunningMark() { ++g_running; }
  ~RunningMark() { --g_running; }
  RunningMark(const RunningMark&) = delete;
  RunningMark& operator=(const RunningMark&) = delete;
};

// Copies text into the caller's buffer, cut to fit, always NUL-terminated.
void Emit(char* output, DWORD size, const std::string& text) {
  if (!output || size == 0) return;
  const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(output, text.data(), n);
  output[n] = '\0';
}

int Fail(char* output, DWORD size, Failure f, const std::string& subject,
         const std::string& method = "") {
  Emit(output, size, vok::lzh::MessageFor(f, subject, method));
  return vok::lzh::CodeFor(f);
}

std::string J(const char* utf8) { return vok::Utf8ToCp932Lossy(utf8); }

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
constexpr std::size_t kSizeWidth = vok::kTextKept - 2 - kNameWidth;  // 13

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

std::string MemberLine(const vok::lzh::Member& m, const vok::lzh::Shown& shown) {
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
  return Concat({Cut(line, vok::kLineWidth), "\n"});
}

std::string Rule() {
  return Concat({" ", std::string(kNameWidth, '-'), " ", std::string(kSizeWidth, '-'),
                 " ------ ----- ---------------- ---- ", std::string(kPathWidth, '-'), "\n"});
}

std::vector<std::string> HeaderLines(const std::string& archive) {
  return {
      Concat({Cut(Concat({J("書庫 "), Printable(archive)}), vok::kLineWidth), "\n"}),
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

// Maps the DOS path and reads the archive's headers; nonzero (with the
// message written) when that fails.
int Open(const std::string& archive, std::string* nativePath, vok::lzh::Archive* a, char* output,
         DWORD size) {
  const vok::NativePath native = vok::DosToNative(archive);
  if (!native) return Fail(output, size, Failure::ArchiveNotFound, archive);
  *nativePath = native.path;
  switch (vok::lzh::Scan(native.path, a)) {
    case Status::Ok:
      return 0;
    case Status::NotFound:
      return Fail(output, size, Failure::ArchiveNotFound, archive);
    case Status::NotLzh:
      return Fail(output, size, Failure::NotLzh, archive);
    case Status::ReadError:
      return Fail(output, size, Failure::CannotRead, archive);
    default:
      return Fail(output, size, Failure::Damaged, archive);
  }
}

int List(const std::string& archive, char* output, DWORD size) {
  std::string nativePath;
  vok::lzh::Archive a;
  if (const int rc = Open(archive, &nativePath, &a, output, size)) return rc;
  const std::vector<vok::lzh::Shown> shown = vok::lzh::ShownNames(a.members);
  std::uint64_t bytes = 0;
  for (const auto& m : a.members) bytes += m.length;

  std::string head;
  for (const std::string& l : HeaderLines(archive)) head += l;
  // The table keeps three header rows and two trailer rows around the members.
  const std::size_t rowRoom = vok::kMaxEntries - 5;
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
  while (used + trailer(count).size() + 1 > size) {
    if (count == 0) return Fail(output, size, Failure::BufferTooSmall, archive);
    used -= lines[--count].size();
  }
  std::string text = head;
  for (std::size_t i = 0; i < count; ++i) text += lines[i];
  text += trailer(count);
  Emit(output, size, text);
  return 0;
}

// The file in the current directory that a DOS name means, by the one
// rule for names whose case may differ. Empty when there is none.
std::string ExistingFile(const std::string& cp932) { return vok::FindEntry(".", cp932).value_or(""); }

bool SameContent(const std::string& a, const std::string& b) {
  const int fa = vok::sys::ops().open(a.c_str(), O_RDONLY, 0);
  if (fa < 0) return false;
  const int fb = vok::sys::ops().open(b.c_str(), O_RDONLY, 0);
  if (fb < 0) {
    vok::sys::ops().close(fa);
    return false;
  }
  std::vector<char> ba(64 * 1024), bb(64 * 1024);
  bool same = true;
  for (;;) {
    const ssize_t na = vok::sys::ops().read(fa, ba.data(), ba.size());
    ssize_t nb = 0;
    while (nb < na) {
      const ssize_t r = vok::sys::ops().read(fb, bb.data() + nb, na - nb);
      if (r <= 0) break;
      nb += r;
    }
    if (na < 0 || nb != na || std::memcmp(ba.data(), bb.data(), na) != 0) {
      same = false;
      break;
    }
    if (na == 0) break;
  }
  if (same) {
    char extra;
    same = vok::sys::ops().read(fb, &extra, 1) == 0;
  }
  vok::sys::ops().close(fa);
  vok::sys::ops().close(fb);
  return same;
}

bool IsRegularOfSize(const std::string& path, std::uint64_t size) {
  struct stat st;
  return vok::sys::ops().lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         static_cast<std::uint64_t>(st.st_size) == size;
}

// A fresh file in the current directory; its name goes to *name.
int CreateTemp(std::string* name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = ".vok32-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    const int fd = vok::sys::ops().open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

int Extract(const std::string& archive, const std::string& name, char* output, DWORD size) {
  std::string nativePath;
  vok::lzh::Archive a;
  if (const int rc = Open(archive, &nativePath, &a, output, size)) return rc;
  const auto shown = vok::lzh::ShownNames(a.members);
  const vok::lzh::Match match = vok::lzh::FindMember(a.members, shown, name);
  if (match.index < 0) return Fail(output, size, Failure::MemberNotFound, name);
  const vok::lzh::Member& m = a.members[match.index];
  switch (vok::lzh::CheckDecodable(m)) {
    case Status::Ok:
      break;
    case Status::TooLarge:
      return Fail(output, size, Failure::TooLarge, name);
    case Status::NotAFile:
      return Fail(output, size,
                  m.kind == vok::lzh::Kind::Link ? Failure::IsLink : Failure::IsDirectory, name);
    default:
      return Fail(output, size, Failure::Unsupported, name, m.method);
  }

  // Only a plain name in the current directory is ever written.
  const auto target = vok::Cp932ToUtf8Strict(match.fileName);
  if (!vok::lzh::IsSafeFileName(match.fileName) || !target)
    return Fail(output, size, Failure::CannotWrite, match.fileName);
  const std::string existing = ExistingFile(match.fileName);
  auto existingCp932 = [&] { return vok::Utf8ToCp932(existing).value_or(match.fileName); };
  if (!existing.empty() && !IsRegularOfSize(existing, m.length))
    return Fail(output, size, Failure::NameTaken, existingCp932());

  std::string temp;
  const int fd = CreateTemp(&temp);
  if (fd < 0) return Fail(output, size, Failure::CannotWrite, match.fileName);
  Status s = vok::lzh::Decode(nativePath, m, fd);
  if (s == Status::Ok && vok::sys::ops().fsync(fd) != 0) s = Status::WriteError;
  if (vok::sys::ops().close(fd) != 0 && s == Status::Ok) s = Status::WriteError;
  auto drop = [&](Failure f, const std::string& subject) {
    vok::sys::ops().unlink(temp.c_str());
    return Fail(output, size, f, subject);
  };
  switch (s) {
    case Status::Ok:
      break;
    case Status::WriteError:
      return drop(Failure::CannotWrite, match.fileName);
    case Status::ReadError:
    case Status::NotFound:
      return drop(Failure::CannotRead, archive);
    default:
      return drop(Failure::MemberDamaged, name);
  }

  const std::string done = J("「") + match.fileName + J("」を解凍しました。");
  if (!existing.empty()) {
    if (!SameContent(temp, existing)) return drop(Failure::NameTaken, existingCp932());
    vok::sys::ops().unlink(temp.c_str());
    Emit(output, size, done);
    return 0;
  }
  if (vok::sys::ops().renameNoReplace(temp.c_str(), target->c_str()) != 0) {
    const int err = errno;
    // Someone made the file meanwhile: the same content is as good as ours.
    if (err == EEXIST && SameContent(temp, *target)) {
      vok::sys::ops().unlink(temp.c_str());
      Emit(output, size, done);
      return 0;
    }
    return drop(err == EEXIST ? Failure::NameTaken : Failure::CannotWrite, match.fileName);
  }
  Emit(output, size, done);
  return 0;
}

std::string Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

extern "C" {

BOOL UnlhaGetRunning() { return g_running.load() != 0 ? 1 : 0; }

WORD UnlhaGetVersion() { return 100; }

BOOL UnlhaSetCursorMode(BOOL) { return 1; }

BOOL UnlhaSetBackGroundMode(BOOL) { return 1; }

int Unlha(HWND, const char* commandLine, char* output, DWORD size) {
  RunningMark mark;
  if (output && size > 0) output[0] = '\0';
  const std::string line = Trim(commandLine ? commandLine : "");
  const std::size_t blank = line.find(' ');
  if (blank != 1) return Fail(output, size, Failure::BadCommand, "");
  const char command = line[0];
  const std::string rest = Trim(line.substr(blank));
  if ((command == 'l' || command == 'L') && !rest.empty()) return List(rest, output, size);
  if (command == 'e' || command == 'E') {
    const std::size_t last = rest.rfind(' ');
    if (last == std::string::npos) return Fail(output, size, Failure::BadCommand, "");
    return Extract(Trim(rest.substr(0, last)), rest.substr(last + 1), output, size);
  }
  return Fail(output, size, Failure::BadCommand, "");
}

}  // extern "C"
