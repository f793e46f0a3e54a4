// Any program file: finding the Script block at its end and unpacking it stays inside the
// file, and a block is only ever taken from within it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/program_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto block = plumo::TrailerBlock(file, &error);
  if (!block) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (block->size() + plumo::kTrailerLengthBytes > file.size()) std::abort();
  const auto text = plumo::ScriptTextOfBlock(*block, &error);
  if (!text && error.empty()) std::abort();
  if (text && text->size() > plumo::kMaxProgramScriptText) std::abort();
  return 0;
}
