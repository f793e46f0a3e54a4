#include "editor/document.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "scripts/new_step_settings.h"
#include "scripts/script_writer.h"
#include "settings/settings_store.h"

namespace plumo {

// Growing the Step array must move Steps, not copy their texts.
static_assert(std::is_nothrow_move_constructible_v<Step>);

namespace {

using Kind = UndoRecord::Kind;

// Takes the elements at the ascending rows out of v in one pass, keeping the rest in order.
template <class T>
std::vector<T> TakeRows(std::vector<T>& v, const std::vector<size_t>& rows, const DeleteProgress& progress = {}) {
  std::vector<T> taken;
  if (rows.empty()) return taken;
  taken.reserve(rows.size());
  const bool report = progress && rows.size() > kDeleteProgressAbove;
  size_t kept = rows.front();
  size_t next = 0;
  for (size_t i = rows.front(); i < v.size(); ++i) {
    if (next < rows.size() && rows[next] == i) {
      taken.push_back(std::move(v[i]));
      ++next;
      if (report && next % kDeleteProgressEvery == 0) progress(next, rows.size());
    } else {
      v[kept++] = std::move(v[i]);
    }
  }
  v.erase(v.begin() + static_cast<std::ptrdiff_t>(kept), v.end());
  return taken;
}

// Puts items at the ascending final rows of v in one pass from the back.
template <class T>
void PutRows(std::vector<T>& v, const std::vector<size_t>& rows, std::vector<T>& items) {
  size_t from = v.size();
  v.resize(v.size() + rows.size());
  size_t left = rows.size();
  for (size_t to = v.size(); left > 0;) {
    --to;
    v[to] = rows[left - 1] == to ? std::move(items[--left]) : std::move(v[--from]);
  }
  items.clear();
}

// Moves each block of the ascending rows one place; the row passed over goes to its other end.
template <class T>
void ShiftRows(std::vector<T>& v, const std::vector<size_t>& rows, bool up) {
  if (up) {
    for (size_t r : rows) std::swap(v[r - 1], v[r]);
  } else {
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) std::swap(v[*r], v[*r + 1]);
  }
}

std::vector<size_t> Range(size_t first, size_t count) {
  std::vector<size_t> rows(count);
  for (size_t i = 0; i < count; ++i) rows[i] = first + i;
  return rows;
}

// Blocks of IF/ELSE/END IF and of loops: what a Step does to them.
enum class BlockRole { kNone, kOpenIf, kElse, kEndIf, kOpenLoop, kEndLoop };

BlockRole RoleOf(const Step& s) {
  if (s.Skipped()) return BlockRole::kNone;
  if (EqualsNoCase(s.action, "END IF")) return BlockRole::kEndIf;
  if (EqualsNoCase(s.action, "NEXT LOOP")) return BlockRole::kEndLoop;
  if (EqualsNoCase(s.action, "ELSE")) return BlockRole::kElse;
  if (IsBlockIf(s)) return ContainsNoCase(s.options, "ELSE") ? BlockRole::kElse : BlockRole::kOpenIf;
  if (OpensLoopIndent(s)) return BlockRole::kOpenLoop;
  return BlockRole::kNone;
}

// A Script replaced under the Document (a reload) leaves a record that no longer fits it.
bool Fits(const UndoRecord& record, size_t rows) {
  if (record.rows.empty()) return true;
  switch (record.kind) {
    case Kind::kRemoved:
      return record.rows.back() < rows + record.rows.size();
    case Kind::kMovedUp:
      return record.rows.back() + 1 < rows;
    case Kind::kMovedDown:
      return record.rows.front() > 0 && record.rows.back() < rows;
    case Kind::kMovedTo:
      return std::max(record.rows.back(), record.from.back()) < rows;
    default:
      return record.rows.back() < rows;
  }
}

std::string Unbalanced(size_t row, std::string_view what) {
  return "Step " + std::to_string(row + 1) + ": " + std::string(what);
}

}  // namespace

EditSettings ReadEditSettings(SettingsStore& store) {
  EditSettings s;
  s.insertBehind = store.ReadNumber("*\\InsertNewStep") != 0;
  s.selectNew = store.Probe("*\\SelectNewStep") == 0 || store.ReadNumber("*\\SelectNewStep") != 0;
  s.encodeXml = store.Probe("*\\EncodeXML") == 0 || store.ReadNumber("*\\EncodeXML") != 0;
  s.newStep = ReadNewStepDefaults(store);
  return s;
}

size_t Document::Rows() const {
  const Script* s = slots_->At(slot_);
  return s ? s->steps.size() : 0;
}

void Document::Sync() const {
  const size_t rows = Rows();
  if (selection_.size() != rows) selection_.resize(rows, 0);
}

Script* Document::Editable() {
  Sync();
  return slots_->Editable(slot_);
}

bool Document::Selected(size_t row) const {
  Sync();
  return row < selection_.size() && selection_[row] != 0;
}

size_t Document::SelectedCount() const {
  Sync();
  return static_cast<size_t>(std::count(selection_.begin(), selection_.end(), uint8_t{1}));
}

std::vector<size_t> Document::SelectedRows() const {
  Sync();
  std::vector<size_t> rows;
  for (size_t i = 0; i < selection_.size(); ++i)
    if (selection_[i]) rows.push_back(i);
  return rows;
}

void Document::SelectOnly(size_t row) {
  std::fill(selection_.begin(), selection_.end(), uint8_t{0});
  selection_[row] = 1;
  focus_ = anchor_ = row;
}

void Document::Select(size_t row) {
  Sync();
  if (row < selection_.size()) SelectOnly(row);
}

void Document::Extend(size_t row) {
  Sync();
  if (row >= selection_.size()) return;
  const size_t anchor = std::min(anchor_, selection_.size() - 1);
  std::fill(selection_.begin(), selection_.end(), uint8_t{0});
  std::fill(selection_.begin() + static_cast<std::ptrdiff_t>(std::min(anchor, row)),
            selection_.begin() + static_cast<std::ptrdiff_t>(std::max(anchor, row)) + 1, uint8_t{1});
  focus_ = row;
}

void Document::Toggle(size_t row) {
  Sync();
  if (row >= selection_.size()) return;
  selection_[row] ^= 1;
  focus_ = anchor_ = row;
}

bool Document::SelectAll() {
  Sync();
  std::fill(selection_.begin(), selection_.end(), uint8_t{1});
  return !selection_.empty();
}

void Document::ClearSelection() {
  Sync();
  std::fill(selection_.begin(), selection_.end(), uint8_t{0});
}

void Document::SetSelection(const std::vector<size_t>& rows, std::optional<size_t> focus) {
  ClearSelection();
  for (size_t row : rows)
    if (row < selection_.size()) selection_[row] = 1;
  focus_ = focus && *focus < selection_.size() ? focus : std::nullopt;
  if (focus_) anchor_ = *focus_;
}

UndoRecord& Document::BeginEdit(Kind kind) {
  undo_ = UndoRecord{};
  undo_.kind = kind;
  undo_.selection = selection_;
  undo_.focus = focus_;
  return undo_;
}

bool Document::Undo() {
  Script* script = Editable();
  if (!script || !CanUndo()) return false;
  auto& steps = script->steps;
  if (!Fits(undo_, steps.size())) {
    undo_ = UndoRecord{};
    return false;
  }
  switch (undo_.kind) {
    case Kind::kRemoved:
      PutRows(steps, undo_.rows, undo_.steps);
      undo_.kind = Kind::kInserted;
      break;
    case Kind::kInserted:
      undo_.steps = TakeRows(steps, undo_.rows);
      undo_.kind = Kind::kRemoved;
      break;
    case Kind::kReplaced:
      for (size_t i = 0; i < undo_.rows.size(); ++i) std::swap(steps[undo_.rows[i]], undo_.steps[i]);
      break;
    case Kind::kMarks:
      for (size_t i = 0; i < undo_.rows.size(); ++i) {
        Step& s = steps[undo_.rows[i]];
        std::swap(s.status, undo_.marks[i].status);
        std::swap(s.indents, undo_.marks[i].indents);
      }
      break;
    case Kind::kMovedUp:
    case Kind::kMovedDown: {
      const bool wasUp = undo_.kind == Kind::kMovedUp;
      ShiftRows(steps, undo_.rows, !wasUp);
      for (size_t& r : undo_.rows) r = wasUp ? r + 1 : r - 1;
      undo_.kind = wasUp ? Kind::kMovedDown : Kind::kMovedUp;
      break;
    }
    case Kind::kMovedTo: {
      std::vector<Step> moved = TakeRows(steps, undo_.rows);
      PutRows(steps, undo_.from, moved);
      std::swap(undo_.rows, undo_.from);
      break;
    }
    case Kind::kNone:
      return false;
  }
  std::swap(selection_, undo_.selection);
  std::swap(focus_, undo_.focus);
  Sync();
  EndEdit();
  return true;
}

std::optional<Copied> Document::Copy(const EditSettings& settings) {
  const Script* script = slots_->At(slot_);
  const std::vector<size_t> rows = SelectedRows();
  if (!script || rows.empty()) return std::nullopt;
  // A Script of copies, so that writing normalises nothing of the edited one.
  Script part;
  part.layout = script->layout;
  part.steps.reserve(rows.size());
  for (size_t r : rows) part.steps.push_back(script->steps[r]);
  WriteOutcome out = WriteSteps(part, {.withComments = true, .encodeXml = settings.encodeXml});
  if (!out.error.empty()) return std::nullopt;
  const size_t n = rows.size();
  return Copied{std::move(out.text), " Copied " + std::to_string(n) + " XML record" + (n == 1 ? "" : "s") +
                                         " to the clipboard"};
}

std::optional<Copied> Document::Cut(const EditSettings& settings, const DeleteProgress& progress) {
  if (!Editable()) return std::nullopt;
  std::optional<Copied> copied = Copy(settings);
  if (copied) Delete(progress);
  return copied;
}

bool Document::Delete(const DeleteProgress& progress) {
  Script* script = Editable();
  std::vector<size_t> rows = SelectedRows();
  if (!script || rows.empty()) return false;
  UndoRecord& record = BeginEdit(Kind::kRemoved);
  record.steps = TakeRows(script->steps, rows, progress);
  record.rows = std::move(rows);
  selection_.assign(script->steps.size(), 0);
  focus_.reset();
  if (!script->steps.empty()) SelectOnly(std::min(record.rows.front(), script->steps.size() - 1));
  EndEdit();
  return true;
}

size_t Document::InsertPoint(const EditSettings& settings) const {
  const std::vector<size_t> rows = SelectedRows();
  if (rows.empty()) return Rows();
  return std::min(rows.front() + (settings.insertBehind ? 1 : 0), Rows());
}

void Document::PlaceInserted(Script& script, size_t at, std::vector<Step> steps, bool selectNew) {
  UndoRecord& record = BeginEdit(Kind::kInserted);
  record.rows = Range(at, steps.size());
  PutRows(script.steps, record.rows, steps);
  std::vector<uint8_t> flags(record.rows.size(), selectNew ? 1 : 0);
  PutRows(selection_, record.rows, flags);
  if (selectNew) {
    std::fill(selection_.begin(), selection_.end(), uint8_t{0});
    std::fill(selection_.begin() + static_cast<std::ptrdiff_t>(at),
              selection_.begin() + static_cast<std::ptrdiff_t>(at + record.rows.size()), uint8_t{1});
    focus_ = anchor_ = at;
  } else if (focus_ && *focus_ >= at) {
    *focus_ += record.rows.size();
  }
  EndEdit();
}

PasteOutcome Document::PasteAt(size_t at, std::string_view text, const LoadContext& context,
                               const EditSettings& settings) {
  Script* script = Editable();
  if (!script) return {0, kSlotRunningMessage};
  Script pasted;
  LoadOutcome loaded = LoadSteps(text, pasted, 0, false, context);
  if (!loaded.error.empty()) return {0, loaded.error};
  if (pasted.steps.empty()) return {0, "The clipboard holds no Steps."};
  const size_t added = pasted.steps.size();
  PlaceInserted(*script, at, std::move(pasted.steps), settings.selectNew);
  return {added, ""};
}

PasteOutcome Document::Paste(std::string_view text, const LoadContext& context, const EditSettings& settings) {
  return PasteAt(InsertPoint(settings), text, context, settings);
}

PasteOutcome Document::PasteToEnd(std::string_view text, const LoadContext& context, const EditSettings& settings) {
  return PasteAt(Rows(), text, context, settings);
}

bool Document::InsertNew(std::vector<Step> steps, const EditSettings& settings, Place place) {
  Script* script = Editable();
  if (!script || !StepCountAllowed(steps.size())) return false;
  const size_t at = place == Place::kTop ? 0 : place == Place::kEnd ? Rows() : InsertPoint(settings);
  const Step* before = at > 0 ? &script->steps[at - 1] : nullptr;
  for (Step& s : steps) {
    ApplyNewStepDefaults(before, s, settings.newStep);
    before = &s;
  }
  PlaceInserted(*script, at, std::move(steps), settings.selectNew);
  return true;
}

PasteOutcome Document::InsertNewText(std::string_view text, const LoadContext& context, const EditSettings& settings,
                                     Place place) {
  if (!Editable()) return {0, kSlotRunningMessage};
  Script loaded;
  LoadOutcome outcome = LoadSteps(text, loaded, 0, false, context);
  if (!outcome.error.empty()) return {0, outcome.error};
  const size_t added = loaded.steps.size();
  if (added == 0 || !InsertNew(std::move(loaded.steps), settings, place)) return {0, "No Steps were added."};
  return {added, ""};
}

bool Document::AddComment(const ActionCatalog& catalog, const EditSettings& settings) {
  std::vector<Step> steps(1);
  steps[0].action = "Comment";
  LookUpAction(catalog, steps[0]);
  return InsertNew(std::move(steps), settings);
}

bool Document::EditStep(size_t row, const std::function<void(Step&)>& fn) {
  Script* script = Editable();
  if (!script || row >= script->steps.size()) return false;
  Step edited = script->steps[row];
  fn(edited);
  if (edited == script->steps[row]) return false;
  UndoRecord& record = BeginEdit(Kind::kReplaced);
  record.rows = {row};
  record.steps.push_back(std::move(edited));
  std::swap(script->steps[row], record.steps[0]);
  EndEdit();
  return true;
}

bool Document::Move(bool up) {
  Script* script = Editable();
  std::vector<size_t> rows = SelectedRows();
  if (!script || rows.empty()) return false;
  if (up ? rows.front() == 0 : rows.back() + 1 == script->steps.size()) return false;
  UndoRecord& record = BeginEdit(up ? Kind::kMovedUp : Kind::kMovedDown);
  const bool focusMoves = focus_ && *focus_ < selection_.size() && selection_[*focus_];
  ShiftRows(script->steps, rows, up);
  ShiftRows(selection_, rows, up);
  for (size_t& r : rows) r = up ? r - 1 : r + 1;
  record.rows = std::move(rows);
  if (focusMoves) focus_ = up ? *focus_ - 1 : *focus_ + 1;
  EndEdit();
  return true;
}

bool Document::MoveTo(size_t target) {
  Script* script = Editable();
  std::vector<size_t> rows = SelectedRows();
  if (!script || rows.empty() || target > script->steps.size()) return false;
  const size_t above = static_cast<size_t>(std::lower_bound(rows.begin(), rows.end(), target) - rows.begin());
  std::vector<size_t> to = Range(target - above, rows.size());
  if (to == rows) return false;
  UndoRecord& record = BeginEdit(Kind::kMovedTo);
  std::vector<Step> moved = TakeRows(script->steps, rows);
  PutRows(script->steps, to, moved);
  std::vector<uint8_t> flags = TakeRows(selection_, rows);
  PutRows(selection_, to, flags);
  focus_ = anchor_ = to.front();
  record.from = std::move(rows);
  record.rows = std::move(to);
  EndEdit();
  return true;
}

bool Document::MoveUp() { return Move(true); }
bool Document::MoveDown() { return Move(false); }

bool Document::ChangeMarks(const std::vector<size_t>& rows,
                           const std::function<UndoRecord::Mark(const Step&)>& fn) {
  Script* script = Editable();
  if (!script) return false;
  UndoRecord record;
  for (size_t r : rows) {
    Step& s = script->steps[r];
    const UndoRecord::Mark mark = fn(s);
    if (mark.status == s.status && mark.indents == s.indents) continue;
    record.rows.push_back(r);
    record.marks.push_back({s.status, s.indents});
    s.status = mark.status;
    s.indents = mark.indents;
  }
  if (record.rows.empty()) return false;
  UndoRecord& kept = BeginEdit(Kind::kMarks);
  kept.rows = std::move(record.rows);
  kept.marks = std::move(record.marks);
  EndEdit();
  return true;
}

bool Document::Indent(int by) {
  return ChangeMarks(SelectedRows(), [by](const Step& s) {
    return UndoRecord::Mark{s.status, std::max(0, s.indents + by)};
  });
}

std::string Document::AutoIndent(bool* changed) {
  if (changed) *changed = false;
  Script* script = Editable();
  if (!script) return kSlotRunningMessage;
  const auto& steps = script->steps;
  std::vector<int32_t> indents(steps.size());
  std::vector<std::pair<BlockRole, size_t>> open;  // the opener's role and row
  std::string problem;
  auto report = [&problem](std::string text) {
    if (problem.empty()) problem = std::move(text);
  };
  // Closes the innermost block of the kind, reporting any other left open inside it.
  auto close = [&](size_t row, BlockRole opener, std::string_view what) {
    auto match = std::find_if(open.rbegin(), open.rend(), [opener](auto& o) { return o.first == opener; });
    if (match == open.rend()) {
      report(Unbalanced(row, what));
      return false;
    }
    if (match != open.rbegin()) {
      const auto& inner = open.back();
      report(Unbalanced(inner.second, inner.first == BlockRole::kOpenIf ? "IF without a matching END IF."
                                                                          : "loop start without a matching NEXT LOOP."));
    }
    open.erase(std::prev(match.base()), open.end());
    return true;
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    const auto level = [&open] { return static_cast<int32_t>(open.size()); };
    switch (RoleOf(steps[i])) {
      case BlockRole::kOpenIf:
      case BlockRole::kOpenLoop:
        indents[i] = level();
        open.emplace_back(RoleOf(steps[i]), i);
        break;
      case BlockRole::kElse:
        if (close(i, BlockRole::kOpenIf, "ELSE without a matching IF.")) open.emplace_back(BlockRole::kOpenIf, i);
        indents[i] = std::max(0, level() - 1);
        break;
      case BlockRole::kEndIf:
        close(i, BlockRole::kOpenIf, "END IF without a matching IF.");
        indents[i] = level();
        break;
      case BlockRole::kEndLoop:
        close(i, BlockRole::kOpenLoop, "NEXT LOOP without a matching loop start.");
        indents[i] = level();
        break;
      case BlockRole::kNone:
        indents[i] = level();
        break;
    }
  }
  if (!open.empty()) {
    const auto& o = open.front();
    report(Unbalanced(o.second, o.first == BlockRole::kOpenIf ? "IF without a matching END IF."
                                                               : "loop start without a matching NEXT LOOP."));
  }
  const bool did = ChangeMarks(Range(0, steps.size()), [&indents, &steps](const Step& s) {
    return UndoRecord::Mark{s.status, indents[static_cast<size_t>(&s - steps.data())]};
  });
  if (changed) *changed = did;
  return problem;
}

bool Document::ToggleMark(uint32_t bit) {
  const Script* script = slots_->At(slot_);
  const std::vector<size_t> rows = SelectedRows();
  if (!script || rows.empty()) return false;
  const bool all = std::all_of(rows.begin(), rows.end(), [&](size_t r) { return script->steps[r].status & bit; });
  return ChangeMarks(rows, [bit, all](const Step& s) {
    return UndoRecord::Mark{all ? s.status & ~bit : s.status | bit, s.indents};
  });
}

bool Document::RemoveAll(uint32_t bit) {
  const Script* script = slots_->At(slot_);
  if (!script) return false;
  std::vector<size_t> rows;
  for (size_t i = 0; i < script->steps.size(); ++i)
    if (script->steps[i].status & bit) rows.push_back(i);
  return ChangeMarks(rows, [bit](const Step& s) { return UndoRecord::Mark{s.status & ~bit, s.indents}; });
}

std::optional<size_t> Document::NextMarked(uint32_t bit, bool up) {
  const Script* script = slots_->At(slot_);
  const size_t n = Rows();
  if (!script || n == 0) return std::nullopt;
  const size_t from = focus_ && *focus_ < n ? *focus_ : (up ? 0 : n - 1);
  for (size_t k = 1; k <= n; ++k) {
    const size_t row = up ? (from + n - k % n) % n : (from + k) % n;
    if (script->steps[row].status & bit) {
      Select(row);
      return row;
    }
  }
  return std::nullopt;
}

std::optional<size_t> Document::NextBookmark() { return NextMarked(status::kBookmark, false); }
std::optional<size_t> Document::PreviousBookmark() { return NextMarked(status::kBookmark, true); }

std::string Document::GoToStep(long n) {
  const size_t rows = Rows();
  if (n < 1 || static_cast<size_t>(n) > rows)
    return rows == 0 ? "The Script has no Steps." : "Enter a Step number from 1 to " + std::to_string(rows) + ".";
  Select(static_cast<size_t>(n - 1));
  return "";
}

std::optional<size_t> Document::FindFrom(const FindOptions& options, bool skipFocus) const {
  const Script* script = slots_->At(slot_);
  const size_t n = Rows();
  if (!script || n == 0 || options.text.empty()) return std::nullopt;
  size_t row = focus_ && *focus_ < n ? *focus_ : (options.up ? n - 1 : 0);
  const bool startsAtFocus = focus_ && *focus_ < n;
  for (size_t k = 0; k < n + 1; ++k) {
    if (k > 0 || (startsAtFocus && skipFocus)) {
      const bool atEdge = options.up ? row == 0 : row + 1 == n;
      if (atEdge && !options.wrap) return std::nullopt;
      row = options.up ? (row + n - 1) % n : (row + 1) % n;
    }
    if (StepMatches(script->steps[row], options)) return row;
  }
  return std::nullopt;
}

std::optional<size_t> Document::FindNext(const FindOptions& options) {
  std::optional<size_t> row = FindFrom(options, true);
  if (row) Select(*row);
  return row;
}

std::optional<size_t> Document::FindPrevious(FindOptions options) {
  options.up = !options.up;
  return FindNext(options);
}

std::optional<size_t> Document::Replace(const FindOptions& options, std::string_view with) {
  if (!Editable()) return std::nullopt;
  if (focus_ && *focus_ < Rows())
    EditStep(*focus_, [&](Step& s) { ReplaceInStep(s, options, with); });
  return FindNext(options);
}

size_t Document::ReplaceAll(const FindOptions& options, std::string_view with) {
  Script* script = Editable();
  if (!script || options.text.empty()) return 0;
  UndoRecord record;
  size_t count = 0;
  for (size_t i = 0; i < script->steps.size(); ++i) {
    Step& s = script->steps[i];
    if (!StepMatches(s, options)) continue;
    Step old = s;
    const size_t here = ReplaceInStep(s, options, with);
    if (here == 0) continue;
    count += here;
    record.rows.push_back(i);
    record.steps.push_back(std::move(old));
  }
  if (count == 0) return 0;
  UndoRecord& kept = BeginEdit(Kind::kReplaced);
  kept.rows = std::move(record.rows);
  kept.steps = std::move(record.steps);
  EndEdit();
  return count;
}

}  // namespace plumo
