// Threads port: the run thread, which the studio may suspend, resume or, as a last resort,
// terminate from its main thread.
#pragma once

#include <functional>
#include <memory>

#include "platform/os_error.h"

namespace plumo {

class Worker {
 public:
  virtual ~Worker() = default;  // waits for the thread unless it was terminated
  virtual OsError Suspend() = 0;
  virtual OsError Resume() = 0;
  virtual OsError Terminate() = 0;
  // Waits until the body has returned (or the thread was terminated).
  virtual void Join() = 0;
  // True once the thread has ended; does not wait.
  virtual bool Finished() = 0;
};

class Threads {
 public:
  virtual ~Threads() = default;
  virtual std::unique_ptr<Worker> Start(std::function<void()> body) = 0;
};

// std::thread: what every platform can do. Suspending and terminating are refused with
// kNotSupported, so a program on it offers neither.
class StdThreads : public Threads {
 public:
  std::unique_ptr<Worker> Start(std::function<void()> body) override;
};

}  // namespace plumo
