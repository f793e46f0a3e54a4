// The catalogue block exactly as this build's programs carry it: the embedded array on
// Linux, resource 9001 of the running test program on Windows.
#pragma once

#include <string>

namespace plumo {

std::string ShippedCatalogBytes();

}  // namespace plumo
