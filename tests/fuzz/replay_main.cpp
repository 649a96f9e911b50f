// Runs a fuzz target over saved inputs, so findings stay fixed in every
// ordinary build: replay_<target> FILE-OR-DIR...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

static void RunOne(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

int main(int argc, char** argv) {
  int n = 0;
  for (int i = 1; i < argc; ++i) {
    fs::path arg = argv[i];
    if (fs::is_directory(arg)) {
      std::vector<fs::path> files;
      for (const auto& e : fs::recursive_directory_iterator(arg))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) RunOne(f), ++n;
    } else if (fs::is_regular_file(arg)) {
      RunOne(arg), ++n;
    } else {
      // A missing folder would replay nothing and pass.
      std::fprintf(stderr, "replay: %s: no such file or folder\n", argv[i]);
      return 1;
    }
  }
  std::printf("replayed %d inputs\n", n);
  return 0;
}
