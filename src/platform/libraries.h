// Libraries port: loading a DLL (a shared object on Linux), finding its exported functions and
// calling one with machine-word arguments, for the DLL-call actions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plumo {

class Library {
 public:
  virtual ~Library() = default;  // releases the library
  // Null when the library exports no such name.
  virtual void* Find(const std::string& name) = 0;
  // True when it stays loaded after its release: the process had it loaded already (the
  // system's libraries), so what it exports may be remembered.
  virtual bool Resident() = 0;
};

struct NativeCallResult {
  uint64_t value = 0;      // the return register
  uint32_t lastError = 0;  // the thread's last error (errno on Linux) that the call left, 0 for none
  // Bytes of arguments the function took off the stack itself: 4 per argument for stdcall,
  // 0 for cdecl; -1 where there is one calling convention (x86_64).
  int calleePopped = -1;
  // What went wrong when the function faulted (a bad address, a callee that crashed) and the
  // call was abandoned; empty when it returned.
  std::string fault;
};

class Libraries {
 public:
  virtual ~Libraries() = default;
  // Null when it cannot be loaded.
  virtual std::unique_ptr<Library> Load(const std::string& name) = 0;
  // The libraries tried in order when the named one does not provide the function.
  virtual std::vector<std::string> SystemLibraries() = 0;
  // Calls the function with up to 10 arguments, each one machine word. On i686 Windows it
  // works whichever convention the function has (stdcall or cdecl) and says which it was. A
  // fault inside the call that the callee does not handle itself abandons the call.
  virtual NativeCallResult Call(void* function, const uintptr_t* args, int count) = 0;
  virtual std::string ErrorMessage(uint32_t code) = 0;
};

// The call itself, by processor (native_call_*.cpp); it clears nothing and reads no error.
NativeCallResult CallNative(void* function, const uintptr_t* args, int count);

}  // namespace plumo
