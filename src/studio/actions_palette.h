// The Actions palette: a search box over the tree of actions and favourites. Double-click,
// Enter or a drag onto the Step list adds the action as a new Step; its context menu inserts,
// keeps favourites and folds the groups.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "editor/actions_tree.h"
#include "editor/document.h"
#include "settings/settings_store.h"

namespace plumo {

// What the palette asks of the studio.
class ActionsPaletteHost {
 public:
  virtual ~ActionsPaletteHost() = default;
  virtual const ActionCatalog& PaletteCatalog() = 0;
  // Adds Steps (file syntax) as new; false after telling the user why.
  virtual bool InsertSteps(const std::string& steps, Document::Place place) = 0;
  // A drag let go at a screen point: adds them where it lands on the Step list; false when it
  // landed elsewhere.
  virtual bool DropSteps(const std::string& steps, POINT screen) = 0;
  // The selected Steps in the file syntax, "" when none is selected.
  virtual std::string SelectedStepsText() = 0;
  virtual std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                             const std::string& initial) = 0;
  // The same with an edit of several lines.
  virtual std::optional<std::string> AskLines(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) = 0;
  virtual void CopyText(const std::string& text) = 0;
  // The help page of a category (1 to 16); the help index for one without a page.
  virtual void OpenActionHelp(int category) = 0;
  virtual void PaletteStatus(const std::string& text) = 0;
};

// The context menu's commands; WM_COMMAND with one of them acts on the selected item.
namespace actioncmd {
constexpr int kInsert = 41001;
constexpr int kAddToTop = 41002;
constexpr int kAddToEnd = 41003;
constexpr int kAddToFavorites = 41004;
constexpr int kRenameFavorite = 41005;
constexpr int kRemoveFavorite = 41006;
constexpr int kCustomizeXml = 41007;
constexpr int kCopyName = 41008;
constexpr int kCollapseAll = 41009;
constexpr int kExpandAll = 41010;
constexpr int kExportFavorites = 41011;
constexpr int kRemoveAllFavorites = 41012;
constexpr int kHelp = 41013;
}  // namespace actioncmd

class ActionsPalette {
 public:
  static constexpr int kSearchId = 1101;
  static constexpr int kTreeId = 1102;

  ActionsPalette(HINSTANCE instance, SettingsStore& store, ActionsPaletteHost& host);
  ~ActionsPalette();
  bool Create(HWND parent, int id);
  HWND hwnd() const { return hwnd_; }
  HWND tree() const { return tree_; }
  // From the catalogue and the favourites afresh, keeping the typed filter.
  void Rebuild();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Notify(NMHDR* header);
  void Fill();
  // The selected leaf of the shown tree; null for a group or nothing.
  const ActionLeaf* SelectedLeaf() const;
  const ActionGroup* SelectedGroup() const;
  void Command(int id);
  void ShowMenu(POINT screen);
  void Insert(Document::Place place);
  void ExpandAll(bool expand);
  void AddToFavorites();
  void RenameFavorite();
  void CustomizeXml();
  void RemoveAllFavorites();
  void ExportFavorites();

  HINSTANCE instance_;
  SettingsStore& store_;
  ActionsPaletteHost& host_;
  HWND hwnd_ = nullptr;
  HWND label_ = nullptr;
  HWND search_ = nullptr;
  HWND tree_ = nullptr;
  HFONT font_ = nullptr;
  HIMAGELIST images_ = nullptr;
  ActionsTree all_;
  ActionsTree shown_;
  std::string filter_;
  bool filling_ = false;
  std::optional<std::string> dragged_;  // the Steps of the leaf being dragged
};

}  // namespace plumo
