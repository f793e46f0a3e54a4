// Message-box styles and answers by their Win32 numbers, as the run engine passes them to the
// dialogs port.
#pragma once

#include <cstdint>

namespace plumo {

namespace msgbox {
constexpr uint32_t kOkCancel = 0x1;
constexpr uint32_t kYesNo = 0x4;
constexpr uint32_t kIconQuestion = 0x20;
constexpr uint32_t kIconExclamation = 0x30;
constexpr uint32_t kIconInformation = 0x40;
constexpr uint32_t kTaskModal = 0x2000;
constexpr uint32_t kForeground = 0x10000;
constexpr uint32_t kTopmost = 0x40000;
// How the programs show their own errors: an exclamation box in front of everything.
constexpr uint32_t kErrorBox = kIconExclamation | kTaskModal | kForeground;
}  // namespace msgbox

namespace answer {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kYes = 6;
constexpr int kNo = 7;
}  // namespace answer

}  // namespace plumo
