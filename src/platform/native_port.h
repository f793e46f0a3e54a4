// The real port implementations of the platform the program was built for. Only programs
// construct one; libraries take the interfaces they need by reference.
#pragma once

#include <memory>

#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/libraries.h"
#include "platform/locale.h"
#include "platform/main_queue.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/threads.h"

namespace plumo {

class NativePort {
 public:
  // Construct on the main thread: the main-thread queue belongs to the constructing thread.
  NativePort();
  ~NativePort();

  Registry& registry() { return *registry_; }
  Clock& clock() { return *clock_; }
  Environment& environment() { return *environment_; }
  MainQueue& mainQueue() { return *mainQueue_; }
  Locale& locale() { return *locale_; }
  Desktop& desktop() { return *desktop_; }
  Dialogs& dialogs() { return *dialogs_; }
  Files& files() { return *files_; }
  System& system() { return *system_; }
  Processes& processes() { return *processes_; }
  Threads& threads() { return *threads_; }
  Clipboard& clipboard() { return *clipboard_; }
  Libraries& libraries() { return *libraries_; }

 private:
  std::unique_ptr<Registry> registry_;
  std::unique_ptr<Clock> clock_;
  std::unique_ptr<Environment> environment_;
  std::unique_ptr<MainQueue> mainQueue_;
  std::unique_ptr<Locale> locale_;
  std::unique_ptr<Desktop> desktop_;
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<Files> files_;
  std::unique_ptr<System> system_;
  std::unique_ptr<Processes> processes_;
  std::unique_ptr<Threads> threads_;
  std::unique_ptr<Clipboard> clipboard_;
  std::unique_ptr<Libraries> libraries_;
};

}  // namespace plumo
