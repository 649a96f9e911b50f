// The profile reader on arbitrary file contents: reads never overrun and a
// write keeps every other line of the file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/profile.h"
#include "platform/sys.h"

namespace {
std::string Dir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/vok32-fuzz-profile-XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    setenv("VOK32_WINDIR", tmpl, 1);
    // Durability is not what is fuzzed here; fsync would dominate the time.
    vok::sys::ops().fsync = [](int) { return 0; };
    return std::string(tmpl);
  }();
  return dir;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = Dir() + "/fuzz.ini";
  std::string text(reinterpret_cast<const char*>(data), size);
  { std::ofstream(path, std::ios::binary) << text; }
  char out[40];
  std::memset(out, 0x7F, sizeof out);
  DWORD n = GetPrivateProfileStringA("VOK32", "WindowSize", "", out, sizeof out, "fuzz.ini");
  if (n >= sizeof out || out[n] != 0) std::abort();
  char small[5];
  n = GetPrivateProfileStringA("Desktop", "wallpaper", "<none>", small, sizeof small, "fuzz.ini");
  if (n >= sizeof small || small[n] != 0) std::abort();
  WritePrivateProfileStringA("VOK32", "LZHFile", "z:\\tmp\\a.lzh", "fuzz.ini");
  char back[280];
  GetPrivateProfileStringA("VOK32", "LZHFile", "", back, sizeof back, "fuzz.ini");
  if (std::strcmp(back, "z:\\tmp\\a.lzh") != 0) std::abort();
  return 0;
}
