// Packing any bytes and unpacking them gives the bytes back; the first byte picks the window.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scripts/packed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint32_t window = 1024u << (data[0] % 3);
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto packed = plumo::Pack(input, window);
  if (!packed) std::abort();
  const auto back = plumo::Unpack(*packed);
  if (!back || *back != input) std::abort();
  return 0;
}
