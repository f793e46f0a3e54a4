#include "platform/loop_main_queue.h"
#include "platform/memory/memory_registry.h"
#include "platform/native_port.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_environment.h"

namespace plumo {

// The registry lives in memory until the database-backed store replaces it.
NativePort::NativePort()
    : registry_(std::make_unique<MemoryRegistry>()),
      clock_(std::make_unique<PosixClock>()),
      environment_(std::make_unique<PosixEnvironment>()),
      mainQueue_(std::make_unique<LoopMainQueue>()) {}

NativePort::~NativePort() = default;

}  // namespace plumo
