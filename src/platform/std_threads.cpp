#include <thread>

#include "platform/threads.h"

namespace plumo {
namespace {

OsError Refused(const char* call) {
  return OsError(call, oscode::kNotSupported, "a thread can only be terminated on Windows");
}

class StdWorker : public Worker {
 public:
  explicit StdWorker(std::function<void()> body) : thread_(std::move(body)) {}
  ~StdWorker() override {
    // The run thread may drop its own worker at its very end; it finishes on its own then.
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) thread_.detach();
    Join();
  }
  OsError Terminate() override { return Refused("TerminateThread"); }
  void Join() override {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  }

 private:
  std::thread thread_;
};

}  // namespace

std::unique_ptr<Worker> StdThreads::Start(std::function<void()> body) {
  return std::make_unique<StdWorker>(std::move(body));
}

}  // namespace plumo
