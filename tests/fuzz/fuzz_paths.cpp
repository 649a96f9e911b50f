// The path split and the DOS path mapping on arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "desktop/status.h"
#include "platform/codepage.h"
#include "platform/dosname.h"
#include "platform/dospath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string s(reinterpret_cast<const char*>(data), size);
  vok::PathParts p = vok::SplitPath(s);
  if (p.drive.size() > 2 || p.directory.size() > 255 || p.name.size() > 255 || p.ext.size() > 255)
    std::abort();
  if (!p.ext.empty() && p.ext[0] != '.') std::abort();
  (void)vok::ComposeStatus(s, size % 2);
  // Mapping must not crash, and a mapped path that exists maps back to DOS.
  vok::NativePath n = vok::DosToNative(s);
  if (n && n.path.empty()) std::abort();
  std::string native(1, '/');
  native += vok::Cp932ToUtf8(s);
  if (auto dos = vok::NativeToDos(native)) {
    if (dos->rfind("z:\\", 0) != 0) std::abort();
  }
  std::string lower = vok::LowerCp932(s);
  if (lower.size() != s.size()) std::abort();
  return 0;
}
