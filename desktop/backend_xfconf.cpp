#include <string>
#include <vector>

#include "desktop/backend.h"

namespace vok::desktop {
namespace {

const std::string kChannel = "xfce4-desktop";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

bool SetProperty(const std::string& property, const char* type, const std::string& value) {
  if (RunCommand({"xfconf-query", "-c", kChannel, "-p", property, "-n", "-t", type, "-s", value}) != 0) {
    return false;
  }
  std::string back;
  return RunCommand({"xfconf-query", "-c", kChannel, "-p", property}, &back) == 0 && back == value + "\n";
}

}  // namespace

bool ShowWithXfconf(const std::string& pngPath, bool tiled) {
  // xfdesktop keeps one picture per monitor and workspace; set each it has.
  std::string list;
  if (RunCommand({"xfconf-query", "-c", kChannel, "-l"}, &list) != 0) return false;
  const std::string suffix = "/last-image";
  std::vector<std::string> images;
  for (const std::string& line : Lines(list)) {
    if (line.starts_with("/backdrop/") && line.ends_with(suffix)) images.push_back(line);
  }
  if (images.empty()) return false;
  bool ok = true;
  for (const std::string& image : images) {
    const std::string style = image.substr(0, image.size() - suffix.size()) + "/image-style";
    ok = SetProperty(image, "string", pngPath) && SetProperty(style, "int", tiled ? "2" : "1") && ok;
  }
  return ok;
}

}  // namespace vok::desktop
