#include <atomic>
#include <thread>

#include "platform/threads.h"

namespace plumo {
namespace {

OsError Refused(const char* call) {
  return OsError(call, oscode::kNotSupported, "a thread can only be paused or terminated on Windows");
}

class StdWorker : public Worker {
 public:
  explicit StdWorker(std::function<void()> body)
      : thread_([this, body = std::move(body)] {
          body();
          done_ = true;
        }) {}
  ~StdWorker() override {
    // The run thread may drop its own worker at its very end; it finishes on its own then.
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) thread_.detach();
    Join();
  }
  OsError Suspend() override { return Refused("SuspendThread"); }
  OsError Resume() override { return Refused("ResumeThread"); }
  OsError Terminate() override { return Refused("TerminateThread"); }
  bool Finished() override { return done_; }
  void Join() override {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<Worker> StdThreads::Start(std::function<void()> body) {
  return std::make_unique<StdWorker>(std::move(body));
}

}  // namespace plumo
