#include "settings/option_pages.h"

#include <cinttypes>
#include <cstdio>
#include <limits>

#include "base/text.h"

namespace plumo {
namespace {

using K = OptionKind;
constexpr int32_t kMost = std::numeric_limits<int32_t>::max();
constexpr int32_t kLeast = std::numeric_limits<int32_t>::min();
constexpr int32_t kHour = 3600000;  // ms
constexpr uint32_t kWhite = 0xFFFFFF;

constexpr OptionRow kGeneral[] = {
    {"*\\ShowSplash", "Show the splash window at start", K::kFlag},
    {"*\\MinimizeStart", "Start minimized", K::kFlag},
    {"*\\window_maximized", "Start maximized", K::kFlag},
    {"*\\OnTop", "Keep the studio on top", K::kFlag},
    {"*\\PromptSave", "Ask to save changed files", K::kFlag},
    {"*\\ReloadFiles", "Reopen the files open at the last exit", K::kFlag},
    {"*\\ReloadFiles_List", "Files to reopen (separated by ;)", K::kText, 0, 2079},
    {"*\\RecentFileCount", "Recent files listed", K::kNumber, 0, 32},
    {"*\\ShowFullFilesInTabs", "Show full paths in the tabs", K::kFlag},
    {"*\\ShowSamples", "Show the sample Scripts", K::kFlag},
    {"*\\AutoUpdate", "Check the web for updates (0 to 2)", K::kNumber, 0, 2},
    {"*\\DisableScreenSaver", "Keep the screen saver off", K::kFlag},
    {"*\\Progress", "Show the progress window", K::kFlag},
    {"*\\EncodeXML", "Encode special characters in saved files", K::kFlag},
    {"*\\CustomTagEdit", "Edit custom XML tags", K::kFlag},
    {"*\\Find", "Last text searched for", K::kText, 0, 255},
    {"*\\MinimizeFindWin", "Minimize the studio while picking a window", K::kFlag},
};

constexpr OptionRow kEditing[] = {
    {"*\\InsertNewStep", "New Steps go (0 before, 1 after the selection)", K::kNumber, 0, 1},
    {"*\\SelectNewStep", "Select the Steps inserted", K::kFlag},
    {"*\\Palettes\\MainList\\AllowDragDrop", "Allow dragging Steps", K::kFlag},
    {"*\\HiliteRunningStep", "Highlight the running Step", K::kFlag},
    {"*\\Palettes\\MainList\\IndentSize", "Indent size (spaces)", K::kNumber, 0, 31},
    {"*\\Palettes\\MainList\\IndentAllColumns", "Indent every column", K::kFlag},
    {"*\\Palettes\\MainList\\IndentNewColumns", "Indent new columns", K::kFlag},
    {"*\\Palettes\\MainList\\IndentCommentMode", "Comment indenting (0 to 2)", K::kNumber, 0, 2},
    {"*\\Favorites\\Separator", "Favourites separator position", K::kNumber, 0, 64},
    {"*\\LastVariableType", "Last variable type used", K::kNumber, 0, 16},
};

constexpr OptionRow kColours[] = {
    {"*\\Colors\\CommentItalic", "Comments in italics", K::kFlag},
    {"*\\Colors\\CommentText", "Comment text", K::kColour},
    {"*\\Colors\\CommentFill", "Comment fill", K::kColour},
    {"*\\Colors\\BreakText", "Breakpoint text", K::kColour},
    {"*\\Colors\\BreakFill", "Breakpoint fill", K::kColour},
    {"*\\Colors\\WaitText", "Waiting Step text", K::kColour},
    {"*\\Colors\\WaitFill", "Waiting Step fill", K::kColour},
    {"*\\Colors\\ResultSuccessFill", "Succeeded Step fill", K::kColour},
    {"*\\Colors\\ResultFailFill", "Failed Step fill", K::kColour},
    {"*\\Colors\\SkipText", "Skipped Step text", K::kColour},
    {"*\\Colors\\SkipFill", "Skipped Step fill", K::kColour},
    {"*\\Colors\\NonEditableFill", "Read-only field fill", K::kColour},
    {"*\\Colors\\CustomText", "Custom tag text", K::kColour},
    {"*\\Colors\\Bookmark", "Bookmark fill", K::kColour},
    {"*\\Colors\\OnFailureLabels", "On-failure labels", K::kColour},
};

constexpr OptionRow kRun[] = {
    {"*\\ShowRunResult", "Show the run results after a run", K::kFlag},
    {"*\\InterStepDelay", "Delay between Steps (ms)", K::kNumber, 0, kHour},
    {"*\\AlwaysShowSysVars", "Always show the system variables", K::kFlag},
    {"*\\ResetUserVariables", "Reset the user variables at each run", K::kFlag},
    {"*\\MultipleWindowError", "Fail when several windows match", K::kFlag},
    {"*\\DefaultFailureMode", "Failure mode of new Steps", K::kText, 0, 63},
    {"*\\DefaultLoadAction", "On opening a file (0 to 2)", K::kNumber, 0, 2},
    {"*\\DefaultReturnCode", "Exit code of the studio", K::kNumber, kLeast, kMost},
    {"*\\MaskColor", "Mask colour of images", K::kColour},
    {"*\\RunTrackingShow", "Show the Run Tracking window", K::kFlag},
    {"*\\RunTrackingX", "Run Tracking left (pixels)", K::kNumber, -32768, 32767},
    {"*\\RunTrackingY", "Run Tracking top (pixels)", K::kNumber, -32768, 32767},
    {"*\\RunTrackingWidth", "Run Tracking width (pixels)", K::kNumber, 100, 4000},
    {"*\\RunTrackingAlpha", "Run Tracking opacity (percent)", K::kNumber, 10, 100},
    {"*\\RunTrackingTimeout", "Run Tracking hides after (ms)", K::kNumber, 0, kHour},
};

constexpr OptionRow kOutput[] = {
    {"*\\LogLevel", "Log level (0 off, 1 normal, 2 high)", K::kNumber, 0, 2},
    {"*\\Logfile", "Log file", K::kText, 0, 259},
    {"*\\RestartLog", "Start a new log file at each run", K::kFlag},
    {"*\\Palettes\\Output\\Font", "Output font", K::kText, 1, 31},
    {"*\\Palettes\\Output\\FontSize", "Output font size (points)", K::kNumber, 4, 72},
    {"*\\Palettes\\Output\\Font_Weight", "Output font weight (100 to 900)", K::kNumber, 100, 900},
    {"*\\Palettes\\Output\\Font_Italic", "Output font in italics", K::kFlag},
    {"*\\Palettes\\Output\\WrapLength", "Output lines wrap after (characters)", K::kNumber, 10, 32000},
    {"*\\Palettes\\Output\\RestartEachRun", "Clear the Output at each run", K::kFlag},
    {"*\\Palettes\\Output\\AlwaysGenerateOutput", "Fill the Output while it is hidden", K::kFlag},
};

constexpr OptionRow kPalettes[] = {
    {"*\\Palettes\\Properties\\RowHeight", "Properties row height (pixels)", K::kNumber, 8, 100},
    {"*\\Palettes\\Properties\\MaxFieldSize", "Properties field size (lines)", K::kNumber, 1, 100},
    {"*\\Palettes\\Properties\\HelpSize", "Properties help height (pixels)", K::kNumber, 0, 1000},
    {"*\\Palettes\\Properties\\InitialEditMode", "Properties edit mode (0 to 2)", K::kNumber, 0, 2},
    {"*\\Palettes\\Properties\\EditGridFields", "Edit fields in the grid", K::kFlag},
    {"*\\Palettes\\Properties\\ShowEnvVars", "Offer environment variables", K::kFlag},
    {"*\\Palettes\\Variables\\MaxDisplayCount", "Variables shown at most", K::kNumber, 1, 100000},
};

constexpr OptionRow kCompile[] = {
    {"*\\Compile\\Version", "Version", K::kText, 0, 127},
    {"*\\Compile\\Copyright", "Copyright", K::kText, 0, 127},
    {"*\\Compile\\Description", "Description", K::kText, 0, 127},
    {"*\\Compile\\Compress", "Compress the program", K::kFlag},
};

constexpr OptionRow kReport[] = {
    {"*\\Report\\MaxTextLen", "Text shown per Step (characters)", K::kNumber, 0, 256},
    {"*\\Report\\ResultText_0", "Result of a Step not run", K::kText, 0, 63},
    {"*\\Report\\ResultText_1", "Result of an incomplete Step", K::kText, 0, 63},
    {"*\\Report\\ResultText_2", "Result of a Step that succeeded", K::kText, 0, 63},
    {"*\\Report\\ResultText_3", "Result of a Step that failed", K::kText, 0, 63},
    {"*\\Report\\ResultText_4", "Result of a Step that failed and went on", K::kText, 0, 63},
    {"*\\Report\\OpenImmediately", "Open the report once written", K::kFlag},
    {"*\\Report\\stats_active", "Keep usage statistics", K::kFlag},
};

constexpr OptionPage kPages[] = {
    {"General", kGeneral}, {"Editing", kEditing}, {"Colours", kColours}, {"Run", kRun},
    {"Log and Output", kOutput}, {"Palettes", kPalettes}, {"Compile", kCompile}, {"Report", kReport},
};

// A decimal number, or with "0x" a hexadecimal one; nothing else around it.
bool ParseNumber(std::string_view s, int64_t* out) {
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) s.remove_prefix(1);
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2), base = 16;
  if (s.empty() || s.size() > 10) return false;
  int64_t n = 0;
  for (char c : s) {
    int digit = c >= '0' && c <= '9' ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : 99;
    if (digit >= base) return false;
    n = n * base + digit;
  }
  *out = negative ? -n : n;
  return true;
}

std::string Quoted(const char* label) { return std::string("\"") + label + "\""; }

}  // namespace

std::span<const OptionPage> OptionPages() { return kPages; }

OptionValue CheckOption(const OptionRow& row, std::string_view typed) {
  OptionValue v;
  if (row.kind == K::kText) {
    if (typed.size() < static_cast<size_t>(row.min) || typed.size() > static_cast<size_t>(row.max))
      v.error = Quoted(row.label) + (row.min > 0 ? " takes 1 to " : " takes at most ") + std::to_string(row.max) +
                " characters.";
    v.text = std::string(typed);
    return v;
  }
  const bool colour = row.kind == K::kColour;
  const int64_t least = colour ? 0 : row.kind == K::kFlag ? 0 : row.min;
  const int64_t most = colour ? kWhite : row.kind == K::kFlag ? 1 : row.max;
  int64_t n = 0;
  if (!ParseNumber(Trim(typed), &n) || n < least || n > most) {
    if (colour)
      v.error = Quoted(row.label) + " must be a colour from 0x000000 to 0xFFFFFF (blue, green, red).";
    else
      v.error = Quoted(row.label) + " must be a whole number from " + std::to_string(least) + " to " +
                std::to_string(most) + ".";
    return v;
  }
  v.number = static_cast<uint32_t>(n);
  v.text = std::string(Trim(typed));
  return v;
}

std::string ShownOption(const OptionRow& row, SettingsStore& store) {
  if (row.kind == K::kText) return store.ReadText(row.path, static_cast<size_t>(row.max) + 1);
  const int32_t n = store.ReadNumber(row.path);
  if (row.kind != K::kColour) return std::to_string(n);
  char hex[16];
  std::snprintf(hex, sizeof(hex), "0x%06" PRIX32, static_cast<uint32_t>(n) & kWhite);
  return hex;
}

void StoreOption(const OptionRow& row, const OptionValue& value, SettingsStore& store) {
  if (row.kind == K::kText)
    store.WriteText(row.path, value.text);
  else
    store.WriteNumber(row.path, value.number);
}

}  // namespace plumo
