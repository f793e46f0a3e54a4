// A Step: one action of the catalogue with its parameters, result target, failure settings,
// layout and editor marks. Bounded fields cut on assignment; `text` and `comment` grow freely.
// Steps are values: a copy owns its own texts.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"

namespace plumo {

// A text field of a fixed width: holds at most Width - 1 characters, like a C buffer of
// Width bytes with its NUL. Every assignment cuts through AssignBounded.
template <size_t Width>
class BoundedText {
 public:
  static constexpr size_t kWidth = Width;

  BoundedText() = default;
  BoundedText(std::string_view s) { AssignBounded(s_, s, Width); }  // NOLINT: implicit by design
  BoundedText(const char* s) : BoundedText(std::string_view(s)) {}  // NOLINT
  BoundedText& operator=(std::string_view s) {
    AssignBounded(s_, s, Width);
    return *this;
  }
  BoundedText& operator=(const char* s) { return *this = std::string_view(s); }

  const std::string& str() const { return s_; }
  operator std::string_view() const { return s_; }  // NOLINT
  const char* c_str() const { return s_.c_str(); }
  bool empty() const { return s_.empty(); }
  size_t size() const { return s_.size(); }

  bool operator==(const BoundedText&) const = default;
  friend bool operator==(const BoundedText& a, std::string_view b) { return a.s_ == b; }
  friend bool operator==(const BoundedText& a, const char* b) { return a.s_ == b; }

 private:
  std::string s_;
};

using Text64 = BoundedText<64>;
using Text260 = BoundedText<260>;

// Editor marks in `status`; other bits are kept as read.
namespace status {
constexpr uint32_t kSkip = 0x1;
constexpr uint32_t kBreakpoint = 0x2;
constexpr uint32_t kBookmark = 0x1000;
}  // namespace status

// `ranFlag`: the Step's result in the current run.
namespace ran {
constexpr uint8_t kNotRun = 0;
constexpr uint8_t kRun = 1;
constexpr uint8_t kSucceeded = 2;
constexpr uint8_t kFailed = 3;
constexpr uint8_t kFailedPassedOver = 4;
}  // namespace ran

// A run field of a Step: the run thread writes it while the studio draws the Step, so every
// access is one relaxed atomic load or store. Copies take the value.
template <class T>
class RunField {
 public:
  RunField() = default;
  explicit RunField(T v) : v_(v) {}
  // noexcept, so that a vector of Steps moves its Steps when it grows instead of copying them.
  RunField(const RunField& o) noexcept : v_(o.load()) {}
  RunField& operator=(const RunField& o) noexcept {
    store(o.load());
    return *this;
  }
  RunField& operator=(T v) {
    store(v);
    return *this;
  }
  operator T() const { return load(); }  // NOLINT: reads as the plain value
  T operator++() { return static_cast<T>(v_.fetch_add(1, std::memory_order_relaxed) + 1); }
  friend bool operator==(const RunField& a, const RunField& b) { return a.load() == b.load(); }

 private:
  T load() const { return v_.load(std::memory_order_relaxed); }
  void store(T v) { v_.store(v, std::memory_order_relaxed); }
  std::atomic<T> v_{};
};

// `primaryField`: which field holds the main parameter.
namespace primary {
constexpr int32_t kNone = -1;
constexpr int32_t kText = 0;
constexpr int32_t kData = 9;
constexpr int32_t kOutputValue = 11;
}  // namespace primary

struct Step {
  Text64 action;
  int32_t category = 0;
  int32_t image = 0;
  uint32_t status = 0;
  int32_t indents = 0;
  std::string text;
  std::string comment;
  Text260 options;
  Text260 timeout;
  Text260 data;
  Text260 value1, value2, value3, value4, value5, value6, value7, value8;
  Text260 custom;
  Text64 output;
  Text260 outputValue;
  uint8_t hasOutput = 0;
  Text64 onfail;
  Text260 onfailValue;
  int32_t onfailImage = 0;
  int32_t onfailLog = 0;
  uint8_t canFail = 0;
  int32_t primaryField = 0;
  RunField<uint8_t> ranFlag;
  RunField<int32_t> runCount;
  std::array<int32_t, 8> embeddedIds{};
  uint32_t rowTextColor = 0;
  uint32_t rowFillColor = 0;

  // value1 to value8 by number; n outside 1 to 8 is a programming error.
  Text260& Value(int n);
  const Text260& Value(int n) const;

  bool Skipped() const { return (status & status::kSkip) != 0; }
  // Skip wins over a breakpoint on the same Step.
  bool StopsAtBreakpoint() const { return (status & status::kBreakpoint) && !Skipped(); }

  bool operator==(const Step&) const = default;
};

// A block IF: its name begins with "IF " and its options lack "Quick" (a checkpoint).
bool IsBlockIf(const Step& step);
// A loop start as indentation sees it: its name holds "Start " and " Loop" (the run engine
// has its own, looser test).
bool OpensLoopIndent(const Step& step);

enum class StatusChange { kSet, kClear, kToggle };
void ChangeStatus(Step& step, uint32_t bits, StatusChange change);

// Option words in `options`, a comma-separated list matched whole and without regard to case.
bool HasOption(std::string_view options, std::string_view word);
// Appends the word when absent, then tidies.
void AddOption(Text260& options, std::string_view word);
// Removes every occurrence of the word, then tidies.
void RemoveOption(Text260& options, std::string_view word);
// ", " and " ," become ",", ",," becomes ",", double spaces become one, and leading and
// trailing commas and spaces go.
std::string TidyOptions(std::string_view options);

// The choices the Properties palette offers for `output` and `onfail`, in their order.
inline constexpr std::array<std::string_view, 10> kOutputKinds = {
    "Variable",          "Environment Variable", "Memory Variable",    "Clipboard",
    "File",              "Excel Spreadsheet",    "Adobe PDF Document", "Display in Output",
    "Display in Message", "(do not save)"};
inline constexpr std::string_view kDoNotSave = "(do not save)";
inline constexpr std::array<std::string_view, 10> kFailureModes = {
    "Display Error and Stop", "Display Error and Continue", "Ignore/Continue",
    "Retry the Step x Times", "Stop Silently",              "Ask to Continue",
    "Jump to Label",          "Increment Variable",         "Restart Run",
    "Run Program"};

}  // namespace plumo
