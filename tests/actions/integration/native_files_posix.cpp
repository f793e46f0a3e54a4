#include "actions/integration/native_files.h"
#include "platform/posix/posix_files.h"

namespace plumo {

std::unique_ptr<Files> NativeFilesForTest() { return std::make_unique<PosixFiles>(); }

}  // namespace plumo
