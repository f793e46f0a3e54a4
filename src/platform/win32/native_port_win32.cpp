#include "platform/native_port.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_main_queue.h"
#include "platform/win32/win32_registry.h"

namespace plumo {

NativePort::NativePort()
    : registry_(std::make_unique<Win32Registry>()),
      clock_(std::make_unique<Win32Clock>()),
      environment_(std::make_unique<Win32Environment>()),
      mainQueue_(std::make_unique<Win32MainQueue>()) {}

NativePort::~NativePort() = default;

}  // namespace plumo
