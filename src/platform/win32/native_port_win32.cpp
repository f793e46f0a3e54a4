#include "platform/native_port.h"
#include "platform/win32/win32_clipboard.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_libraries.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_main_queue.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace plumo {

NativePort::NativePort()
    : registry_(std::make_unique<Win32Registry>()),
      clock_(std::make_unique<Win32Clock>()),
      environment_(std::make_unique<Win32Environment>()),
      mainQueue_(std::make_unique<Win32MainQueue>()),
      locale_(std::make_unique<Win32Locale>()),
      desktop_(std::make_unique<Win32Desktop>()),
      dialogs_(std::make_unique<Win32Dialogs>()),
      files_(std::make_unique<Win32Files>()),
      system_(std::make_unique<Win32System>()),
      processes_(std::make_unique<Win32Processes>()),
      threads_(std::make_unique<Win32Threads>()),
      clipboard_(std::make_unique<Win32Clipboard>()),
      libraries_(std::make_unique<Win32Libraries>()) {}

NativePort::~NativePort() = default;

}  // namespace plumo
