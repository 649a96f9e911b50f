#include "archive/lh_decoder.h"

#include <bit>
#include <cstring>
#include <memory>
#include <vector>

namespace vok::lzh {
namespace {

// Tree nodes as the reference keeps them: a leaf has the top bit set and
// holds a symbol; any other value is the index of a pair of children.
constexpr std::uint16_t kLeaf = 0x8000;
constexpr unsigned kNumCodes = 510;
// liblhasa 0.3.1 keeps the temporary table and the offset table in one
// array of this many pairs; what one leaves behind the other may read.
constexpr unsigned kMaxTempCodes = 20;
constexpr unsigned kCopyThreshold = 3;

// Lookup tables of 16-bit entries, small enough to stay in the first-level
// cache: a leaf holds the code length (bits 9-12) and the symbol (bits 0-8);
// a node entry (the code is longer than the table) holds where to go on bit
// by bit.
constexpr std::uint16_t kNodeEntry = 0x8000;
constexpr unsigned kCodeTableBits = 12;
constexpr unsigned kOffsetTableBits = 8;

// Decoded bytes go out in chunks of this size; the window stays in front.
constexpr std::size_t kOutChunk = 256 * 1024;
// Room after a chunk for one whole copy (258 bytes) plus the word copy's overrun.
constexpr std::size_t kOutSlack = 512;
constexpr std::size_t kInChunk = 256 * 1024;

struct Params {
  unsigned historyBits;
  unsigned offsetBits;
};

bool ParamsFor(std::string_view method, Params* p) {
  if (method == "-lh4-" || method == "-lh5-") *p = {14, 4};
  else if (method == "-lh6-") *p = {16, 5};
  else if (method == "-lh7-") *p = {17, 5};
  else return false;
  return true;
}

inline std::uint64_t LoadBe64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
}

// Keeps the reference's tree shape, including entries a broken table leaves
// over from the block before: a damaged stream must decode to the same bytes.
void BuildTree(std::uint16_t* tree, unsigned treeLen, const std::uint8_t* lengths, unsigned n) {
  unsigned allocated = 1, next = 0, codeLen = 0;
  bool remaining;
  do {
    const unsigned newNodes = (allocated - next) * 2;
    if (allocated + newNodes <= treeLen) {
      const unsigned end = allocated;
      while (next < end) {
        tree[next++] = static_cast<std::uint16_t>(allocated);
        allocated += 2;
      }
    }
    ++codeLen;
    remaining = false;
    for (unsigned i = 0; i < n; ++i) {
      if (lengths[i] == codeLen) {
        const unsigned node = next < allocated ? next++ : 0;
        tree[node] = static_cast<std::uint16_t>(i | kLeaf);
      } else if (lengths[i] > codeLen) {
        remaining = true;
      }
    }
  } while (remaining);
}

void FillTable(const std::uint16_t* tree, std::uint16_t* table, unsigned bits, std::uint16_t code,
               unsigned depth, unsigned prefix) {
  if (code & kLeaf) {
    const auto e = static_cast<std::uint16_t>((code & 0x1FF) | (depth << 9));
    const unsigned span = 1u << (bits - depth);
    for (unsigned i = 0; i < span; ++i) table[(prefix << (bits - depth)) + i] = e;
  } else if (depth == bits) {
    table[prefix] = kNodeEntry | code;
  } else {
    FillTable(tree, table, bits, tree[code], depth + 1, prefix << 1);
    FillTable(tree, table, bits, tree[code + 1], depth + 1, (prefix << 1) | 1);
  }
}

class Decoder {
 public:
  Decoder(const Params& p, const PackedSource* source, const unsigned char* mem,
          std::uint64_t packed, const OutputSink& sink)
      : params_(p),
        ring_(std::size_t{1} << p.historyBits),
        source_(source),
        sourceLeft_(packed),
        avail_(packed * 8),
        sink_(sink) {
    for (auto& e : codeTree_) e = kLeaf;
    for (auto& e : offsetTree_) e = kLeaf;
    if (mem) {
      p_ = mem;
      end_ = mem + packed;
      sourceLeft_ = 0;
    } else {
      in_.reset(new unsigned char[packed < kInChunk ? packed + 1 : kInChunk]);
    }
    out_.reset(new unsigned char[ring_ + kOutChunk + kOutSlack]);
    std::memset(out_.get(), ' ', ring_);  // the window starts out as blanks
  }

  Decoded Run(std::uint64_t length);

 private:
  // --- Bits. The reference reads through a 32-bit buffer and fetches whole
  // bytes; `lb_` follows how many bits it would hold, because a read of more
  // than 24 bits fails there when the buffer cannot take them.
  void Refill() {
    if (end_ - p_ >= 8) {
      buf_ |= LoadBe64(p_) >> cnt_;
      p_ += (63 - cnt_) >> 3;
      cnt_ |= 56;
      return;
    }
    while (cnt_ <= 56) {
      if (p_ == end_ && !NextChunk()) {
        cnt_ = 64;  // past the end: zeros, never counted as input (avail_)
        return;
      }
      buf_ |= std::uint64_t{*p_++} << (56 - cnt_);
      cnt_ += 8;
    }
  }

  bool NextChunk() {
    if (sourceLeft_ == 0 || !source_) return false;
    const std::size_t want = sourceLeft_ < kInChunk ? static_cast<std::size_t>(sourceLeft_) : kInChunk;
    std::size_t got = 0;
    while (got < want) {
      const long r = (*source_)(in_.get() + got, want - got);
      if (r < 0) readFailed_ = true;
      if (r <= 0) break;
      got += static_cast<std::size_t>(r);
    }
    if (got < want) {
      // The data ends here: what was not delivered is not input.
      avail_ -= (sourceLeft_ - got) * 8;
      sourceLeft_ = 0;
    } else {
      sourceLeft_ -= got;
    }
    p_ = in_.get();
    end_ = p_ + got;
    return got > 0;
  }

  void Consume(unsigned n) {
    buf_ <<= n;
    cnt_ -= n;
    avail_ -= n;
  }

  // The reference's fetches for a walk of n single bits.
  void WalkBits(unsigned n) { lb_ = n > lb_ ? (lb_ - n) & 31 : lb_ - n; }

  // n in 1..30 bits; -1 where the reference fails.
  int ReadBits(unsigned n) {
    if (n > avail_) return -1;
    if (lb_ < n) {
      lb_ += ((32 - lb_) >> 3) << 3;
      if (lb_ < n) return -1;
    }
    lb_ -= n;
    if (cnt_ < n) Refill();
    const int v = static_cast<int>(buf_ >> (64 - n));
    Consume(n);
    return v;
  }

  int ReadFromTree(const std::uint16_t* tree) {
    std::uint16_t code = tree[0];
    while (!(code & kLeaf)) {
      const int bit = ReadBits(1);
      if (bit < 0) return -1;
      code = tree[code + static_cast<unsigned>(bit)];
    }
    return code & ~kLeaf;
  }

  int ReadLookup(const std::uint16_t* table, unsigned bits, const std::uint16_t* tree) {
    if (cnt_ < bits) Refill();
    const std::uint16_t e = table[buf_ >> (64 - bits)];
    const unsigned len = (e & kNodeEntry) ? bits : (e >> 9) & 0xF;
    if (len > avail_) return -1;
    WalkBits(len);
    Consume(len);
    if (!(e & kNodeEntry)) return e & 0x1FF;
    std::uint16_t code = e & ~kNodeEntry;
    while (!(code & kLeaf)) {
      const int bit = ReadBits(1);
      if (bit < 0) return -1;
      code = tree[code + static_cast<unsigned>(bit)];
    }
    return code & ~kLeaf;
  }

  // --- Tables, read exactly as the reference reads them.
  int ReadLength() {
    int len = ReadBits(3);
    if (len == 7) {
      for (;;) {
        const int bit = ReadBits(1);
        if (bit < 0) return -1;
        if (bit == 0) break;
        ++len;
      }
    }
    return len;
  }

  bool ReadTempTable() {
    int n = ReadBits(5);
    if (n < 0) return false;
    if (n == 0) {
      const int code = ReadBits(5);
      if (code < 0) return false;
      offsetTree_[0] = static_cast<std::uint16_t>(code | kLeaf);
      return true;
    }
    if (n > static_cast<int>(kMaxTempCodes)) n = kMaxTempCodes;
    std::uint8_t lengths[kMaxTempCodes];
    for (int i = 0; i < n; ++i) {
      const int len = ReadLength();
      if (len < 0) return false;
      lengths[i] = static_cast<std::uint8_t>(len);
      if (i == 2) {
        const int skip = ReadBits(2);
        if (skip < 0) return false;
        for (int j = 0; j < skip; ++j) lengths[++i] = 0;
      }
    }
    BuildTree(offsetTree_, kMaxTempCodes * 2, lengths, static_cast<unsigned>(n));
    return true;
  }

  bool ReadCodeTable() {
    int n = ReadBits(9);
    if (n < 0) return false;
    if (n == 0) {
      const int code = ReadBits(9);
      if (code < 0) return false;
      codeTree_[0] = static_cast<std::uint16_t>(code | kLeaf);
    } else {
      if (n > static_cast<int>(kNumCodes)) n = kNumCodes;
      std::uint8_t lengths[kNumCodes];
      int i = 0;
      while (i < n) {
        const int code = ReadFromTree(offsetTree_);
        if (code < 0) return false;
        if (code <= 2) {
          int skip = 1;
          if (code > 0) {
            const int extra = ReadBits(code == 1 ? 4 : 9);
            if (extra < 0) return false;
            skip = extra + (code == 1 ? 3 : 20);
          }
          for (int j = 0; j < skip && i < n; ++j) lengths[i++] = 0;
        } else {
          lengths[i++] = static_cast<std::uint8_t>(code - 2);
        }
      }
      BuildTree(codeTree_, kNumCodes * 2, lengths, static_cast<unsigned>(n));
    }
    FillTable(codeTree_, codeTable_, kCodeTableBits, codeTree_[0], 0, 0);
    return true;
  }

  bool ReadOffsetTable() {
    int n = ReadBits(params_.offsetBits);
    if (n < 0) return false;
    if (n == 0) {
      const int code = ReadBits(params_.offsetBits);
      if (code < 0) return false;
      offsetTree_[0] = static_cast<std::uint16_t>(code | kLeaf);
    } else {
      if (n > static_cast<int>(params_.historyBits)) n = static_cast<int>(params_.historyBits);
      std::uint8_t lengths[17];
      for (int i = 0; i < n; ++i) {
        const int len = ReadLength();
        if (len < 0) return false;
        lengths[i] = static_cast<std::uint8_t>(len);
      }
      BuildTree(offsetTree_, kMaxTempCodes * 2, lengths, static_cast<unsigned>(n));
    }
    FillTable(offsetTree_, offsetTable_, kOffsetTableBits, offsetTree_[0], 0, 0);
    return true;
  }

  bool StartBlock() {
    const int len = ReadBits(16);
    if (len < 0) return false;
    blockRemaining_ = static_cast<unsigned>(len);
    return ReadTempTable() && ReadCodeTable() && ReadOffsetTable();
  }

  // -1 where the reference fails.
  int ReadOffset() {
    const int bits = ReadLookup(offsetTable_, kOffsetTableBits, offsetTree_);
    if (bits <= 1) return bits;
    const int low = ReadBits(static_cast<unsigned>(bits - 1));
    if (low < 0) return -1;
    return low + (1 << (bits - 1));
  }

  // Hands out [from, to) and keeps the window in front of a fresh chunk.
  bool Flush(unsigned char* from, unsigned char* to) {
    const std::size_t n = static_cast<std::size_t>(to - from);
    if (n == 0) return true;
    crc_ = Crc16(crc_, from, n);
    produced_ += n;
    if (!sink_(from, n)) {
      sinkRefused_ = true;
      return false;
    }
    return true;
  }

  const Params params_;
  const std::size_t ring_;

  const PackedSource* source_;
  std::uint64_t sourceLeft_;
  std::unique_ptr<unsigned char[]> in_;
  const unsigned char* p_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::uint64_t buf_ = 0;
  unsigned cnt_ = 0;
  std::uint64_t avail_;
  unsigned lb_ = 0;
  bool readFailed_ = false;

  unsigned blockRemaining_ = 0;
  std::uint16_t codeTree_[kNumCodes * 2];
  std::uint16_t offsetTree_[kMaxTempCodes * 2];  // and the temporary table
  std::uint16_t codeTable_[1u << kCodeTableBits];
  std::uint16_t offsetTable_[1u << kOffsetTableBits];

  const OutputSink& sink_;
  std::unique_ptr<unsigned char[]> out_;
  std::uint64_t produced_ = 0;
  std::uint16_t crc_ = 0;
  bool sinkRefused_ = false;
};

Decoded Decoder::Run(std::uint64_t length) {
  unsigned char* const chunk = out_.get() + ring_;
  unsigned char* out = chunk;
  const std::size_t ringMask = ring_ - 1;
  bool broken = false;
  while (!broken && produced_ < length) {
    const std::uint64_t left = length - produced_;
    unsigned char* const limit = chunk + (left < kOutChunk ? static_cast<std::size_t>(left) : kOutChunk);
    // The bit state lives in locals here: stores through `out` could alias
    // the members and would force them out to memory on every byte.
    std::uint64_t buf = buf_, avail = avail_;
    unsigned cnt = cnt_, lb = lb_, remaining = blockRemaining_;
    const unsigned char* p = p_;
    const unsigned char* end = end_;
    const auto save = [&] {
      buf_ = buf, avail_ = avail, cnt_ = cnt, lb_ = lb, blockRemaining_ = remaining;
      p_ = p, end_ = end;
    };
    const auto load = [&] {
      buf = buf_, avail = avail_, cnt = cnt_, lb = lb_, remaining = blockRemaining_;
      p = p_, end = end_;
    };
    const auto consume = [&](unsigned n) {
      buf <<= n;
      cnt -= n;
      avail -= n;
    };
    while (out < limit) {
      if (remaining == 0) {
        save();
        while (blockRemaining_ == 0 && !broken) broken = !StartBlock();
        load();
        if (broken) break;
      }
      --remaining;
      if (cnt < kCodeTableBits) {
        save();
        Refill();
        load();
      }
      // The code's bits are in hand already: look it up while the buffer
      // fills below them.
      const std::uint16_t e = codeTable_[buf >> (64 - kCodeTableBits)];
      if (end - p >= 8) {
        buf |= LoadBe64(p) >> cnt;
        p += (63 - cnt) >> 3;
        cnt |= 56;
      } else {
        save();
        Refill();
        load();
      }
      // Near the end of the input, or for a code longer than the table, the
      // careful path; otherwise one command needs at most 12 + 8 + 30 bits.
      int code;
      if ((e & kNodeEntry) || avail < 64) {
        save();
        code = ReadLookup(codeTable_, kCodeTableBits, codeTree_);
        load();
      } else {
        const unsigned len = (e >> 9) & 0xF;
        lb = len > lb ? (lb - len) & 31 : lb - len;
        consume(len);
        code = e & 0x1FF;
      }
      if (code < 0) {
        broken = true;
        break;
      }
      if (code < 256) {
        *out++ = static_cast<unsigned char>(code);
        continue;
      }
      const unsigned count = static_cast<unsigned>(code) - 256 + kCopyThreshold;
      int offset;
      const std::uint16_t o = offsetTable_[buf >> (64 - kOffsetTableBits)];
      if ((o & kNodeEntry) || avail < 64 || cnt < 38) {
        save();
        offset = ReadOffset();
        load();
      } else {
        const unsigned len = (o >> 9) & 0xF;
        lb = len > lb ? (lb - len) & 31 : lb - len;
        consume(len);
        offset = o & 0x1FF;
        if (offset > 1) {
          const unsigned n = static_cast<unsigned>(offset) - 1;
          if (lb < n) {
            lb += ((32 - lb) >> 3) << 3;
            if (lb < n) offset = -1;  // more than the reference's buffer holds
          }
          if (offset > 0) {
            lb -= n;
            offset = static_cast<int>(buf >> (64 - n)) + (1 << n);
            consume(n);
          }
        }
      }
      if (offset < 0) {
        broken = true;
        break;
      }
      // The window wraps, so any offset names a byte of it; before the start
      // of the data it holds blanks.
      const std::size_t dist = (static_cast<std::size_t>(offset) & ringMask) + 1;
      const unsigned char* src = out - dist;
      if (dist >= 16) {
        for (unsigned i = 0; i < count; i += 16) std::memcpy(out + i, src + i, 16);
      } else if (dist >= 8) {
        for (unsigned i = 0; i < count; i += 8) std::memcpy(out + i, src + i, 8);
      } else if (dist == 1) {
        std::memset(out, src[0], count);
      } else {
        for (unsigned i = 0; i < count; ++i) out[i] = src[i];
      }
      out += count;
    }
    save();
    // A copy may run past the member's end; those bytes are not part of it.
    if (static_cast<std::uint64_t>(out - chunk) > left) out = chunk + left;
    if (!Flush(chunk, out)) break;
    std::memmove(out_.get(), out - ring_, ring_);
    out = chunk;
  }
  Decoded d;
  d.length = produced_;
  d.crc = crc_;
  d.readFailed = readFailed_;
  d.sinkRefused = sinkRefused_;
  return d;
}

}  // namespace

bool IsLhNewMethod(std::string_view method) {
  Params p;
  return ParamsFor(method, &p);
}

Decoded DecodeLhNew(std::string_view method, std::uint64_t packed, const PackedSource& source,
                    std::uint64_t length, const OutputSink& sink) {
  Params p;
  if (!ParamsFor(method, &p)) return {};
  auto d = std::make_unique<Decoder>(p, &source, nullptr, packed, sink);
  return d->Run(length);
}

Decoded DecodeLhNew(std::string_view method, std::span<const unsigned char> packed,
                    std::uint64_t length, const OutputSink& sink) {
  Params p;
  if (!ParamsFor(method, &p)) return {};
  auto d = std::make_unique<Decoder>(p, nullptr, packed.data(), packed.size(), sink);
  return d->Run(length);
}

std::uint16_t Crc16(std::uint16_t crc, const unsigned char* p, std::size_t n) {
  // Slicing by sixteen: table k advances the CRC over k more zero bytes.
  static const auto t = [] {
    struct T {
      std::uint16_t v[16][256];
    } t{};
    for (unsigned i = 0; i < 256; ++i) {
      unsigned r = i;
      for (int j = 0; j < 8; ++j) r = (r & 1) ? (r >> 1) ^ 0xA001u : r >> 1;
      t.v[0][i] = static_cast<std::uint16_t>(r);
    }
    for (unsigned k = 1; k < 16; ++k)
      for (unsigned i = 0; i < 256; ++i)
        t.v[k][i] = static_cast<std::uint16_t>((t.v[k - 1][i] >> 8) ^ t.v[0][t.v[k - 1][i] & 0xFF]);
    return t;
  }();
  static_assert(std::endian::native == std::endian::little);
  while (n >= 16) {
    std::uint64_t a, b;
    std::memcpy(&a, p, 8);
    std::memcpy(&b, p + 8, 8);
    a ^= crc;
    crc = static_cast<std::uint16_t>(
        t.v[15][a & 0xFF] ^ t.v[14][(a >> 8) & 0xFF] ^ t.v[13][(a >> 16) & 0xFF] ^
        t.v[12][(a >> 24) & 0xFF] ^ t.v[11][(a >> 32) & 0xFF] ^ t.v[10][(a >> 40) & 0xFF] ^
        t.v[9][(a >> 48) & 0xFF] ^ t.v[8][a >> 56] ^ t.v[7][b & 0xFF] ^ t.v[6][(b >> 8) & 0xFF] ^
        t.v[5][(b >> 16) & 0xFF] ^ t.v[4][(b >> 24) & 0xFF] ^ t.v[3][(b >> 32) & 0xFF] ^
        t.v[2][(b >> 40) & 0xFF] ^ t.v[1][(b >> 48) & 0xFF] ^ t.v[0][b >> 56]);
    p += 16;
    n -= 16;
  }
  while (n--) crc = static_cast<std::uint16_t>(t.v[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8));
  return crc;
}

}  // namespace vok::lzh
