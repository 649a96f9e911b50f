#include "platform/profile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <optional>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "platform/codepage.h"
#include "platform/dospath.h"
#include "platform/file.h"
#include "platform/sys.h"

namespace vok {
namespace {

// A hand-edited file this large is not a profile; refusing it keeps a write
// from replacing something we never understood.
constexpr size_t kMaxFileSize = 16u << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerCp932(a) == LowerCp932(b);
}

// One line of the file as a view into it: its text, and where the line with
// its terminator begins and ends, so a rewrite puts back exactly what was
// there. Nothing is kept per line, so reading costs no more than the file.
struct Line {
  std::string_view text;
  size_t begin = 0;
  size_t end = 0;  // past the terminator
  bool terminated = false;
};

// Calls fn for each line in order until it returns false.
template <typename Fn>
void ForEachLine(std::string_view content, Fn fn) {
  size_t pos = 0;
  while (pos < content.size()) {
    Line l;
    l.begin = pos;
    size_t nl = content.find('\n', pos);
    if (nl == std::string_view::npos) {
      l.text = content.substr(pos);
      pos = content.size();
    } else {
      size_t textEnd = nl;
      if (textEnd > pos && content[textEnd - 1] == '\r') --textEnd;
      l.text = content.substr(pos, textEnd - pos);
      l.terminated = true;
      pos = nl + 1;
    }
    l.end = pos;
    if (!fn(l)) return;
  }
}

// "[name]" with blanks allowed around and inside the brackets.
std::optional<std::string_view> SectionOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  size_t close = t.rfind(']');
  if (close == std::string_view::npos || close == 0) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

// A line without '=' is not a key; it is kept but never read.
std::optional<KeyLine> KeyOf(std::string_view line) {
  if (SectionOf(line)) return std::nullopt;
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  std::string_view key = Trim(line.substr(0, eq));
  if (key.empty()) return std::nullopt;
  return KeyLine{key, Trim(line.substr(eq + 1))};
}

// Calls fn(line) for each line inside a section of that name (every copy of
// it), headers excluded, until fn returns false.
template <typename Fn>
void ForEachLineIn(std::string_view content, std::string_view section, Fn fn) {
  bool inside = false;
  ForEachLine(content, [&](const Line& l) {
    if (auto s = SectionOf(l.text)) {
      inside = SameName(*s, section);
      return true;
    }
    return !inside || fn(l);
  });
}

// The first line holding key in any section of that name.
std::optional<Line> FindKey(std::string_view content, std::string_view section,
                            std::string_view key) {
  std::optional<Line> found;
  ForEachLineIn(content, section, [&](const Line& l) {
    if (auto kv = KeyOf(l.text); kv && SameName(kv->key, key)) found = l;
    return !found;
  });
  return found;
}

// --- Files ---

struct Contents {
  bool ok = false;      // false: the file is there but could not be read
  bool exists = false;
  mode_t mode = 0666;
  std::string bytes;
};

Contents Load(const std::string& path) {
  auto& os = sys::ops();
  Contents c;
  struct stat st;
  if (os.stat(path.c_str(), &st) != 0) {
    c.ok = errno == ENOENT || errno == ENOTDIR;
    return c;
  }
  c.exists = true;
  c.mode = st.st_mode & 07777;
  if (!S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > kMaxFileSize) return c;
  int fd = os.open(path.c_str(), O_RDONLY, 0);
  if (fd < 0) return c;
  c.bytes.reserve(static_cast<size_t>(st.st_size));
  char buf[8192];
  for (;;) {
    ssize_t n = file::Read(fd, buf, sizeof buf);
    if (n < 0 || c.bytes.size() + static_cast<size_t>(n) > kMaxFileSize) {
      os.close(fd);
      return c;
    }
    if (n == 0) break;
    c.bytes.append(buf, static_cast<size_t>(n));
  }
  os.close(fd);
  c.ok = true;
  return c;
}

std::string DirOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Replaces the file whole: readers and a crash see the old or the new
// contents, never a mixture, and a killed writer leaves nothing behind.
bool Replace(const std::string& path, const std::string& bytes, mode_t mode) {
  auto& os = sys::ops();
  const std::string dir = DirOf(path);
  {
    file::PendingFile pending(dir, mode);
    if (pending.fd() < 0 || !file::WriteAll(pending.fd(), bytes) || !pending.Replace(path))
      return false;
  }
  // Make the rename itself durable; the data is already safe either way.
  int dfd = os.open(dir.c_str(), O_RDONLY | O_DIRECTORY, 0);
  if (dfd >= 0) {
    os.fsync(dfd);
    os.close(dfd);
  }
  return true;
}

// Serialises one read-edit-write against every other writer of the file,
// in this process or another: without it, two writers each replace the file
// with their own edit and one of them is lost.
class WriteLock {
 public:
  // How long a writer waits for another before it gives up: long enough for
  // any real write, short enough that a stuck holder is reported.
  static constexpr int kTries = 300;
  static constexpr long kPauseNs = 10'000'000;

  explicit WriteLock(const std::string& profile) : path_(LockPathOf(profile)) {
    auto& os = sys::ops();
    for (int attempt = 0; attempt < kTries; ++attempt) {
      int fd = os.open(path_.c_str(), O_RDWR | O_CREAT, 0600);
      if (fd < 0) return;
      if (os.flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK || errno == EINTR;
        os.close(fd);
        // Where locks cannot be taken at all, nobody holds this file either.
        if (!busy) {
          os.unlink(path_.c_str());
          return;
        }
        const timespec pause{0, kPauseNs};
        os.nanosleep(&pause, nullptr);
        continue;
      }
      // The holder before us removes the file as it lets go: a lock on a
      // file no longer under that name guards nothing.
      struct stat held, named;
      if (os.fstat(fd, &held) == 0 && os.stat(path_.c_str(), &named) == 0 &&
          held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
        fd_ = fd;
        return;
      }
      os.close(fd);
    }
  }
  ~WriteLock() {
    if (fd_ < 0) return;
    // Removed while still held, so nothing is left beside the profile.
    sys::ops().unlink(path_.c_str());
    sys::ops().close(fd_);
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  static std::string LockPathOf(const std::string& profile) {
    const size_t slash = profile.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : profile.substr(0, slash);
    return dir + "/." + profile.substr(slash + 1) + ".lock";
  }
  std::string path_;
  int fd_ = -1;
};

// The file a profile path names once symbolic links are followed, so a
// write replaces the link's target and the link stays a link. A link to
// nothing names the file it would point to.
std::optional<std::string> FollowLinks(std::string path) {
  auto& os = sys::ops();
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (os.lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char buf[PATH_MAX];
    const ssize_t n = os.readlink(path.c_str(), buf, sizeof buf);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return std::nullopt;
    std::string to(buf, static_cast<size_t>(n));
    path = to.front() == '/' ? std::move(to) : DirOf(path) + "/" + to;
  }
  return std::nullopt;  // a loop
}

bool MakeDirs(const std::string& dir) {
  auto& os = sys::ops();
  struct stat st;
  if (os.stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const std::string parent = DirOf(dir);
  if (parent != dir && !MakeDirs(parent)) return false;
  return os.mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

struct Location {
  std::string path;        // native; empty when the name cannot be a file here
  bool inWindowsDir = false;
};

Location Locate(const char* file) {
  Location loc;
  if (!file || !*file) return loc;
  std::string_view name = file;
  bool hasDir = false;
  for (size_t i = 0; i < name.size(); i += CharStep(name, i)) {
    const char c = name[i];  // a lead byte is never one of these
    if (c == '\\' || c == '/' || c == ':') hasDir = true;
  }
  if (hasDir) {
    NativePath p = DosToNative(name);
    if (p) loc.path = p.path;
    return loc;
  }
  if (name == "." || name == "..") return loc;
  std::string dir = WindowsDirectory();
  std::optional<std::string> utf8 = Cp932ToUtf8Strict(name);
  if (dir.empty() || !utf8) return loc;
  loc.path = dir + "/" + *utf8;
  loc.inWindowsDir = true;
  return loc;
}

// A name or value that would end its line early or start a new section
// would change other entries of the file; such a write is refused.
bool Fits(const char* s, bool isName) {
  if (!s) return true;
  for (const char* p = s; *p; ++p) {
    if (*p == '\n' || *p == '\r') return false;
    if (isName && *p == '=') return false;
  }
  return true;
}

DWORD CopyOut(std::string_view value, char* out, DWORD size) {
  if (!out || size == 0) return 0;
  size_t nul = value.find('\0');
  if (nul != std::string_view::npos) value = value.substr(0, nul);
  size_t n = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
  return static_cast<DWORD>(n);
}

// Names one after another, each with its NUL, and a second NUL at the end;
// a list that does not fit is cut and the result is size - 2.
class NameList {
 public:
  void Add(std::string_view n) {
    all_.append(n);
    all_.push_back('\0');
  }
  DWORD CopyOut(char* out, DWORD size) {
    if (!out || size == 0) return 0;
    if (size == 1) {
      out[0] = '\0';
      return 0;
    }
    const bool empty = all_.empty();
    if (empty) all_.push_back('\0');  // an empty list is still two NULs
    if (all_.size() + 1 <= size) {
      std::memcpy(out, all_.data(), all_.size());
      out[all_.size()] = '\0';
      return empty ? 0 : static_cast<DWORD>(all_.size());
    }
    std::memcpy(out, all_.data(), size - 2);
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
  }

 private:
  std::string all_;
};

DWORD GetString(const char* section, const char* key, const char* def, char* out, DWORD size,
                const char* file) {
  Location loc = Locate(file);
  Contents c = loc.path.empty() ? Contents{} : Load(loc.path);
  const std::string_view content = c.ok ? std::string_view(c.bytes) : std::string_view();

  if (!section) {
    NameList names;
    ForEachLine(content, [&](const Line& l) {
      if (auto s = SectionOf(l.text)) names.Add(*s);
      return true;
    });
    return names.CopyOut(out, size);
  }
  if (!key) {
    NameList names;
    ForEachLineIn(content, Trim(section), [&](const Line& l) {
      if (auto kv = KeyOf(l.text)) names.Add(kv->key);
      return true;
    });
    return names.CopyOut(out, size);
  }
  if (auto l = FindKey(content, Trim(section), Trim(key))) {
    std::string_view v = KeyOf(l->text)->value;
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
      v = v.substr(1, v.size() - 2);
    return CopyOut(v, out, size);
  }
  std::string_view d = def ? def : "";
  while (!d.empty() && IsBlank(d.back())) d.remove_suffix(1);
  return CopyOut(d, out, size);
}

// The entry points are C calls: memory running out is a failed call, with
// the file untouched, never the end of the program.
DWORD GetStringSafely(const char* section, const char* key, const char* def, char* out, DWORD size,
                      const char* file) {
  try {
    return GetString(section, key, def, out, size, file);
  } catch (const std::bad_alloc&) {
    return CopyOut(def ? def : "", out, size);
  }
}

UINT GetInt(const char* section, const char* key, int def, const char* file) {
  if (!section || !key) return static_cast<UINT>(def);
  char buf[64];
  if (GetStringSafely(section, key, "", buf, sizeof buf, file) == 0) return static_cast<UINT>(def);
  const char* p = buf;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  UINT value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<UINT>(*p - '0');
  return negative ? 0u - value : value;
}

// The file's contents after one write: every line it does not change is
// copied as it stands. No key removes every copy of the section, no value
// the key; a new key goes after the first copy's last non-blank line, a new
// section at the end after a blank line.
std::string Edit(std::string_view content, std::string_view sec,
                 std::optional<std::string_view> key, std::optional<std::string_view> value) {
  std::string out;
  out.reserve(content.size() + sec.size() + (key ? key->size() : 0) +
              (value ? value->size() : 0) + 16);
  size_t firstLineEnd = content.find('\n');
  const std::string_view eol =
      firstLineEnd != std::string_view::npos && firstLineEnd > 0 && content[firstLineEnd - 1] == '\r'
          ? "\r\n"
          : "\n";
  if (!key) {
    bool inside = false;
    ForEachLine(content, [&](const Line& l) {
      if (auto s = SectionOf(l.text)) inside = SameName(*s, sec);
      if (!inside) out.append(content.substr(l.begin, l.end - l.begin));
      return true;
    });
    return out;
  }
  if (auto l = FindKey(content, sec, *key)) {
    out.append(content.substr(0, l->begin));
    if (value) {
      // Keep the key as the file spells it.
      out.append(l->text.substr(0, l->text.find('=') + 1));
      out.append(*value);
      out.append(content.substr(l->begin + l->text.size(), l->end - l->begin - l->text.size()));
    }
    out.append(content.substr(l->end));
    return out;
  }
  if (!value) return std::string(content);
  // Where the first copy of the section ends, blank lines before the next
  // header not counted.
  std::optional<size_t> at;
  bool inFirst = false, lastTerminated = true, lastBlank = true;
  ForEachLine(content, [&](const Line& l) {
    if (auto s = SectionOf(l.text)) {
      if (inFirst) inFirst = false;
      else if (!at && SameName(*s, sec)) inFirst = true, at = l.end;
    } else if (inFirst && !Trim(l.text).empty()) {
      at = l.end;
    }
    lastTerminated = l.terminated;
    lastBlank = Trim(l.text).empty();
    return true;
  });
  const size_t insertAt = at ? *at : content.size();
  out.append(content.substr(0, insertAt));
  // A line after an unterminated last line needs the terminator first.
  if (insertAt == content.size() && !content.empty() && !lastTerminated) out.append(eol);
  if (!at) {
    if (!content.empty() && !lastBlank) out.append(eol);
    out.append("[").append(sec).append("]").append(eol);
  }
  out.append(*key).append("=").append(*value).append(eol);
  out.append(content.substr(insertAt));
  return out;
}

BOOL WriteString(const char* section, const char* key, const char* value, const char* file) {
  if (!section || !Fits(section, false) || !Fits(key, true) || !Fits(value, false)) return 0;
  std::string_view sec = Trim(section);
  std::string_view k = key ? Trim(key) : std::string_view{};
  if (sec.empty() || sec.find(']') != std::string_view::npos) return 0;
  // A key that reads as a section header would split the section.
  if (key && (k.empty() || k.front() == '[')) return 0;

  Location loc = Locate(file);
  if (loc.path.empty()) return 0;
  if (loc.inWindowsDir && !MakeDirs(DirOf(loc.path))) return 0;
  const std::optional<std::string> path = FollowLinks(loc.path);
  if (!path) return 0;
  // Another writer that holds the lock too long fails this write.
  WriteLock lock(*path);
  if (!lock.held()) return 0;
  Contents c = Load(*path);
  if (!c.ok) return 0;
  // A file its owner made read-only is refused, not replaced; replacing it
  // would succeed in a writable folder, and as root.
  if (c.exists && (c.mode & S_IWUSR) == 0) return 0;
  const std::string_view content = c.bytes;
  std::string bytes = Edit(content, sec, key ? std::optional<std::string_view>(k) : std::nullopt,
                           value ? std::optional<std::string_view>(value) : std::nullopt);
  if (c.exists && bytes == content) return 1;
  if (!c.exists && bytes.empty()) return 1;
  return Replace(*path, bytes, c.mode) ? 1 : 0;
}

BOOL WriteStringSafely(const char* section, const char* key, const char* value, const char* file) {
  try {
    return WriteString(section, key, value, file);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

}  // namespace

std::string WindowsDirectory() {
  if (const char* w = std::getenv("VOK32_WINDIR"); w && *w) return w;
  // A relative XDG_CONFIG_HOME is invalid and ignored.
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') return std::string(x) + "/vok32";
  if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/vok32";
  return {};
}

}  // namespace vok

namespace {
constexpr const char* kWinIni = "win.ini";
}

DWORD GetProfileStringA(const char* section, const char* key, const char* def, char* out, DWORD size) {
  return vok::GetStringSafely(section, key, def, out, size, kWinIni);
}

UINT GetProfileIntA(const char* section, const char* key, int def) {
  return vok::GetInt(section, key, def, kWinIni);
}

BOOL WriteProfileStringA(const char* section, const char* key, const char* value) {
  return vok::WriteStringSafely(section, key, value, kWinIni);
}

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* out,
                               DWORD size, const char* file) {
  return vok::GetStringSafely(section, key, def, out, size, file);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* file) {
  return vok::WriteStringSafely(section, key, value, file);
}
