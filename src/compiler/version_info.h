// The version resource of a program image (VS_VERSIONINFO), changed in place as bytes: the
// numbers, and the "Copyright" and "Description" strings within the room they already have.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

struct VersionPatch {
  std::array<uint16_t, 4> numbers{};
  std::string copyright;    // left alone when empty
  std::string description;  // left alone when empty
};

// Patches the block; false (block unchanged) when it is not a well-formed version resource.
// *language gets the language of the "Translation" entry (0 when there is none).
bool PatchVersionInfo(std::string& block, const VersionPatch& patch, uint16_t* language);

}  // namespace plumo
