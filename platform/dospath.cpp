#include "platform/dospath.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "platform/codepage.h"
#include "platform/dosname.h"
#include "platform/sys.h"

namespace vok {
namespace {

constexpr int kDriveZ = 26;

bool IsSep(char c) { return c == '\\' || c == '/'; }

// Splits at backslashes and slashes that are not the second byte of a
// double-byte character.
std::vector<std::string> SplitComponents(std::string_view s) {
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 0; i < s.size(); i += CharStep(s, i)) {
    if (CharStep(s, i) == 1 && IsSep(s[i])) {
      if (!cur.empty()) parts.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += s.substr(i, CharStep(s, i));
    }
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string NativeCwd() {
  char buf[PATH_MAX];
  if (!sys::ops().getcwd(buf, sizeof buf)) return {};
  return buf;
}

}  // namespace

Entry FindEntry(const std::string& dir, std::string_view cp932) {
  auto& os = sys::ops();
  const std::optional<std::string> utf8 = Cp932ToUtf8Strict(cp932);
  struct stat st;
  if (utf8 && os.lstat(Join(dir, *utf8).c_str(), &st) == 0) return {Entry::Found, *utf8};
  Entry found;
  DIR* d = os.opendir(dir.c_str());
  if (!d) return found;
  const std::string want = LowerCp932(cp932);
  while (struct dirent* e = os.readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    auto asCp = Utf8ToCp932(name);
    if (!asCp || LowerCp932(*asCp) != want) continue;
    if (found.match != Entry::None) {
      found = {Entry::Ambiguous, {}};
      break;
    }
    found = {Entry::Found, std::move(name)};
  }
  os.closedir(d);
  return found;
}

NativePath DosToNative(std::string_view dos) {
  NativePath out;
  if (dos.size() >= 2 && dos[1] == ':') {
    if ((dos[0] | 0x20) != 'z') {
      out.error = PathError::NoSuchDrive;
      return out;
    }
    dos.remove_prefix(2);  // "z:name" is relative to z:'s current directory, the cwd
  }
  const bool absolute = !dos.empty() && IsSep(dos[0]);
  std::string cur = absolute ? std::string("/") : NativeCwd();
  if (cur.empty()) {
    out.error = PathError::NoCurrentDirectory;
    return out;
  }
  for (const std::string& comp : SplitComponents(dos)) {
    auto utf8 = Cp932ToUtf8Strict(comp);
    if (!utf8) {
      out.error = PathError::NotRepresentable;
      return out;
    }
    if (comp == "." || comp == "..") {
      cur = Join(cur, comp);
      continue;
    }
    const Entry found = FindEntry(cur, comp);
    if (found.match == Entry::Ambiguous) {
      out.error = PathError::Ambiguous;
      return out;
    }
    cur = Join(cur, found.match == Entry::Found ? found.name : *utf8);
  }
  out.path = cur;
  return out;
}

std::optional<std::string> NativeToDos(std::string_view native) {
  if (native.find('\\') != std::string_view::npos) return std::nullopt;
  auto cp = Utf8ToCp932(native);
  if (!cp) return std::nullopt;
  std::string out = "z:";
  std::string body = *cp;
  // Convert separators; CP932 from iconv never has '/' as a trail byte.
  for (char& c : body)
    if (c == '/') c = '\\';
  if (body.empty() || body[0] != '\\') body = "\\" + body;
  return out + body;
}

int GetCurrentDrive() { return kDriveZ; }

bool SetCurrentDrive(int drive) { return drive == kDriveZ; }

std::string GetCurrentDirectoryDos() {
  std::string cwd = NativeCwd();
  if (cwd.empty()) return {};
  return NativeToDos(cwd).value_or("");
}

bool SetCurrentDirectoryDos(std::string_view dos) {
  NativePath p = DosToNative(dos);
  return p && sys::ops().chdir(p.path.c_str()) == 0;
}

std::string AbsoluteDos(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path;
  const std::string cwd = GetCurrentDirectoryDos();
  if (cwd.size() < 2) return path;
  if (!path.empty() && path[0] == '\\') return cwd.substr(0, 2) + path;
  return JoinDos(cwd, path);
}

bool SameFileDos(std::string_view a, std::string_view b) {
  NativePath na = DosToNative(a);
  NativePath nb = DosToNative(b);
  if (!na || !nb) return false;
  struct stat sa{}, sb{};
  if (sys::ops().stat(na.path.c_str(), &sa) != 0) return false;
  if (sys::ops().stat(nb.path.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool DosPathExists(std::string_view dos) {
  NativePath p = DosToNative(dos);
  struct stat st;
  return p && sys::ops().stat(p.path.c_str(), &st) == 0;
}

bool DeleteFileDos(std::string_view dos) {
  NativePath p = DosToNative(dos);
  if (!p) return false;
  struct stat st;
  if (sys::ops().lstat(p.path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return sys::ops().unlink(p.path.c_str()) == 0;
}

}  // namespace vok
