// Our -lh4- .. -lh7- decoder and liblhasa's on arbitrary bytes: the same
// output and CRC, or abort. The first byte picks the method, the next three
// the expected length; the rest is the packed stream.
#include <cstdint>
#include <cstdlib>

#include "tests/archive/lh_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  static const char* const kMethods[] = {"-lh4-", "-lh5-", "-lh6-", "-lh7-"};
  const std::string method = kMethods[data[0] & 3];
  const std::uint64_t length = data[1] | (data[2] << 8) | ((data[3] & 0x0F) << 16);
  const std::span<const unsigned char> packed(data + 4, size - 4);
  if (!(vok::testing::OurDecode(method, packed, length) ==
        vok::testing::ReferenceDecode(method, packed, length)))
    std::abort();
  return 0;
}
