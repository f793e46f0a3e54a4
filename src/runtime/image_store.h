// How the runtime library stores a runtime image: without its first 128 bytes (the DOS header
// the program builder puts back) and packed with a window of 4096. The build packs each image
// with it, on the build machine.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace plumo {

// The stored form of a linked image. The image must begin "MZ" with its PE header at exactly
// byte 128, so that nothing but the DOS header is dropped; nothing with *error otherwise.
std::optional<std::string> StoredRuntimeImage(std::string_view image, std::string* error);

}  // namespace plumo
