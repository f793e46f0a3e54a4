// The packer written the plain way: every input position scans the whole window, and the
// bits are written one by one. The shipped packer must produce the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

std::string ReferencePack(std::string_view data, uint32_t windowSize);

// One token of a packed stream, for tests that look inside a block.
struct PackedToken {
  enum Kind { kLiteral, kMatch, kRun } kind;
  uint32_t value;  // literal byte, window position, or run byte
  uint32_t count;  // 1, match length (M added), run count
};
// Decodes the tokens of a well-formed block (stops at the announced length).
std::vector<PackedToken> DecodeTokens(std::string_view block);

}  // namespace plumo
