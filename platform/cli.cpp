#include "platform/cli.h"

#include <cstdio>
#include <cstring>

namespace vok {

int AnswerHelpOrVersion(int argc, char** argv, const char* name, const char* version, const char* usage) {
  if (argc != 2) return -1;
  if (std::strcmp(argv[1], "--help") == 0) {
    std::fputs(usage, stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s %s\n", name, version);
    return 0;
  }
  return -1;
}

}  // namespace vok
