// The version resource of a program image (VS_VERSIONINFO): read, or changed in place as
// bytes (the numbers, and the "Copyright" and "Description" strings within the room they
// already have).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plumo {

struct VersionPatch {
  std::array<uint16_t, 4> numbers{};
  std::string copyright;    // left alone when empty
  std::string description;  // left alone when empty
};

// What a version resource tells: the file version and the strings of its first table
// ("CompanyName", "FileDescription", ...), as ANSI text.
struct VersionFacts {
  std::array<uint16_t, 4> numbers{};
  std::vector<std::pair<std::string, std::string>> strings;
};
std::optional<VersionFacts> ReadVersionInfo(const std::string& block);

// Patches the block; false (block unchanged) when it is not a well-formed version resource.
// *language gets the language of the "Translation" entry (0 when there is none).
bool PatchVersionInfo(std::string& block, const VersionPatch& patch, uint16_t* language);

}  // namespace plumo
