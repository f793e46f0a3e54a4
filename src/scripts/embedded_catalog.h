// The packed Action Catalog as the Linux build embeds it in its programs (the Windows build
// carries the same block as resource 9001). Generated at build time from data/.
#pragma once

#include <string_view>

namespace plumo {

std::string_view EmbeddedActionCatalog();

}  // namespace plumo
