// vok32-lha: lists or extracts an LZH archive from the command line through
// the same entry points the window uses. Paths and names are UTF-8 here.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "archive/listing.h"
#include "archive/unlha.h"
#include "platform/cli.h"
#include "platform/codepage.h"
#include "platform/dospath.h"

namespace {

constexpr char kUsage[] =
    "使い方: vok32-lha l 書庫.lzh          書庫の中身を一覧表示\n"
    "        vok32-lha e 書庫.lzh 名前     名前のファイルを今のディレクトリに解凍\n"
    "usage: vok32-lha l ARCHIVE | vok32-lha e ARCHIVE NAME | vok32-lha --help | --version\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// Empty when the path is relative and the current directory is gone.
std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::vector<char> buf(4096);
  if (!getcwd(buf.data(), buf.size())) return {};
  return std::string(buf.data()) + "/" + path;
}

}  // namespace

int main(int argc, char** argv) {
  // liblhasa turns each member's DOS time into Unix time with mktime, and
  // with TZ unset glibc looks at /etc/localtime again on every call; named
  // once, the zone is read once.
  setenv("TZ", ":/etc/localtime", 0);
  if (const int status = vok::AnswerHelpOrVersion(argc, argv, "vok32-lha", VOK32_VERSION, kUsage); status >= 0)
    return status;
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (!((command == "l" && argc == 3) || (command == "e" && argc == 4))) return Usage();
  const std::string absolute = Absolute(argv[2]);
  if (absolute.empty()) {
    std::fprintf(stderr, "vok32-lha: 今のディレクトリがありません (削除されました): %s\n", argv[2]);
    return 1;
  }
  const auto dos = vok::NativeToDos(absolute);
  if (!dos) {
    std::fprintf(stderr, "vok32-lha: この名前は扱えません (CP932 にない文字か \\): %s\n", argv[2]);
    return 1;
  }
  std::string line = command + " " + *dos;
  if (command == "e") {
    const auto name = vok::Utf8ToCp932(argv[3]);
    if (!name || name->empty() || name->find(' ') != std::string::npos) {
      std::fprintf(stderr, "vok32-lha: この名前は扱えません: %s\n", argv[3]);
      return 1;
    }
    line += " " + *name;
  }
  std::vector<char> buffer(vok::kListingBufferSize, '\0');
  const int rc = Unlha(nullptr, line.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  std::string text = vok::Cp932ToUtf8(buffer.data());
  if (!text.empty() && text.back() != '\n') text += '\n';
  std::fputs(text.c_str(), rc == 0 ? stdout : stderr);
  return rc == 0 ? 0 : 1;
}
