// Unpacking any bytes stays inside its buffers and never produces more than announced.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scripts/packed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view block(reinterpret_cast<const char*>(data), size);
  // Run tokens let a few bytes announce and produce hundreds of megabytes legitimately;
  // keep each input quick so that the fuzzer explores instead of filling memory.
  const auto announced = plumo::AnnouncedLength(block);
  if (announced && *announced > (1u << 22)) return 0;
  const auto out = plumo::Unpack(block);
  if (out && out->size() > *plumo::AnnouncedLength(block)) std::abort();
  return 0;
}
