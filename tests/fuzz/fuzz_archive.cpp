// The archiver's "l" and "e" on arbitrary archive bytes: no crash, the
// output always NUL-terminated within the buffer, and on a failed extract
// no file left behind.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "archive/listing.h"
#include "archive/unlha.h"
#include "platform/dospath.h"

namespace {
struct Place {
  std::string dir, archive, out;
};
const Place& Here() {
  static Place p = [] {
    char tmpl[] = "/tmp/vok32-fuzz-archive-XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    Place q;
    q.dir = tmpl;
    q.archive = q.dir + "/in.lzh";
    q.out = q.dir + "/out";
    mkdir(q.out.c_str(), 0700);
    return q;
  }();
  return p;
}

int CountFiles(const std::string& dir) {
  int n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) ++n;
    closedir(d);
  }
  return n;
}

void RemoveAll(const std::string& dir) {
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
        unlink((dir + "/" + e->d_name).c_str());
    closedir(d);
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Place& p = Here();
  { std::ofstream(p.archive, std::ios::binary).write(reinterpret_cast<const char*>(data), size); }
  const std::string dosArchive = *vok::NativeToDos(p.archive);
  std::vector<char> buf(vok::kListingBufferSize);
  std::memset(buf.data(), 0, buf.size());
  int rc = Unlha(nullptr, ("l " + dosArchive).c_str(), buf.data(), buf.size());
  if (!std::memchr(buf.data(), 0, buf.size())) std::abort();
  if (rc != 0) return 0;

  std::vector<vok::ListEntry> entries(vok::kMaxEntries);
  int count = 0;
  vok::ParseListing(buf.data(), entries.data(), &count);
  if (chdir(p.out.c_str()) != 0) std::abort();
  for (int row = vok::kFirstDataRow; row <= count - 3 && row < vok::kFirstDataRow + 4; ++row) {
    char name[32];
    vok::MemberNameFromText(entries[row].Text, name, sizeof name);
    if (!name[0]) continue;
    const int before = CountFiles(p.out);
    std::memset(buf.data(), 0, buf.size());
    rc = Unlha(nullptr, ("e " + dosArchive + " " + name).c_str(), buf.data(), buf.size());
    if (!std::memchr(buf.data(), 0, buf.size())) std::abort();
    const int after = CountFiles(p.out);
    if (rc != 0 && after != before) std::abort();  // a failure leaves nothing behind
    if (rc == 0 && after > before + 1) std::abort();
  }
  // Nothing may appear beside the output directory.
  if (CountFiles(p.dir) != 2) std::abort();
  RemoveAll(p.out);
  return 0;
}
