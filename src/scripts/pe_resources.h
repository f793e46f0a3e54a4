// Data resources read straight from the bytes of a Windows program file, so that both builds
// can open a compiled program's Script without loading the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace plumo {

constexpr uint32_t kRcDataType = 10;  // RT_RCDATA
constexpr uint32_t kCompiledScriptResource = 9002;

// The bytes of the resource of that type and numeric id (its first language), inside image.
// Nothing when the file is not a program, has no such resource, or any offset or size on the
// way leads outside the file.
std::optional<std::string_view> FindPeResource(std::string_view image, uint32_t type, uint32_t id);

}  // namespace plumo
