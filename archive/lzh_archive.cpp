#include "archive/lzh_archive.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include <lhasa.h>

#include "platform/codepage.h"
#include "platform/sys.h"

namespace vok::lzh {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) sys::ops().close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads up to n bytes, retrying short reads; -1 on error.
long ReadFull(int fd, void* buf, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = sys::ops().read(fd, static_cast<char*>(buf) + done, n - done);
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return static_cast<long>(done);
}

// The stream liblhasa reads headers from, read ahead in one buffer so that
// a member's few small header reads and its skip cost no system call; it
// counts the position so that the end of each member's data is known.
struct Source {
  int fd;
  std::uint64_t pos = 0;
  bool failed = false;
  std::vector<unsigned char> buf = std::vector<unsigned char>(128 * 1024);
  std::size_t at = 0, end = 0;
};

int SourceRead(void* handle, void* out, size_t n) {
  auto* s = static_cast<Source*>(handle);
  auto* dst = static_cast<unsigned char*>(out);
  size_t done = 0;
  while (done < n) {
    if (s->at == s->end) {
      const long r = ReadFull(s->fd, s->buf.data(), s->buf.size());
      if (r < 0) {
        s->failed = true;
        return -1;
      }
      if (r == 0) break;
      s->at = 0;
      s->end = static_cast<std::size_t>(r);
    }
    const std::size_t k = std::min(n - done, s->end - s->at);
    std::memcpy(dst + done, s->buf.data() + s->at, k);
    s->at += k;
    done += k;
  }
  s->pos += done;
  return static_cast<int>(done);
}

int SourceSkip(void* handle, size_t n) {
  auto* s = static_cast<Source*>(handle);
  if (n <= s->end - s->at) {
    s->at += n;
  } else {
    const std::uint64_t beyond = n - (s->end - s->at);
    if (sys::ops().lseek(s->fd, static_cast<off_t>(beyond), SEEK_CUR) < 0) {
      s->failed = true;
      return 0;
    }
    s->at = s->end = 0;
  }
  s->pos += n;
  return 1;
}

void SourceClose(void*) {}

const LHAInputStreamType kSourceType = {SourceRead, SourceSkip, SourceClose};

std::uint64_t Le(const std::uint8_t* p, int width) {
  std::uint64_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

struct RawFields {
  std::string name, dir;
  bool hasName = false;
  bool hasSize64 = false;
  std::uint64_t packed64 = 0, length64 = 0;
};

// Walks the extended headers whose first size field is at offset `at`.
// Each one is: type, data, size of the next one.
void WalkExtended(const std::uint8_t* raw, std::size_t len, std::size_t at, int width,
                  RawFields* f) {
  if (at + width > len) return;
  std::uint64_t size = Le(raw + at, width);
  std::size_t o = at + width;
  while (size != 0) {
    if (size < static_cast<std::uint64_t>(1 + width) || size > len - o) return;
    const std::size_t n = static_cast<std::size_t>(size);
    const std::uint8_t type = raw[o];
    const std::uint8_t* data = raw + o + 1;
    const std::size_t dataLen = n - 1 - width;
    if (type == 0x01) {
      f->name.assign(reinterpret_cast<const char*>(data), dataLen);
      f->hasName = true;
    } else if (type == 0x02) {
      f->dir.assign(reinterpret_cast<const char*>(data), dataLen);
    } else if (type == 0x42 && dataLen >= 16) {
      f->packed64 = Le(data, 8);
      f->length64 = Le(data + 8, 8);
      f->hasSize64 = true;
    }
    size = Le(raw + o + n - width, width);
    o += n;
  }
}

RawFields ParseRaw(const std::uint8_t* raw, std::size_t len, int level) {
  RawFields f;
  if (level == 0 || level == 1) {
    if (len < 22) return f;
    const std::size_t nameLen = raw[21];
    if (22 + nameLen > len) return f;
    f.name.assign(reinterpret_cast<const char*>(raw + 22), nameLen);
    f.hasName = true;
    if (level == 1) {
      RawFields ext;
      WalkExtended(raw, len, 22 + nameLen + 3, 2, &ext);
      if (ext.hasName) f.name = ext.name;
      f.dir = ext.dir;
      f.hasSize64 = ext.hasSize64;
      f.packed64 = ext.packed64;
      f.length64 = ext.length64;
    }
  } else if (level == 2) {
    WalkExtended(raw, len, 24, 2, &f);
  } else if (level == 3) {
    // Bytes 24-27 hold the whole header's size; the first size field follows.
    WalkExtended(raw, len, 28, 4, &f);
  }
  return f;
}

bool IsSeparator(unsigned char c) { return c == '\\' || c == '/' || c == 0xFF; }

// The directory and name fields as one path for a reader, "..\" and all.
std::string ShownStored(const std::string& dir, const std::string& name) {
  std::string out;
  auto add = [&out](const std::string& s) {
    for (std::size_t i = 0; i < s.size(); i += CharStep(s, i)) {
      if (CharStep(s, i) == 2) out += s.substr(i, 2);
      else out += IsSeparator(static_cast<unsigned char>(s[i])) ? '\\' : s[i];
    }
  };
  add(dir);
  if (!out.empty() && out.back() != '\\' && !name.empty()) out += '\\';
  add(name);
  return out;
}

}  // namespace

std::vector<std::string> SplitStoredPath(const std::string& raw, bool* hadDir) {
  std::vector<std::string> parts;
  std::string cur;
  bool dir = false;
  auto flush = [&] {
    if (cur.empty() || cur == "." || cur == "..") {
      if (!cur.empty()) dir = true;
    } else {
      parts.push_back(cur);
    }
    cur.clear();
  };
  for (std::size_t i = 0; i < raw.size(); i += CharStep(raw, i)) {
    if (CharStep(raw, i) == 1 && IsSeparator(static_cast<unsigned char>(raw[i]))) {
      dir = true;
      flush();
    } else {
      cur += raw.substr(i, CharStep(raw, i));
    }
  }
  flush();
  if (parts.size() > 1) dir = true;
  if (hadDir) *hadDir = dir;
  return parts;
}

namespace {

struct ReaderDeleter {
  void operator()(LHAReader* r) const { lha_reader_free(r); }
};
struct StreamDeleter {
  void operator()(LHAInputStream* s) const { lha_input_stream_free(s); }
};
struct DecoderDeleter {
  void operator()(LHADecoder* d) const { lha_decoder_free(d); }
};

Status OpenArchive(const std::string& nativePath, int* fd, std::uint64_t* size) {
  struct stat st;
  if (sys::ops().stat(nativePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return Status::NotFound;
  *fd = sys::ops().open(nativePath.c_str(), O_RDONLY, 0);
  if (*fd < 0) return errno == ENOENT ? Status::NotFound : Status::ReadError;
  *size = static_cast<std::uint64_t>(st.st_size);
  return Status::Ok;
}

// The byte at offset, or -1 when it cannot be read.
int ByteAt(int fd, std::uint64_t offset) {
  if (sys::ops().lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) return -1;
  unsigned char c;
  return ReadFull(fd, &c, 1) == 1 ? c : -1;
}

// Bytes 2 and 6 of a member header hold the dashes of "-lh5-".
bool LooksLikeHeader(int fd, std::uint64_t at = 0) {
  unsigned char b[7];
  if (sys::ops().lseek(fd, static_cast<off_t>(at), SEEK_SET) < 0) return false;
  return ReadFull(fd, b, 7) == 7 && b[2] == '-' && b[6] == '-';
}

// The method of the header at `at` when it is one the reader does not know:
// three letters or digits between the dashes, not a method liblhasa reads.
// The reader stops there without a word, as it does on damage.
std::string UnknownMethodAt(int fd, std::uint64_t at) {
  char b[7];
  if (sys::ops().lseek(fd, static_cast<off_t>(at), SEEK_SET) < 0 || ReadFull(fd, b, 7) != 7 ||
      b[2] != '-' || b[6] != '-')
    return {};
  for (int i = 3; i < 6; ++i)
    if (!std::isalnum(static_cast<unsigned char>(b[i]))) return {};
  char method[6] = {b[2], b[3], b[4], b[5], b[6], '\0'};
  if (lha_decoder_for_name(method) || std::strcmp(method, LHA_COMPRESS_TYPE_DIR) == 0) return {};
  return method;
}

}  // namespace

Status Scan(const std::string& nativePath, Archive* out) {
  out->members.clear();
  out->unsupportedMethod.clear();
  int rawFd = -1;
  if (Status s = OpenArchive(nativePath, &rawFd, &out->fileSize); s != Status::Ok) return s;
  Fd fd(rawFd);
  Source src{fd.get()};
  std::unique_ptr<LHAInputStream, StreamDeleter> stream(
      lha_input_stream_new(&kSourceType, &src));
  if (!stream) return Status::ReadError;
  std::unique_ptr<LHAReader, ReaderDeleter> reader(lha_reader_new(stream.get()));
  if (!reader) return Status::ReadError;
  lha_reader_set_dir_policy(reader.get(), LHA_READER_DIR_PLAIN);

  bool any = false;
  std::uint64_t dataEnd = 0;
  while (LHAFileHeader* h = lha_reader_next_file(reader.get())) {
    any = true;
    const std::uint64_t dataStart = src.pos;
    dataEnd = dataStart + h->compressed_length;
    RawFields f = ParseRaw(h->raw_data, h->raw_data_len, h->header_level);
    Member m;
    if (std::strcmp(h->compress_method, LHA_COMPRESS_TYPE_DIR) == 0) {
      m.kind = h->symlink_target ? Kind::Link : Kind::Directory;
      // A link is stored as "path|target", split over the directory and name
      // fields as the writer saw fit.
      if (m.kind == Kind::Link) {
        std::string whole = f.dir;
        if (!whole.empty()) whole += '\xFF';
        whole += f.name;
        f.dir.clear();
        f.name = whole.substr(0, whole.find('|'));
      }
    }
    bool nameDir = false, dirDir = false;
    std::vector<std::string> parts = SplitStoredPath(f.dir, &dirDir);
    const std::vector<std::string> nameParts = SplitStoredPath(f.name, &nameDir);
    parts.insert(parts.end(), nameParts.begin(), nameParts.end());
    if (parts.empty()) {
      if (m.kind == Kind::Directory) continue;  // the archive's own root
      return Status::Damaged;                   // a file without a name
    }
    for (const std::string& p : parts) m.path += (m.path.empty() ? "" : "\\") + p;
    m.stored = ShownStored(f.dir, f.name);
    m.name = parts.back();
    m.hasDir = dirDir || nameDir || !f.dir.empty();
    m.method.assign(h->compress_method, strnlen(h->compress_method, 5));
    m.length = f.hasSize64 ? f.length64 : h->length;
    m.packed = h->compressed_length;
    m.crc = h->crc;
    m.timestamp = h->timestamp;
    m.level = h->header_level;
    m.dataOffset = dataStart;
    out->members.push_back(std::move(m));
  }
  if (src.failed) return Status::ReadError;
  const std::uint64_t stoppedAt = any ? dataEnd : 0;
  if (stoppedAt < out->fileSize) {
    out->unsupportedMethod = UnknownMethodAt(fd.get(), stoppedAt);
    if (!out->unsupportedMethod.empty()) return Status::Unsupported;
  }
  if (!any) {
    if (out->fileSize == 0) return Status::NotLzh;
    // An archive with no members is its end mark and nothing after it; any
    // other file starting with a zero byte is something else.
    if (out->fileSize == 1 && ByteAt(fd.get(), 0) == 0) return Status::Ok;
    return LooksLikeHeader(fd.get()) ? Status::Damaged : Status::NotLzh;
  }
  // The reader stops without a word on a broken header: only the end of the
  // file or the terminating zero byte is a clean end.
  if (dataEnd == out->fileSize) return Status::Ok;
  if (dataEnd < out->fileSize && ByteAt(fd.get(), dataEnd) == 0) return Status::Ok;
  return Status::Damaged;
}

namespace {

// The member's compressed bytes, read ahead in large blocks: the decoders
// ask for a few bytes at a time.
struct Packed {
  int fd;
  std::uint64_t left;
  bool failed = false;
  std::vector<unsigned char> block = std::vector<unsigned char>(64 * 1024);
  std::size_t at = 0, end = 0;
};

// Fills the request whole unless the data ends: some decoders take a short
// read for the end of the stream.
size_t ReadPacked(void* buf, size_t n, void* handle) {
  auto* p = static_cast<Packed*>(handle);
  size_t done = 0;
  while (done < n) {
    if (p->at == p->end) {
      const std::size_t want =
          p->left < p->block.size() ? static_cast<std::size_t>(p->left) : p->block.size();
      const long r = want ? ReadFull(p->fd, p->block.data(), want) : 0;
      if (r < 0) p->failed = true;
      if (r <= 0) break;
      p->left -= static_cast<std::uint64_t>(r);
      p->at = 0;
      p->end = static_cast<std::size_t>(r);
    }
    std::size_t k = p->end - p->at;
    if (k > n - done) k = n - done;
    std::memcpy(static_cast<unsigned char*>(buf) + done, p->block.data() + p->at, k);
    p->at += k;
    done += k;
  }
  return done;
}

bool WriteAll(int fd, const unsigned char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = sys::ops().write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace

namespace {

LHADecoderType* DecoderFor(const Member& m) {
  char method[6] = {};
  std::memcpy(method, m.method.data(), m.method.size() < 5 ? m.method.size() : 5);
  return lha_decoder_for_name(method);
}

}  // namespace

Status CheckDecodable(const Member& m) {
  if (m.kind != Kind::File) return Status::NotAFile;
  // The library keeps sizes in 32 bits and would cut a larger member short.
  if (m.length >= (std::uint64_t{1} << 32) || m.packed >= (std::uint64_t{1} << 32))
    return Status::TooLarge;
  return DecoderFor(m) ? Status::Ok : Status::Unsupported;
}

Status Decode(const std::string& nativePath, const Member& m, const OutputSink& sink) {
  if (Status s = CheckDecodable(m); s != Status::Ok) return s;

  int rawFd = -1;
  std::uint64_t size = 0;
  if (Status s = OpenArchive(nativePath, &rawFd, &size); s != Status::Ok) return s;
  Fd fd(rawFd);
  if (m.dataOffset + m.packed > size) return Status::Damaged;
  if (sys::ops().lseek(fd.get(), static_cast<off_t>(m.dataOffset), SEEK_SET) < 0)
    return Status::ReadError;

  std::uint64_t total = 0;
  std::uint16_t crc = 0;
  if (IsLhNewMethod(m.method)) {
    const Decoded d = DecodeLhNew(
        m.method, m.packed,
        [&fd](unsigned char* buf, std::size_t n) { return ReadFull(fd.get(), buf, n); },
        m.length, sink);
    if (d.sinkRefused) return Status::WriteError;
    if (d.readFailed) return Status::ReadError;
    total = d.length;
    crc = d.crc;
  } else {
    Packed packed{fd.get(), m.packed};
    std::unique_ptr<LHADecoder, DecoderDeleter> decoder(
        lha_decoder_new(DecoderFor(m), ReadPacked, &packed, static_cast<size_t>(m.length)));
    if (!decoder) return Status::ReadError;
    std::unique_ptr<unsigned char[]> buf(new unsigned char[64 * 1024]);
    for (;;) {
      const size_t n = lha_decoder_read(decoder.get(), buf.get(), 64 * 1024);
      if (n == 0) break;
      if (!sink(buf.get(), n)) return Status::WriteError;
    }
    if (packed.failed) return Status::ReadError;
    total = lha_decoder_get_length(decoder.get());
    crc = lha_decoder_get_crc(decoder.get());
  }
  if (total != m.length || crc != m.crc) return Status::Damaged;
  return Status::Ok;
}

Status Decode(const std::string& nativePath, const Member& m, int outFd) {
  return Decode(nativePath, m, [outFd](const unsigned char* p, std::size_t n) {
    return WriteAll(outFd, p, n);
  });
}

Status DecodeToMemory(const std::string& nativePath, const Member& m, std::uint64_t maxBytes,
                      std::vector<unsigned char>* out,
                      const std::function<bool(const std::vector<unsigned char>&)>& accept) {
  out->clear();
  if (Status s = CheckDecodable(m); s != Status::Ok) return s;
  if (m.length > maxBytes) return Status::TooLarge;
  out->reserve(static_cast<std::size_t>(m.length));
  const Status s = Decode(nativePath, m, [&](const unsigned char* p, std::size_t n) {
    out->insert(out->end(), p, p + n);
    return !accept || accept(*out);
  });
  if (s != Status::Ok) {
    out->clear();
    out->shrink_to_fit();
  }
  return s;
}

}  // namespace vok::lzh
