// Processors other than x86: the portable loops.
#include "actions/desktop/image_scan_kernel.h"

namespace plumo::scan {

std::vector<const ScanKernels*> AvailableKernels() { return {&PortableKernels()}; }

}  // namespace plumo::scan
