// The platform's own Files port for tests that work on real files (a NativePort would also
// open the user's registry).
#pragma once

#include <memory>

#include "platform/files.h"

namespace plumo {

std::unique_ptr<Files> NativeFilesForTest();

}  // namespace plumo
