// The call text of the DLL-call actions, such as MessageBox( NULL, "Hi", "Title", MB_OK ):
// the function's name and its arguments, each read as a number or a text.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

constexpr size_t kDllFunctionNameWidth = 126;
constexpr size_t kDllArgumentWidth = 1 << 20;
constexpr size_t kDllVariableWidth = 31;
constexpr size_t kDllArgumentSlots = 12;

struct DllArgument {
  std::string text;
  bool numeric = false;
  std::string variable;  // the variable the argument named, without its '%'; empty for none
};

struct DllCallText {
  std::string function;
  std::vector<DllArgument> arguments;  // at most kDllArgumentSlots are kept
  size_t count = 0;                    // arguments written, also those beyond the slots
};

// What reading the arguments needs from the run.
struct DllArgumentHost {
  std::function<std::string(std::string_view name)> variable;        // a variable's value
  std::function<std::string(std::string_view expression)> evaluate;  // the formula engine's result
  std::function<std::string(std::string_view text)> expand;          // variables inside a piece
  std::function<std::string(std::string_view name)> constant;        // Windows constant names to numbers
};

DllCallText ParseDllCall(std::string_view text, const DllArgumentHost& host);

// The machine word of a numeric argument (two's complement for negative numbers).
uint64_t DllNumber(std::string_view text);

}  // namespace plumo
