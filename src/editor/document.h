// The editing model of one open file (one tab): the list selection, the change counter and
// the one-level undo record, with every editing command of the Step list. The Steps live in
// the Session's ScriptSlots; a Document only names its slot.
//
// What the window calls (all by row index, as an owner-data list view asks):
//   rows        Rows(), Selected(row), Focus(), the Steps through slots.At(slot())
//   clicks      Select(row), Extend(row) (shift), Toggle(row) (ctrl), SelectAll()
//   Edit menu   Undo/Redo, Cut, Copy, Paste, PasteToEnd, Delete, SelectAll, FindNext,
//               FindPrevious, Replace, ReplaceAll, ToggleMark(kBookmark), NextBookmark,
//               PreviousBookmark, RemoveAll(kBookmark), GoToStep
//   Step menu   MoveUp/MoveDown, Indent(+1/-1), AutoIndent, ToggleMark(kSkip/kBreakpoint),
//               RemoveAll(kSkip/kBreakpoint), AddComment, InsertNew (Actions palette),
//               EditStep (Properties palette)
//   status bar  EditingStatus(Changes()) of editor_texts.h, or a command's own text
//   saving      MarkSaved() after the file was written
//   reload      a slot that gets a new Script gets a new Document (its record and selection
//               belong to the old one)
// A command refuses (returns false, an empty result or an error, and changes nothing) when
// the slot is running or empty, or when it needs a selection and there is none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/find.h"
#include "scripts/script.h"
#include "scripts/script_reader.h"

namespace plumo {

class SettingsStore;

// The settings the editing commands follow, as they stand when the command runs.
struct EditSettings {
  bool insertBehind = false;   // *\InsertNewStep: 1 puts new Steps behind the selected one
  bool selectNew = true;       // *\SelectNewStep
  bool encodeXml = true;       // *\EncodeXML
  NewStepDefaults newStep;
};
EditSettings ReadEditSettings(SettingsStore& store);

// Removed rows so far and in all, reported every kDeleteProgressEvery rows when more than
// kDeleteProgressAbove go.
using DeleteProgress = std::function<void(size_t done, size_t total)>;
constexpr size_t kDeleteProgressAbove = 100;
constexpr size_t kDeleteProgressEvery = 100;

struct Copied {
  std::string text;    // Step elements in the file format, for the clipboard
  std::string status;  // " Copied %li XML record%s to the clipboard"
};

struct PasteOutcome {
  size_t added = 0;
  std::string error;  // for the user, caption kErrorCaption; nothing changed then
};

// An edit kept for Undo, in the smallest exchangeable form. Applying it leaves its inverse.
struct UndoRecord {
  enum class Kind { kNone, kRemoved, kInserted, kReplaced, kMarks, kMovedUp, kMovedDown, kMovedTo };
  struct Mark {
    uint32_t status;
    int32_t indents;
  };
  Kind kind = Kind::kNone;
  // Ascending. kRemoved: where the Steps stood; kInserted: where they stand; kReplaced and
  // kMarks: the rows touched; kMoved*: where the moved rows stand now.
  std::vector<size_t> rows;
  std::vector<size_t> from;  // kMovedTo: where the moved rows stood, ascending
  std::vector<Step> steps;   // kRemoved: the Steps taken out; kReplaced: the other versions
  std::vector<Mark> marks;   // kMarks: the other marks
  std::vector<uint8_t> selection;
  std::optional<size_t> focus;
};

class Document {
 public:
  Document(ScriptSlots& slots, int slot) : slots_(&slots), slot_(slot) {}

  int slot() const { return slot_; }
  size_t Rows() const;

  // Selection.
  bool Selected(size_t row) const;
  size_t SelectedCount() const;
  std::vector<size_t> SelectedRows() const;
  std::optional<size_t> Focus() const { return focus_; }
  void Select(size_t row);  // this row only
  void Extend(size_t row);  // from the last clicked row to this one
  void Toggle(size_t row);
  bool SelectAll();
  void ClearSelection();
  // The selection a list control holds (rows beyond the Script are left out).
  void SetSelection(const std::vector<size_t>& rows, std::optional<size_t> focus);

  // Changes since the last save; each edit and each Undo or Redo counts one.
  unsigned long Changes() const { return changes_; }
  void MarkSaved() { changes_ = 0; }
  bool CanUndo() const { return undo_.kind != UndoRecord::Kind::kNone; }

  // Undo and Redo exchange the Script with the record, so a second one brings the edit back.
  bool Undo();
  bool Redo() { return Undo(); }

  std::optional<Copied> Copy(const EditSettings& settings);
  std::optional<Copied> Cut(const EditSettings& settings, const DeleteProgress& progress = {});
  PasteOutcome Paste(std::string_view text, const LoadContext& context, const EditSettings& settings);
  PasteOutcome PasteToEnd(std::string_view text, const LoadContext& context, const EditSettings& settings);
  // Afterwards the row standing where the first removed one stood (or the last row) is selected.
  bool Delete(const DeleteProgress& progress = {});
  // Steps added from the Actions palette, with the new-Step defaults, where Paste would put them
  // (kSelection) or at either end.
  enum class Place { kSelection, kTop, kEnd };
  bool InsertNew(std::vector<Step> steps, const EditSettings& settings, Place place = Place::kSelection);
  // The Steps of a text in the file syntax (an action's default elements, a favourite), as new.
  PasteOutcome InsertNewText(std::string_view text, const LoadContext& context, const EditSettings& settings,
                             Place place);
  // A "Comment" Step, as the catalogue describes it, where Paste would put it.
  bool AddComment(const ActionCatalog& catalog, const EditSettings& settings);
  // Changes one Step through fn; false when fn changed nothing.
  bool EditStep(size_t row, const std::function<void(Step&)>& fn);

  // Selected blocks keep their order; refused when one stands at the edge.
  bool MoveUp();
  bool MoveDown();
  // The selected Steps, in their order, to stand in front of row `target` (Rows() for the end):
  // a drag in the list.
  bool MoveTo(size_t target);
  // By `by` levels, never below 0.
  bool Indent(int by);
  // Indents every Step by its IF/ELSE/END IF and loop blocks. The text names the first
  // unbalanced Step ("" when all balance); the indents change either way.
  std::string AutoIndent(bool* changed = nullptr);

  // Sets the mark on every selected Step, or clears it when all of them have it.
  bool ToggleMark(uint32_t bit);
  bool RemoveAll(uint32_t bit);
  // From the focus row, wrapping; the bookmarked row becomes the selection.
  std::optional<size_t> NextBookmark();
  std::optional<size_t> PreviousBookmark();
  // n counts from 1; the message for a number out of range, "" when the row was selected.
  std::string GoToStep(long n);

  // From the row after (before, going up) the focus row; the found row becomes the selection.
  std::optional<size_t> FindNext(const FindOptions& options);
  std::optional<size_t> FindPrevious(FindOptions options);
  // Replaces in the focus row when it matches, then finds the next match.
  std::optional<size_t> Replace(const FindOptions& options, std::string_view with);
  // Every match of every Step, one Undo; the number of texts replaced.
  size_t ReplaceAll(const FindOptions& options, std::string_view with);

 private:
  Script* Editable();
  // Keeps the selection as long as the Script when the Script changed under the Document.
  void Sync() const;
  // Starts a new undo record of the kind, keeping the selection as it is now.
  UndoRecord& BeginEdit(UndoRecord::Kind kind);
  void EndEdit() { ++changes_; }
  PasteOutcome PasteAt(size_t at, std::string_view text, const LoadContext& context, const EditSettings& settings);
  void PlaceInserted(Script& script, size_t at, std::vector<Step> steps, bool selectNew);
  size_t InsertPoint(const EditSettings& settings) const;
  bool ChangeMarks(const std::vector<size_t>& rows, const std::function<UndoRecord::Mark(const Step&)>& fn);
  bool Move(bool up);
  std::optional<size_t> FindFrom(const FindOptions& options, bool skipFocus) const;
  std::optional<size_t> NextMarked(uint32_t bit, bool up);
  void SelectOnly(size_t row);

  ScriptSlots* slots_;
  int slot_;
  mutable std::vector<uint8_t> selection_;  // one flag per row
  std::optional<size_t> focus_;
  size_t anchor_ = 0;
  unsigned long changes_ = 0;
  UndoRecord undo_;
};

}  // namespace plumo
