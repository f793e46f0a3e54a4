#include "runtime/image_store.h"

#include "scripts/packed.h"

namespace plumo {
namespace {

constexpr size_t kStoredHeaderSize = 128;  // the builder's standard DOS header
constexpr size_t kPeOffsetField = 0x3C;

}  // namespace

std::optional<std::string> StoredRuntimeImage(std::string_view image, std::string* error) {
  if (image.size() < kStoredHeaderSize + 4 || image.substr(0, 2) != "MZ") {
    *error = "not a program image";
    return std::nullopt;
  }
  uint32_t peAt = 0;
  for (size_t i = 0; i < 4; ++i) peAt |= static_cast<uint32_t>(static_cast<unsigned char>(image[kPeOffsetField + i])) << (8 * i);
  if (peAt != kStoredHeaderSize || image.substr(kStoredHeaderSize, 4) != std::string_view("PE\0\0", 4)) {
    *error = "the PE header is at byte " + std::to_string(peAt) + ", not at byte 128: the DOS header cannot be dropped";
    return std::nullopt;
  }
  const std::string_view body = image.substr(kStoredHeaderSize);
  std::optional<std::string> packed = Pack(body, kPackWindow);
  if (!packed) {
    *error = "packing failed";
    return std::nullopt;
  }
  if (Unpack(*packed) != body) {
    *error = "the packed image does not unpack to the image";
    return std::nullopt;
  }
  return packed;
}

}  // namespace plumo
