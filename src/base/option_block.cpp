#include "base/option_block.h"

namespace plumo {
namespace {

// Writable data, not a literal in read-only memory, and kept by the linker through
// ProgramOptionBlock: the builder patches it in place in the program file.
volatile char g_optionBlock[32] = "~BUFFER~7.76";

}  // namespace

std::string ProgramOptionBlock() {
  std::string block;
  for (size_t i = 0; i < sizeof(g_optionBlock) && g_optionBlock[i] != '\0'; ++i)
    block.push_back(g_optionBlock[i]);
  return block;
}

bool OptionBlockAsksSingleInstance(std::string_view block) {
  return !block.empty() && block[0] == '1';
}

}  // namespace plumo
