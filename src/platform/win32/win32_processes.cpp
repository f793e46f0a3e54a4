#include "platform/win32/win32_processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include "platform/win32/win32_error.h"

namespace plumo {

uint32_t Win32Processes::PriorityClass() { return GetPriorityClass(GetCurrentProcess()); }

OsError Win32Processes::SetPriorityClass(uint32_t cls) {
  return ::SetPriorityClass(GetCurrentProcess(), cls) ? OsError::Ok() : LastWin32Error("SetPriorityClass");
}

OsError Win32Processes::List(std::vector<ProcessEntry>* out) {
  out->clear();
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return LastWin32Error("CreateToolhelp32Snapshot");
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
    out->push_back(ProcessEntry{entry.th32ProcessID, entry.szExeFile});
  return OsError::Ok();
}

OsError Win32Processes::RunAndWait(const std::string& commandLine, uint32_t timeoutMs) {
  std::string line = commandLine;  // CreateProcessA may write into it
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return LastWin32Error("CreateProcessA");
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  WaitForSingleObject(process.get(), timeoutMs);
  return OsError::Ok();
}

namespace {

class Win32Worker : public Worker {
 public:
  explicit Win32Worker(std::function<void()> body) : body_(std::move(body)) {
    HANDLE h = CreateThread(nullptr, 0, &Win32Worker::Main, this, 0, &id_);
    handle_ = std::make_unique<UniqueHandle>(h);
  }
  ~Win32Worker() override { Join(); }
  OsError Suspend() override {
    return SuspendThread(handle_->get()) != static_cast<DWORD>(-1) ? OsError::Ok() : LastWin32Error("SuspendThread");
  }
  OsError Resume() override {
    return ResumeThread(handle_->get()) != static_cast<DWORD>(-1) ? OsError::Ok() : LastWin32Error("ResumeThread");
  }
  OsError Terminate() override {
    return TerminateThread(handle_->get(), 1) ? OsError::Ok() : LastWin32Error("TerminateThread");
  }
  bool Finished() override { return !handle_->valid() || WaitForSingleObject(handle_->get(), 0) == WAIT_OBJECT_0; }
  void Join() override {
    // The run thread may drop its own worker at its very end; it finishes on its own then.
    if (handle_->valid() && id_ != GetCurrentThreadId())
      WaitForSingleObject(handle_->get(), INFINITE);
  }

 private:
  static DWORD WINAPI Main(void* self) {
    static_cast<Win32Worker*>(self)->body_();
    return 0;
  }
  std::function<void()> body_;
  std::unique_ptr<UniqueHandle> handle_;
  DWORD id_ = 0;
};

}  // namespace

std::unique_ptr<Worker> Win32Threads::Start(std::function<void()> body) {
  return std::make_unique<Win32Worker>(std::move(body));
}

}  // namespace plumo
