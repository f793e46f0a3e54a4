// Go to Step: asks for a Step number and selects that row, staying open while the number is
// refused.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

namespace plumo {

inline constexpr char kGoToDialogTitle[] = "Go to Step";

namespace gotoid {
enum : int { kNumber = 400 };
}  // namespace gotoid

// go selects the Step and returns why it could not (empty when done).
void RunGoToStepDialog(HWND owner, size_t rows, const std::function<std::string(long)>& go);

}  // namespace plumo
