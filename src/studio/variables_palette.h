// The Variables palette: the user variables a run sets, as a list of name, value and kind.
// The run thread tells it of each change; it only queues them and the main thread draws them,
// so a fast loop that stores into variables is not held up by the list.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "vars/variable_host.h"
#include "vars/variable_rows.h"
#include "vars/variable_store.h"

namespace plumo {

class VariablesPaletteWindow : public VariablesPalette {
 public:
  // Asks the user for a new value: caption, prompt, the value as it stands.
  using AskValue = std::function<std::optional<std::string>(const std::string&, const std::string&,
                                                            const std::string&)>;
  VariablesPaletteWindow(HINSTANCE instance, SettingsStore& settings);
  ~VariablesPaletteWindow() override;

  // The store edits and deletions go to (the rows are read from it now and at every Reload),
  // and how a new value is asked.
  void Attach(VariableStore* store, AskValue ask);
  bool Create(HWND parent, int id);
  HWND hwnd() const { return hwnd_; }
  HWND list() const { return list_; }
  // Every shown variable afresh (run end).
  void Reload();

  // VariablesPalette, from any thread.
  bool Exists() override { return target_.load() != nullptr; }
  void ShowVariable(std::string_view name, std::string_view value, ShownAs kind) override;
  void RemoveVariable(std::string_view name) override;
  void Clear() override;

 private:
  struct Change {
    enum class Kind { kShow, kRemove, kClear } kind;
    std::string name, value;
    ShownAs shownAs = ShownAs::kText;
  };
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Queue(Change change);
  void TakeChanges();
  void Refill();
  void EditValue(int row);
  void DeleteSelected();

  HINSTANCE instance_;
  AskValue ask_;
  VariableStore* store_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND list_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  std::atomic<HWND> target_{nullptr};  // hwnd_ for the run thread's posts; null once gone
  VariableRows rows_;
  std::mutex mu_;
  std::vector<Change> pending_;  // under mu_
  bool posted_ = false;          // under mu_
  std::string cell_;
};

}  // namespace plumo
