// Calling an exported function of a DLL from a Step: "Call DLL Function" (Run) and
// "Windows API" (System). Both run on the main thread, where the run thread hands them.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "actions/programs/dll_call_text.h"

namespace plumo {

class Libraries;
class Session;

// What the failure marker of the call stands for in older Scripts' results.
constexpr int kDllCallFailed = 111111990;

enum class DllCaller { kCallDllFunction, kWindowsApi };

struct DllCallOutcome {
  bool called = false;
  std::string error;       // why it was not called, or why it did not return
  int32_t value = 0;       // the 32-bit return value
  std::string resultText;  // the decimal value, or the text of a structure the function filled
  std::string lastError;   // the error text the function left, empty for none
  std::vector<std::string> after;  // each argument's text after the call
  int calleePopped = -1;
};

// Functions found in libraries that stay loaded, by library and name as the Step wrote them.
struct DllCallCache {
  struct Found {
    void* function;
    std::string name;
  };
  std::mutex mu;
  std::map<std::string, Found> found;
};

// Locates the function (the named library, then in the Windows and system folders, then the
// system list; the name, then with "A", then with "ExA") and calls it.
DllCallOutcome CallDllFunction(Session& session, Libraries& libraries, const std::string& library,
                               const DllCallText& call, DllCallCache* cache = nullptr);

// Main thread: the Step of that caller, from its text to its results.
int CallDllStep(Session& session, Libraries& libraries, DllCallCache& cache, int slot, int index, DllCaller caller);

}  // namespace plumo
