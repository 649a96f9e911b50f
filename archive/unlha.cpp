#include "archive/unlha.h"

#include <atomic>
#include <cstring>
#include <new>
#include <string>

#include "archive/commands.h"
#include "archive/messages.h"

using vok::lzh::Failure;

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

// The one place an outcome becomes the caller's text and result code.
int Respond(const vok::lzh::Outcome& o, char* output, DWORD size) {
  if (!o.failure) {
    Emit(output, size, o.text);
    return 0;
  }
  Emit(output, size, vok::lzh::MessageFor(*o.failure, o.text, o.method));
  return vok::lzh::CodeFor(*o.failure);
}

int Run(const char* commandLine, char* output, DWORD size);

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
  // A C entry point: memory running out is a failed command, never the end
  // of the program. The message is made while memory is still there.
  static const std::string noMemory = vok::lzh::MessageFor(Failure::OutOfMemory, "");
  try {
    return Run(commandLine, output, size);
  } catch (const std::bad_alloc&) {
    Emit(output, size, noMemory);
    return vok::lzh::CodeFor(Failure::OutOfMemory);
  }
}

}  // extern "C"

namespace {

int Run(const char* commandLine, char* output, DWORD size) {
  const std::string line = Trim(commandLine ? commandLine : "");
  const std::size_t blank = line.find(' ');
  if (blank != 1) return Respond(vok::lzh::Failed(Failure::BadCommand, ""), output, size);
  const char command = line[0];
  const std::string rest = Trim(line.substr(blank));
  if ((command == 'l' || command == 'L') && !rest.empty())
    return Respond(vok::lzh::ListArchive(rest, size), output, size);
  if (command == 'e' || command == 'E') {
    const std::size_t last = rest.rfind(' ');
    if (last == std::string::npos) return Respond(vok::lzh::Failed(Failure::BadCommand, ""), output, size);
    const std::string archive = Trim(rest.substr(0, last));
    return Respond(vok::lzh::ExtractMember(archive, rest.substr(last + 1)), output, size);
  }
  return Respond(vok::lzh::Failed(Failure::BadCommand, ""), output, size);
}

}  // namespace
