// The packed data format: a bit stream of literals, back-references into a sliding window
// and long runs of one byte, behind a five-byte header. The catalogue, the Script inside a
// compiled program and the runtime images travel in it; packer and unpacker must agree bit
// for bit with every other copy of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plumo {

constexpr size_t kPackedHeaderSize = 5;
// The window the program builder and the catalogue use.
constexpr uint32_t kPackWindow = 4096;
// A header may announce at most this much; more is taken as a damaged or hostile block.
constexpr uint32_t kMaxUnpackedLength = 512u << 20;

// Packs data with a window of windowSize bytes (1024 times a power of two up to 128). Nothing
// for empty data, a window of another size, data above kMaxUnpackedLength, or no memory.
std::optional<std::string> Pack(std::string_view data, uint32_t windowSize = kPackWindow);

// Unpacks a block. A block that ends early gives the bytes produced so far; nothing for a
// block shorter than its header, a zero or absurd announced length, a window that is not
// 1024 times a power of two, or no memory. Never reads or writes outside its buffers.
std::optional<std::string> Unpack(std::string_view block);

// Loaders that take either form tell plain text by its first byte: tab, LF, CR, space or
// "A" to "Z". Anything else is a packed block (the low byte of its length).
inline bool LooksPlain(unsigned char first) {
  return first == '\t' || first == '\n' || first == '\r' || first == ' ' || (first >= 'A' && first <= 'Z');
}

// The unpacked length a block's header announces, or nothing without a whole header.
std::optional<uint32_t> AnnouncedLength(std::string_view block);

}  // namespace plumo
