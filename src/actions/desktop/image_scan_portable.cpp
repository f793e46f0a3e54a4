// The loops one pixel at a time, for processors without a vector set of ours.
#include "actions/desktop/image_scan_loops.h"

namespace plumo::scan {
namespace {

constexpr ScanKernels kPortable = KernelsOf<ScalarVec>("portable");

}  // namespace

const ScanKernels& PortableKernels() { return kPortable; }

}  // namespace plumo::scan
