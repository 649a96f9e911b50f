// Our own decoder for the static-Huffman methods -lh4- to -lh7-: LZSS with a
// 4 to 64 KB window whose codes are sent as canonical-shaped Huffman tables
// per block. On a broken stream it stops exactly where liblhasa stops, so
// both give the same bytes whatever the input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace vok::lzh {

// Fills buf with up to n packed bytes: the count, 0 at the end, -1 on error.
using PackedSource = std::function<long(unsigned char* buf, std::size_t n)>;
// Takes the decoded bytes in order; false stops the decoding.
using OutputSink = std::function<bool(const unsigned char* data, std::size_t n)>;

struct Decoded {
  std::uint64_t length = 0;  // bytes handed to the sink
  std::uint16_t crc = 0;     // CRC-16 of those bytes
  bool readFailed = false;   // the source said -1
  bool sinkRefused = false;  // the sink said false
};

// Whether the method ("-lh5-") is one this decoder handles.
bool IsLhNewMethod(std::string_view method);

// Decodes up to `length` bytes from `packed` bytes drawn from `source`. The
// result is shorter than `length` when the stream breaks off; the caller
// compares length and CRC with the header.
Decoded DecodeLhNew(std::string_view method, std::uint64_t packed, const PackedSource& source,
                    std::uint64_t length, const OutputSink& sink);

// The same from packed bytes already in memory (a preview, a test).
Decoded DecodeLhNew(std::string_view method, std::span<const unsigned char> packed,
                    std::uint64_t length, const OutputSink& sink);

std::uint16_t Crc16(std::uint16_t crc, const unsigned char* p, std::size_t n);

}  // namespace vok::lzh
