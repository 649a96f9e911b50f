// One string from parts, sized once. The listing builds its lines with it:
// chains of std::string operator+ make GCC 12 at -O2/-O3 warn falsely
// (-Wrestrict) inside libstdc++.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

namespace vok::lzh {

inline std::string Concat(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (std::string_view p : parts) size += p.size();
  std::string out;
  out.reserve(size);
  for (std::string_view p : parts) out.append(p);
  return out;
}

}  // namespace vok::lzh
