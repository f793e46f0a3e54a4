// What loading does to a Step beyond reading its fields: action names of older versions
// brought up to date, the catalogue's gaps filled for the text functions, older option words
// and parameters converted, and the options tidied.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "scripts/step.h"

namespace plumo {

enum class NameMatch { kContains, kStartsWith, kWhole };

enum class RenameEffect {
  kNone,
  kAddOptions,    // the argument appended to `options` after a comma
  kSetOptions,    // `options` becomes the argument
  kSetValue1,     // `value1` becomes the argument
  kFileOrFolder,  // "Wait for Folder" when the Step's text names a folder, else "Wait for File"
  kFormatCell,    // the value shift of a former "Format Cell"
  kWindowCapture  // a former "Window Image Capture"
};

struct OldActionName {
  std::string_view oldName;
  NameMatch match;
  std::string_view newName;
  RenameEffect effect = RenameEffect::kNone;
  std::string_view argument = {};
};

// Applied in this order, each row to the result of the rows before it. Matching ignores case.
inline constexpr OldActionName kOldActionNames[] = {
    {"Press Button/Control", NameMatch::kContains, "Child Control Action", RenameEffect::kAddOptions, "Press"},
    {"Custom Message Box", NameMatch::kContains, "Custom Message"},
    {"Math Calculation", NameMatch::kContains, "Math Functions"},
    {"Send Email: \"mailto\"", NameMatch::kContains, "Send Email: mailto"},
    {"Exit Brenhold", NameMatch::kContains, "Exit Plumo Studio"},
    {"Wait for Window to Appear", NameMatch::kContains, "Wait for Window", RenameEffect::kSetValue1, "Open"},
    {"Wait for Window to Disappear", NameMatch::kContains, "Wait for Window", RenameEffect::kSetValue1, "Close"},
    {"Wait for Mouse Click", NameMatch::kContains, "Wait for Mouse", RenameEffect::kSetOptions, "Click"},
    {"Wait for Mouse Movement", NameMatch::kContains, "Wait for Mouse", RenameEffect::kSetOptions, "Move"},
    {"Wait for Image to Appear", NameMatch::kContains, "Wait for Image"},
    {"Activate Window", NameMatch::kContains, "Use Window"},
    {"Wait for File/Folder", NameMatch::kContains, "Wait for File", RenameEffect::kFileOrFolder},
    {"IF String", NameMatch::kContains, "IF Text"},
    {"Clock Ticks to String", NameMatch::kContains, "Clock Ticks to Text"},
    {"Left String", NameMatch::kContains, "Left Text String"},
    {"Right String", NameMatch::kContains, "Right Text String"},
    {"Mid String", NameMatch::kContains, "Mid Text String"},
    {"IF Process", NameMatch::kStartsWith, "IF Process is Running"},
    {"Save Web Page Text", NameMatch::kStartsWith, "Get Web Page Text"},
    {"Control Panel: System", NameMatch::kWhole, "Control Panel"},
    {"Create/Set Variable", NameMatch::kWhole, "Set Variable"},
    {"Uppercase", NameMatch::kWhole, "Change Case", RenameEffect::kAddOptions, "Upper"},
    {"Lowercase", NameMatch::kWhole, "Change Case", RenameEffect::kAddOptions, "Lower"},
    {"Buffered Virtual Keys", NameMatch::kWhole, "Type", RenameEffect::kAddOptions, "Event Messages"},
    {"Left Button Click", NameMatch::kWhole, "Mouse Click", RenameEffect::kAddOptions, "Left,Down+Up"},
    {"Right Button Click", NameMatch::kWhole, "Mouse Click", RenameEffect::kAddOptions, "Right,Down+Up"},
    {"Left Button Double-Click", NameMatch::kWhole, "Mouse Click", RenameEffect::kAddOptions, "Left,Double-Click"},
    {"Left Button Down + Hold", NameMatch::kWhole, "Mouse Click", RenameEffect::kAddOptions, "Left,Down"},
    {"Left Button Up", NameMatch::kWhole, "Mouse Click", RenameEffect::kAddOptions, "Left,Up"},
    {"Mouse Wheel Up", NameMatch::kWhole, "Mouse Click", RenameEffect::kAddOptions, "Wheel Scroll,Up"},
    {"Mouse Wheel Down", NameMatch::kWhole, "Mouse Click", RenameEffect::kAddOptions, "Wheel Scroll,Down"},
    {"Move Relative", NameMatch::kWhole, "Move"},
    {"IF Pixel Color", NameMatch::kWhole, "IF Pixel Equals"},
    {"Divide File", NameMatch::kWhole, "Split File"},
    {"Win32 API", NameMatch::kWhole, "WinAPI"},
    {"WinAPI", NameMatch::kWhole, "Windows API"},
    {"Post WM_COMMAND", NameMatch::kWhole, "Send Command"},
    {"Choose from a List", NameMatch::kWhole, "Select from List"},
    {"Choose a File", NameMatch::kWhole, "Select File"},
    {"Choose a Folder", NameMatch::kWhole, "Select Folder"},
    {"Choose a Drive", NameMatch::kWhole, "Select Drive"},
    {"Choose Date", NameMatch::kWhole, "Select Date"},
    {"Get Sub Text", NameMatch::kWhole, "Extract Sub Data"},
    {"Sort", NameMatch::kWhole, "Sort Data"},
    {"Binary Function", NameMatch::kWhole, "Binary Data"},
    {"Video Display Mode", NameMatch::kWhole, "Change Display Settings"},
    {"Format Cell", NameMatch::kWhole, "Set Cell Format", RenameEffect::kFormatCell},
    {"Extract Sub Data", NameMatch::kWhole, "Get Sub String"},
    {"Count Sub String", NameMatch::kWhole, "Count Items"},
    {"Sort Text", NameMatch::kWhole, "Sort"},
    {"Mid Text String", NameMatch::kWhole, "Mid String"},
    {"Sort Data", NameMatch::kWhole, "Sort"},
    {"Replace Text", NameMatch::kWhole, "Replace"},
    {"Replace String", NameMatch::kWhole, "Replace"},
    {"Insert Text", NameMatch::kWhole, "Insert"},
    {"Insert String", NameMatch::kWhole, "Insert"},
    {"Find String", NameMatch::kWhole, "Find"},
    {"Count String", NameMatch::kWhole, "Count Items"},
    {"Window Image Capture", NameMatch::kWhole, "Image Capture", RenameEffect::kWindowCapture},
    {"Screen Image Capture", NameMatch::kWhole, "Image Capture"},
    {"IF Connected to Internet", NameMatch::kWhole, "IF Internet", RenameEffect::kAddOptions, "Connected"},
};

// What a rename leaves for the option conversions.
struct RenameOutcome {
  bool formatCell = false;
  bool windowCapture = false;
};

// True when the text, with its variables expanded, names an existing folder.
using NamesFolder = std::function<bool(const std::string& text)>;

// Runs the rows over the Step's action. The Step's `text` must be read already; without
// namesFolder, "Wait for File/Folder" becomes "Wait for File".
RenameOutcome ConvertOldActionName(Step& step, const NamesFolder& namesFolder);

// Catalogue values for actions the catalogue does not list; kKeep leaves a value as looked up.
constexpr int32_t kKeep = INT32_MIN;
struct CategoryOverride {
  std::string_view name;
  NameMatch match;
  int32_t category;
  int32_t image;
  int32_t primaryField;
};
inline constexpr CategoryOverride kCategoryOverrides[] = {
    {"Change Case", NameMatch::kWhole, 12, 181, 1},
    {"Trim", NameMatch::kWhole, 12, 181, 1},
    {"Contains", NameMatch::kWhole, 12, 181, 1},
    {"Pad Text", NameMatch::kWhole, 12, 181, 1},
    {"Find Text", NameMatch::kWhole, 12, 181, 1},
    {"Left Text String", NameMatch::kWhole, 12, 181, 1},
    {"Right Text String", NameMatch::kWhole, 12, 181, 1},
    {"Format Number", NameMatch::kWhole, 12, 182, 1},
    {"Random Number", NameMatch::kWhole, 12, 182, 1},
    {"Number to Words", NameMatch::kWhole, 12, 182, 1},
    {"Date Add", NameMatch::kWhole, 12, 178, kKeep},
    {"Date Difference", NameMatch::kWhole, 12, 178, kKeep},
    {"Time Add", NameMatch::kWhole, 12, 178, kKeep},
    {"Time Difference", NameMatch::kWhole, 12, 178, kKeep},
    {"Clock Ticks to Text", NameMatch::kWhole, 12, 178, kKeep},
    {"Get Weekday", NameMatch::kWhole, 12, 178, kKeep},
    {"BASIC ", NameMatch::kContains, 16, kKeep, kKeep},
    {"Get Computer Information", NameMatch::kWhole, 15, kKeep, kKeep},
};

// Actions whose names contain one of these yield a result.
inline constexpr std::string_view kResultActionParts[] = {
    "Trim",          "Pad",         "Change Case",     "Find Text",   "Left Text",
    "Right Text",    "Date Add",    "Date Difference", "Time Add",    "Time Difference",
    "Clock Ticks",   "Get Weekday", "Format Number",   "Random Number", "Number to Words"};

// The overrides and the result rule, after the catalogue lookup.
void ApplyCategoryOverrides(Step& step);

// The option and parameter conversions, in their order, then the options tidied.
void ConvertOptions(Step& step, const RenameOutcome& renamed);

// One leading and one trailing comma go; ",," and double spaces shrink until none are left.
std::string TidyLoadedOptions(std::string_view options);

bool NameMatches(std::string_view name, std::string_view pattern, NameMatch match);

}  // namespace plumo
