// The product's version, shown in help texts and carried in every program's option block.
#pragma once

namespace plumo {

inline constexpr const char kVersionText[] = "7.76";
inline constexpr int kVersionMajor = 7;
inline constexpr int kVersionMinor = 76;
inline constexpr const char kProductName[] = "Plumo";

}  // namespace plumo
