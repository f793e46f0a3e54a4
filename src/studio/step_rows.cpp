#include "studio/step_rows.h"

#include <algorithm>

#include "base/text.h"

namespace plumo {
namespace {

// A list cell shows no more; the Properties palette shows the whole text.
constexpr size_t kMaxCellChars = 259;

uint32_t Colour(SettingsStore& store, const char* name) {
  return static_cast<uint32_t>(store.ReadNumber(std::string("*\\Colors\\") + name)) & 0xFFFFFF;
}

bool IsCommentStep(const Step& step) { return EqualsNoCase(step.action.str(), "Comment"); }

// The first line, cut to what a cell shows.
std::string FirstLine(std::string_view text) {
  size_t end = text.find_first_of("\r\n");
  if (end == std::string_view::npos) end = text.size();
  std::string line(text.substr(0, std::min(end, kMaxCellChars)));
  std::replace(line.begin(), line.end(), '\t', ' ');
  if (end < text.size() && text.find_first_not_of("\r\n", end) != std::string_view::npos) line += " ...";
  return line;
}

}  // namespace

ListColours ReadListColours(SettingsStore& store) {
  return {Colour(store, "SkipText"),    Colour(store, "SkipFill"),    Colour(store, "BreakText"),
          Colour(store, "BreakFill"),   Colour(store, "Bookmark"),    Colour(store, "CommentText"),
          Colour(store, "CommentFill"), Colour(store, "ResultSuccessFill"), Colour(store, "ResultFailFill"),
          store.ReadNumber("*\\Colors\\CommentItalic") != 0};
}

RowLook LookOfRow(const Step& step, const ListColours& c, bool showingResults) {
  if (step.Skipped()) return {c.skipText, c.skipFill, false};
  if (step.StopsAtBreakpoint()) return {c.breakText, c.breakFill, false};
  RowLook look;
  if (IsCommentStep(step)) look = {c.commentText, c.commentFill, c.commentItalic};
  if (step.status & status::kBookmark) look.fill = c.bookmark;
  if (!showingResults) return look;
  switch (static_cast<uint8_t>(step.ranFlag)) {
    case ran::kSucceeded: look.fill = c.successFill; break;
    case ran::kFailed: look.fill = c.failFill; break;
    case ran::kFailedPassedOver:
      look.fill = c.failFill;
      look.text = kPassedOverText;
      break;
    default: break;
  }
  return look;
}

RowLook LookOfComment(const ListColours& c) { return {c.commentText, kDefault, c.commentItalic}; }

const std::string& PrimaryText(const Step& step) {
  static const std::string kNothing;
  switch (step.primaryField) {
    case primary::kNone: return kNothing;
    case primary::kData: return step.data.str();
    case primary::kOutputValue: return step.outputValue.str();
    default:
      if (step.primaryField >= 1 && step.primaryField <= 8) return step.Value(step.primaryField).str();
      return step.text;
  }
}

std::string ColumnText(const Step& step, size_t index, StepColumn column, const std::string& indent) {
  switch (column) {
    case StepColumn::kNumber: return std::to_string(index + 1);
    case StepColumn::kAction: {
      std::string out;
      const size_t levels = static_cast<size_t>(std::max(0, step.indents));
      out.reserve(levels * indent.size() + step.action.size());
      for (size_t i = 0; i < levels && out.size() < kMaxCellChars; ++i) out += indent;
      return out + step.action.str();
    }
    // A Comment Step's note is its detail.
    case StepColumn::kDetails:
      return FirstLine(IsCommentStep(step) ? (step.comment.empty() ? step.text : step.comment) : PrimaryText(step));
    case StepColumn::kComment: return IsCommentStep(step) ? std::string() : FirstLine(step.comment);
    default: return {};
  }
}

std::string GridSnapshotText(const Script& script, const std::string& indent,
                             const std::function<std::string(const Step&)>& resultOf) {
  std::string out;
  for (const char* title : kStepColumnTitles) out += std::string(title) + '\t';
  out += "Result\r\n";
  for (size_t i = 0; i < script.steps.size(); ++i) {
    const Step& step = script.steps[i];
    for (int c = 0; c < static_cast<int>(StepColumn::kCount); ++c) {
      std::string cell = ColumnText(step, i, static_cast<StepColumn>(c), indent);
      std::replace(cell.begin(), cell.end(), '\t', ' ');
      out += cell + '\t';
    }
    out += resultOf(step) + "\r\n";
  }
  return out;
}

}  // namespace plumo
