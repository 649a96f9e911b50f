#include "platform/profile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

// One line of the file, its terminator kept apart so a rewrite puts back
// exactly what was there.
struct Line {
  std::string text;
  std::string eol;
};

std::vector<Line> SplitLines(const std::string& content) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    Line l;
    if (nl == std::string::npos) {
      l.text = content.substr(pos);
      pos = content.size();
    } else {
      size_t end = nl;
      if (end > pos && content[end - 1] == '\r') --end;
      l.text = content.substr(pos, end - pos);
      l.eol = content.substr(end, nl + 1 - end);
      pos = nl + 1;
    }
    lines.push_back(std::move(l));
  }
  return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
  std::string out;
  for (const Line& l : lines) out += l.text + l.eol;
  return out;
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

// Where a section's lines are: [header, end), end being the next header.
struct SectionSpan {
  size_t header;
  size_t end;
};

std::vector<SectionSpan> SectionsNamed(const std::vector<Line>& lines, std::string_view name) {
  std::vector<SectionSpan> spans;
  std::optional<size_t> open;
  for (size_t i = 0; i <= lines.size(); ++i) {
    std::optional<std::string_view> s = i < lines.size() ? SectionOf(lines[i].text) : std::nullopt;
    if (i == lines.size() || s) {
      if (open) spans.push_back({*open, i});
      open.reset();
      if (s && SameName(*s, name)) open = i;
    }
  }
  return spans;
}

// The first line holding key in any section of that name.
std::optional<size_t> FindKey(const std::vector<Line>& lines, std::string_view section,
                              std::string_view key) {
  for (const SectionSpan& s : SectionsNamed(lines, section))
    for (size_t i = s.header + 1; i < s.end; ++i)
      if (auto kv = KeyOf(lines[i].text); kv && SameName(kv->key, key)) return i;
  return std::nullopt;
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
// contents, never a mixture.
bool Replace(const std::string& path, const std::string& bytes, mode_t mode) {
  auto& os = sys::ops();
  const std::string dir = DirOf(path);
  const std::string base = path.substr(path.rfind('/') + 1);
  static unsigned counter = 0;
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = dir + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    fd = os.open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = file::WriteAll(fd, bytes) && os.fsync(fd) == 0;
  ok = os.close(fd) == 0 && ok;
  if (!ok || os.rename(tmp.c_str(), path.c_str()) != 0) {
    os.unlink(tmp.c_str());
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
DWORD CopyList(const std::vector<std::string_view>& names, char* out, DWORD size) {
  if (!out || size == 0) return 0;
  if (size == 1) {
    out[0] = '\0';
    return 0;
  }
  std::string all;
  for (std::string_view n : names) {
    all.append(n);
    all.push_back('\0');
  }
  if (all.empty()) all.push_back('\0');  // an empty list is still two NULs
  if (all.size() + 1 <= size) {
    std::memcpy(out, all.data(), all.size());
    out[all.size()] = '\0';
    return names.empty() ? 0 : static_cast<DWORD>(all.size());
  }
  std::memcpy(out, all.data(), size - 2);
  out[size - 2] = '\0';
  out[size - 1] = '\0';
  return size - 2;
}

DWORD GetString(const char* section, const char* key, const char* def, char* out, DWORD size,
                const char* file) {
  Location loc = Locate(file);
  Contents c = loc.path.empty() ? Contents{} : Load(loc.path);
  std::vector<Line> lines = c.ok ? SplitLines(c.bytes) : std::vector<Line>{};

  if (!section) {
    std::vector<std::string_view> names;
    for (const Line& l : lines)
      if (auto s = SectionOf(l.text)) names.push_back(*s);
    return CopyList(names, out, size);
  }
  if (!key) {
    std::vector<std::string_view> names;
    for (const SectionSpan& s : SectionsNamed(lines, Trim(section)))
      for (size_t i = s.header + 1; i < s.end; ++i)
        if (auto kv = KeyOf(lines[i].text)) names.push_back(kv->key);
    return CopyList(names, out, size);
  }
  if (auto i = FindKey(lines, Trim(section), Trim(key))) {
    std::string_view v = KeyOf(lines[*i].text)->value;
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
      v = v.substr(1, v.size() - 2);
    return CopyOut(v, out, size);
  }
  std::string_view d = def ? def : "";
  while (!d.empty() && IsBlank(d.back())) d.remove_suffix(1);
  return CopyOut(d, out, size);
}

UINT GetInt(const char* section, const char* key, int def, const char* file) {
  if (!section || !key) return static_cast<UINT>(def);
  char buf[64];
  if (GetString(section, key, "", buf, sizeof buf, file) == 0) return static_cast<UINT>(def);
  const char* p = buf;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  UINT value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<UINT>(*p - '0');
  return negative ? 0u - value : value;
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
  Contents c = Load(loc.path);
  if (!c.ok) return 0;
  std::vector<Line> lines = SplitLines(c.bytes);
  const std::string eol = !lines.empty() && lines[0].eol == "\r\n" ? "\r\n" : "\n";

  std::vector<SectionSpan> spans = SectionsNamed(lines, sec);
  if (!key) {
    // No key: the section goes, every copy of it.
    for (auto s = spans.rbegin(); s != spans.rend(); ++s)
      lines.erase(lines.begin() + static_cast<long>(s->header), lines.begin() + static_cast<long>(s->end));
  } else if (auto i = FindKey(lines, sec, k)) {
    if (!value) {
      lines.erase(lines.begin() + static_cast<long>(*i));
    } else {
      // Keep the key as the file spells it.
      std::string& t = lines[*i].text;
      t = t.substr(0, t.find('=') + 1) + value;
    }
  } else if (value) {
    Line entry{std::string(k) + "=" + value, eol};
    // A line after an unterminated last line needs the terminator first.
    auto terminateAt = [&](size_t at) {
      if (at == lines.size() && at > 0 && lines[at - 1].eol.empty()) lines[at - 1].eol = eol;
    };
    if (spans.empty()) {
      terminateAt(lines.size());
      if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back({"", eol});
      lines.push_back({"[" + std::string(sec) + "]", eol});
      lines.push_back(std::move(entry));
    } else {
      // After the section's last non-blank line, so blank lines before the
      // next header stay where they were.
      size_t at = spans.front().end;
      while (at > spans.front().header + 1 && Trim(lines[at - 1].text).empty()) --at;
      terminateAt(at);
      lines.insert(lines.begin() + static_cast<long>(at), std::move(entry));
    }
  }
  std::string bytes = JoinLines(lines);
  if (c.exists && bytes == c.bytes) return 1;
  if (!c.exists && bytes.empty()) return 1;
  return Replace(loc.path, bytes, c.mode) ? 1 : 0;
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
  return vok::GetString(section, key, def, out, size, kWinIni);
}

UINT GetProfileIntA(const char* section, const char* key, int def) {
  return vok::GetInt(section, key, def, kWinIni);
}

BOOL WriteProfileStringA(const char* section, const char* key, const char* value) {
  return vok::WriteString(section, key, value, kWinIni);
}

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* out,
                               DWORD size, const char* file) {
  return vok::GetString(section, key, def, out, size, file);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* file) {
  return vok::WriteString(section, key, value, file);
}
