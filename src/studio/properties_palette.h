// The Properties palette: a two-column grid of the selected Step's rows (label, value) with an
// editor per row and the selected row's help line under it. It knows nothing of Steps: the main
// window gives it rows and is told of each edit.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace plumo {

enum class GridEditor {
  kText,
  kLines,  // several lines, edited in a box of their own
  kKeys,   // several lines, with the key-insertion menu
  kNumber,
  kCheck,
  kChoice,      // one of the choices only
  kChoiceText,  // a choice or any text
  kFile,
  kFolder,
  kWindow,  // a window's title, picked by dragging over it
  kPixel,   // a colour, picked from the screen or the colour box
  kRecording,  // a click starts or stops a recording of keyboard and mouse
  kNone,    // shown, not edited here
};

struct GridRow {
  std::string label;
  GridEditor editor = GridEditor::kText;
  std::string value;  // for kCheck: "1" or "0"
  std::vector<std::string> choices;
  std::string help;
};

class PropertiesPalette {
 public:
  // Ids of the inner controls (the studio test finds them by id).
  static constexpr int kGridId = 120;
  static constexpr int kHelpId = 121;
  static constexpr int kEditorId = 122;

  using EditHandler = std::function<void(size_t row, const std::string& value)>;
  // Several lines edited in a box; nullopt when cancelled.
  using BoxHandler = std::function<std::optional<std::string>(const std::string& label, const std::string& value)>;
  // A click on a row that the studio edits itself: a picker's or a recording's.
  using RowHandler = std::function<void(size_t row)>;

  explicit PropertiesPalette(SettingsStore& store) : store_(store) {}
  ~PropertiesPalette();
  bool Create(HINSTANCE instance, HWND parent, int id, HFONT font, int dpi, EditHandler onEdit);
  HWND hwnd() const { return hwnd_; }
  void SetPickers(BoxHandler box, RowHandler pickWindow, RowHandler pickPixel, RowHandler record) {
    onBox_ = std::move(box);
    onPickWindow_ = std::move(pickWindow);
    onPickPixel_ = std::move(pickPixel);
    onRecord_ = std::move(record);
  }
  // What recording rows say: how to start a recording, or how to stop the one going on.
  void SetRecording(bool recording);
  HWND grid() const { return grid_; }

  // Shows these rows; the selected row stays selected when the rows keep their labels.
  void Show(std::vector<GridRow> rows, const std::string& title);
  // Ends an open in-place editor, keeping (or dropping) what was typed. True when one was open.
  bool EndEdit(bool keep);
  // Opens the row's editor, as a click on its value does.
  void BeginEdit(size_t row);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Notify(NMHDR* header);
  void Layout();
  void ShowHelp();
  int SelectedRow() const;
  RECT ValueCell(size_t row) const;
  void Commit(size_t row, const std::string& value);
  // The editors that need more room than a cell: a dialog, a file box, a picker.
  void EditInBox(size_t row);
  int Scale(int v) const { return MulDiv(v, dpi_, 96); }

  SettingsStore& store_;
  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND grid_ = nullptr;
  HWND help_ = nullptr;
  // What the title and the help line show, so that a selection changing neither costs no
  // repaint (a static control redraws at once when its text is set).
  std::string title_, helpText_;
  std::string cell_;  // the text last handed to the grid, alive until it has drawn it
  HWND editor_ = nullptr;
  HWND more_ = nullptr;  // the "..." button beside a cell editor
  HFONT font_ = nullptr;
  HFONT bold_ = nullptr;
  HIMAGELIST rowHeight_ = nullptr;
  int dpi_ = 96;
  EditHandler onEdit_;
  BoxHandler onBox_;
  RowHandler onPickWindow_;
  RowHandler onPickPixel_;
  RowHandler onRecord_;
  bool recording_ = false;
  std::vector<GridRow> rows_;
  size_t editing_ = 0;
  bool ending_ = false;
};

}  // namespace plumo
