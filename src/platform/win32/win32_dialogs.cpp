#include "platform/win32/win32_dialogs.h"

#include <windows.h>

namespace plumo {

int Win32Dialogs::ShowMessage(const std::string& text, const std::string& caption, uint32_t style) {
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

}  // namespace plumo
