// The Action Catalog: the fixed list of actions a Step can name, one "~"-separated row per
// action, shipped inside the programs (resource 9001 on Windows, an embedded array on Linux).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "platform/resources.h"
#include "scripts/step.h"

namespace plumo {

constexpr uint32_t kActionCatalogResource = 9001;
// Bytes read from the resource; the palette walks at most this many lines.
constexpr size_t kCatalogMaxResourceBytes = 65536;
constexpr int kCatalogMaxLines = 300;

struct ActionCategory {
  int number;
  std::string_view name;
  std::string_view helpTopic;  // page of the help file; empty for Favorites
};

// The categories by number; their numbers select the Run Engine's executor.
namespace category {
constexpr int kFavorites = 1;
constexpr int kRun = 2;
constexpr int kWindows = 3;
constexpr int kKeyboard = 4;
constexpr int kMenu = 5;
constexpr int kMouse = 6;
constexpr int kWait = 7;
constexpr int kUserPrompts = 8;
constexpr int kFiles = 9;
constexpr int kExcel = 10;
constexpr int kInternet = 11;
constexpr int kData = 12;
constexpr int kLoopsFlow = 13;
constexpr int kIf = 14;
constexpr int kHardware = 15;
constexpr int kSystem = 16;
constexpr int kFirst = kFavorites;
constexpr int kLast = kSystem;
}  // namespace category

constexpr bool ValidCategory(int number) { return number >= category::kFirst && number <= category::kLast; }

inline constexpr std::array<ActionCategory, 16> kActionCategories = {{
    {category::kFavorites, "Favorites", ""},
    {category::kRun, "Run", "::/action_run.htm"},
    {category::kWindows, "Windows", "::/action_windows.htm"},
    {category::kKeyboard, "Keyboard", "::/action_keyboard.htm"},
    {category::kMenu, "Menu", "::/action_menu.htm"},
    {category::kMouse, "Mouse", "::/action_mouse.htm"},
    {category::kWait, "Wait", "::/action_wait.htm"},
    {category::kUserPrompts, "User Prompts", "::/action_msg.htm"},
    {category::kFiles, "Files & Folders", "::/action_files.htm"},
    {category::kExcel, "Excel", "::/action_excel.htm"},
    {category::kInternet, "Internet", "::/action_internet.htm"},
    {category::kData, "Data", "::/action_data.htm"},
    {category::kLoopsFlow, "Loops & Flow", "::/action_flow.htm"},
    {category::kIf, "IF", "::/action_if.htm"},
    {category::kHardware, "Hardware", "::/action_hardware.htm"},
    {category::kSystem, "System", "::/action_system.htm"},
}};

// Null outside 1 to 16.
const ActionCategory* FindActionCategory(int number);

// What a lookup gives. Category, icon, primary field and default text are reset by every
// lookup; the two flags are written only when the row is found.
struct ActionInfo {
  int32_t category = 0;
  int32_t image = 0;
  int32_t primaryField = 0;
  uint8_t hasOutput = 0;
  uint8_t canFail = 0;
  std::string defaultText;  // the elements of a new Step, "<step><action>...</step>"
};

// One line of the catalogue as the Actions palette walks them.
struct CatalogRow {
  int line;  // line 0 is the empty first line
  std::string name;
  int32_t category;
  int32_t image;
  int32_t primaryField;
  bool hasOutput;
  bool canFail;
};

class ActionCatalog {
 public:
  // An unavailable catalogue: every lookup fails.
  ActionCatalog() = default;

  // From a resource's bytes (at most kCatalogMaxResourceBytes are read): plain text when the
  // first byte is a tab, LF, CR, space or "A" to "Z", packed otherwise.
  static ActionCatalog FromResource(std::string_view bytes);

  bool available() const { return !text_.empty(); }
  const std::string& text() const { return text_; }

  // True when the catalogue is available, whether or not the name was found; false when it
  // is not or the name is empty. Names are matched on their first 61 characters, without
  // regard to case. The default text, which takes some work, only when asked for.
  bool Lookup(std::string_view name, ActionInfo* out, bool withDefaultText = true) const;

  // The rows with a name, in file order, from the first kCatalogMaxLines lines.
  std::vector<CatalogRow> Rows() const;

 private:
  explicit ActionCatalog(std::string text);
  size_t FindRow(std::string_view key) const;

  std::string text_;
  // Offset of the first line whose name is the key, for names without "~" or line ends.
  std::map<std::string, size_t, LessNoCase> index_;
};

// Fills `category`, `image`, `primaryField`, `hasOutput` and `canFail` of the Step from the
// row of its action.
void LookUpAction(const ActionCatalog& catalog, Step& step);

// The catalogues of the program and of DLL Scripts, each loaded once on first use.
class ActionCatalogs {
 public:
  explicit ActionCatalogs(Resources& resources) : resources_(resources) {}

  // The catalogue for Steps of a Script loaded from scriptPath: the resource of that file
  // when its name contains ".dll", the program's own otherwise. Unavailable when it cannot
  // be read or unpacked.
  const ActionCatalog& For(std::string_view scriptPath);

 private:
  ActionCatalog Load(const std::string& modulePath);

  Resources& resources_;
  std::mutex mu_;
  std::map<std::string, ActionCatalog, LessNoCase> loaded_;  // "" is the program itself
};

}  // namespace plumo
