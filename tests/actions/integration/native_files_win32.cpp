#include "actions/integration/native_files.h"
#include "platform/win32/win32_files.h"

namespace plumo {

std::unique_ptr<Files> NativeFilesForTest() { return std::make_unique<Win32Files>(); }

}  // namespace plumo
