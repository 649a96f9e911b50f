// Both decoders of -lh4- .. -lh7- side by side on packed bytes in memory:
// ours and liblhasa's, fed the way extraction feeds it (whole requests until
// the data runs out).
#pragma once
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include <lhasa.h>

#include "archive/lh_decoder.h"

namespace vok::testing {

struct DecodedBytes {
  std::string bytes;
  std::uint16_t crc = 0;
  bool operator==(const DecodedBytes&) const = default;
};

inline DecodedBytes ReferenceDecode(const std::string& method, std::span<const unsigned char> packed,
                                    std::uint64_t length) {
  struct Feed {
    std::span<const unsigned char> data;
    std::size_t at = 0;
  } feed{packed};
  auto read = [](void* buf, size_t n, void* handle) -> size_t {
    auto* f = static_cast<Feed*>(handle);
    const std::size_t k = n < f->data.size() - f->at ? n : f->data.size() - f->at;
    std::memcpy(buf, f->data.data() + f->at, k);
    f->at += k;
    return k;
  };
  std::vector<char> name(method.begin(), method.end());
  name.push_back('\0');
  LHADecoder* d = lha_decoder_new(lha_decoder_for_name(name.data()), read, &feed,
                                  static_cast<size_t>(length));
  DecodedBytes out;
  std::vector<unsigned char> buf(64 * 1024);
  while (const size_t n = lha_decoder_read(d, buf.data(), buf.size()))
    out.bytes.append(reinterpret_cast<const char*>(buf.data()), n);
  out.crc = lha_decoder_get_crc(d);
  lha_decoder_free(d);
  return out;
}

inline DecodedBytes OurDecode(const std::string& method, std::span<const unsigned char> packed,
                              std::uint64_t length) {
  DecodedBytes out;
  const lzh::Decoded d =
      lzh::DecodeLhNew(method, packed, length, [&out](const unsigned char* p, std::size_t n) {
        out.bytes.append(reinterpret_cast<const char*>(p), n);
        return true;
      });
  out.crc = d.crc;
  return out;
}

}  // namespace vok::testing
