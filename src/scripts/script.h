// A Script: the Steps of one open file with what saving needs to reproduce it, the
// operations other areas use on it, and the eight Script slots of the studio.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scripts/step.h"

namespace plumo {

// Layout flags, detected on load and used on write. All zero means CR LF and one tab.
namespace layout {
constexpr uint32_t kCrLf = 0x4000;
constexpr uint32_t kCr = 0x2000;
constexpr uint32_t kLf = 0x1000;
constexpr uint32_t kTabs = 0x100;
constexpr uint32_t kWidthMask = 0xFF;
constexpr uint32_t kMaxWidth = 32;
}  // namespace layout

struct Script {
  // 0-based here; every number shown to the user is the index plus 1.
  std::vector<Step> steps;
  BoundedText<260> path;
  // What stood before the root element of the loaded file.
  BoundedText<259> prolog;
  uint32_t layout = 0;

  bool operator==(const Script&) const = default;
};

constexpr size_t kMaxStepsPerLoad = 100000;
// A whole <step> element of a loaded file.
constexpr size_t kMaxStepElementBytes = 0x2000000;

inline constexpr const char* kErrorCaption = "Plumo Error";
inline constexpr const char* kWarningCaption = "Plumo Warning";
inline constexpr const char* kStepCountMessage = "Internal Memory Error (step count)";
inline constexpr const char* kNoMemoryMessage = "Internal Memory Error";
inline constexpr const char* kOutOfMemoryMessage = "Out of memory";

// One load or paste adds 1 to 100000 Steps.
bool StepCountAllowed(size_t steps);

// Settings a Step added from the Actions palette starts from. The defaults are the values
// the settings hold after start-up.
struct NewStepDefaults {
  bool indentNewColumns = true;   // *\Palettes\MainList\IndentNewColumns
  std::string outputTo;           // *\DefaultOutputTo
  std::string outputToOption;     // *\DefaultOutputTo_Option
  std::string failureMode = "Display Error and Stop";  // *\DefaultFailureMode
  std::string failureModeOption;  // *\DefaultFailureMode_Option
};

// Indentation after the Step before it, default result target, default failure mode.
// `before` is the Step above the new one, null for the first Step.
void ApplyNewStepDefaults(const Step* before, Step& step, const NewStepDefaults& defaults);

struct InsertOutcome {
  size_t added = 0;
  std::string error;  // empty on success; the Script is unchanged otherwise
};

// Inserts Steps at a position: 0 or less in front, at or past the end appended. `asNew`
// applies the new-Step defaults (adding from the Actions palette; not opening or pasting).
InsertOutcome InsertSteps(Script& script, long position, std::vector<Step> steps, bool asNew,
                          const NewStepDefaults& defaults = {});

// Trims the targets, puts "%" before a variable name that lacks it. Runs after every load
// and before every write.
void NormaliseTargets(Script& script);

// On every Step (Remove All Skips, Remove All Breakpoints, Remove All Bookmarks).
void ChangeStatusAll(Script& script, uint32_t bits, StatusChange change);

// The open Scripts of the studio, one per tab.
//
// A run holds on to its slot's Steps from its start to its end, so a running slot cannot be
// closed or replaced, and its Script cannot be edited: Set and Close refuse it, and Editable
// gives no Script for it. The run writes only the run fields of its Steps meanwhile.
class ScriptSlots {
 public:
  static constexpr int kCount = 8;

  // The lowest free slot, or nothing when all are taken (see TooManyScriptsMessage).
  std::optional<int> FreeSlot() const;
  // Puts the Script into the lowest free slot; nothing when all eight are taken.
  std::optional<int> Open(Script script);
  // Puts the Script into that slot, replacing what it held; false for a running slot.
  bool Set(int slot, Script script);
  // False for a running slot.
  bool Close(int slot);
  // For reading, and for the run's own writes of run fields.
  Script* At(int slot);
  const Script* At(int slot) const;
  // Step `index` of the Script in `slot`, for executors and waits, whose slot and index the
  // engine has checked.
  Step& StepAt(int slot, int index) { return At(slot)->steps[static_cast<size_t>(index)]; }
  // For edits: null for an empty or a running slot.
  Script* Editable(int slot);

  // Marked by the run engine from Start run to the end of the run's clean-up.
  void SetRunning(int slot, bool running);
  bool Running(int slot) const;

 private:
  std::array<std::optional<Script>, kCount> slots_;
  std::array<std::atomic<bool>, kCount> running_{};
};

// Shown with kWarningCaption when a running slot was to be closed or replaced.
inline constexpr const char* kSlotRunningMessage =
    "This Script is running.\n\nPlease stop the run before closing or replacing it.";

// "A maximum of 8 files may be opened in Plumo. ...", shown with kWarningCaption.
std::string TooManyScriptsMessage();

}  // namespace plumo
