// Threads port: the run thread, which the studio may, as the confirmed last resort of a stop,
// terminate from its main thread. Pausing is the run's own business (Session::Checkpoint).
#pragma once

#include <functional>
#include <memory>

#include "platform/os_error.h"

namespace plumo {

class Worker {
 public:
  virtual ~Worker() = default;  // waits for the thread unless it was terminated
  virtual OsError Terminate() = 0;
  // Waits until the body has returned (or the thread was terminated).
  virtual void Join() = 0;
};

class Threads {
 public:
  virtual ~Threads() = default;
  virtual std::unique_ptr<Worker> Start(std::function<void()> body) = 0;
};

// std::thread: what every platform can do. Terminating is refused with kNotSupported, so a
// program on it cannot force a stop.
class StdThreads : public Threads {
 public:
  std::unique_ptr<Worker> Start(std::function<void()> body) override;
};

}  // namespace plumo
