// The real port implementations of the platform the program was built for. Only programs
// construct one; libraries take the interfaces they need by reference.
#pragma once

#include <memory>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/main_queue.h"
#include "platform/registry.h"

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

 private:
  std::unique_ptr<Registry> registry_;
  std::unique_ptr<Clock> clock_;
  std::unique_ptr<Environment> environment_;
  std::unique_ptr<MainQueue> mainQueue_;
};

}  // namespace plumo
