// The option block every program carries in its data: "~BUFFER~" and the version. The program
// builder finds it in a runtime image and marks it (first byte '1' asks for a single
// instance); a program reads its own copy at start-up.
#pragma once

#include <string>
#include <string_view>

namespace plumo {

inline constexpr std::string_view kOptionBlockTag = "~BUFFER~";

// The running program's block, as the builder left it.
std::string ProgramOptionBlock();
// True when the builder marked this program as single instance.
bool OptionBlockAsksSingleInstance(std::string_view block);

}  // namespace plumo
