#include "scripts/script_reader.h"

#include <algorithm>
#include <array>
#include <new>
#include <utility>
#include <vector>

#include "base/text.h"
#include "scripts/action_catalog.h"
#include "scripts/markup.h"

namespace plumo {
namespace {

// Comments go, up to and including "-->", or to the end when that is missing.
std::string WithoutComments(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  for (size_t open = text.find("<!--"); open != std::string_view::npos; open = text.find("<!--", i)) {
    out.append(text, i, open - i);
    const size_t close = text.find("-->", open + 4);
    if (close == std::string_view::npos) return out;
    i = close + 3;
  }
  out.append(text, i, std::string_view::npos);
  return out;
}

std::string LowerCopy(std::string_view s) {
  std::string out(s.size(), '\0');
  std::transform(s.begin(), s.end(), out.begin(), [](char c) { return ToLowerAnsi(c); });
  return out;
}

// A "<step" inside a Step that has not ended yet is blanked, so that the two merge.
void MergeUnterminated(std::string& text, std::string& lower) {
  size_t open = lower.find("<step");
  while (open != std::string::npos) {
    const size_t close = lower.find("</step", open + 5);
    size_t next = lower.find("<step", open + 5);
    while (next != std::string::npos && (close == std::string::npos || next < close)) {
      text.replace(next, 5, 5, ' ');
      lower.replace(next, 5, 5, ' ');
      next = lower.find("<step", next + 5);
    }
    open = next;
  }
}

size_t CountStepTags(std::string_view lower, size_t stopAfter) {
  size_t n = 0;
  for (size_t at = lower.find("<step"); at != std::string_view::npos && n <= stopAfter; at = lower.find("<step", at + 5)) ++n;
  return n;
}

// The tags a Step element can hold, by their names in lower case.
enum TagId {
  kAction, kText, kRecording, kComment, kOptions, kData, kTimeout, kStatus, kIndents, kCustom,
  kOutput, kOnfail, kValue1, kTagCount = kValue1 + 8
};
constexpr std::string_view kTagNames[kTagCount] = {
    "action", "text", "recording", "comment", "options", "data", "timeout", "status", "indents", "custom",
    "output", "onfail", "value1", "value2", "value3", "value4", "value5", "value6", "value7", "value8"};

// The first start and end tag of every name, found in one pass over the element: what
// FindTag would find for each, without searching the element once per name.
class ElementTags {
 public:
  explicit ElementTags(const Element& e) : e_(e) {
    open_.fill(std::string_view::npos);
    close_.fill(std::string_view::npos);
    const std::string_view s = e.lower;
    for (size_t lt = s.find('<'); lt != std::string_view::npos; lt = s.find('<', lt + 1)) {
      const bool closing = lt + 1 < s.size() && s[lt + 1] == '/';
      const std::string_view rest = s.substr(lt + (closing ? 2 : 1));
      if (rest.empty()) break;
      for (int id = 0; id < kTagCount; ++id) {
        const std::string_view name = kTagNames[id];
        if (name[0] != rest[0] || !rest.starts_with(name)) continue;
        if (!closing) {
          if (open_[id] == std::string_view::npos) open_[id] = lt;
        } else if (rest.size() > name.size() && rest[name.size()] == '>' && close_[id] == std::string_view::npos) {
          close_[id] = lt;
        }
      }
    }
  }
  Tag Find(TagId id) const { return TagAt(e_, open_[id], close_[id]); }

 private:
  const Element& e_;
  std::array<size_t, kTagCount> open_;
  std::array<size_t, kTagCount> close_;
};

template <size_t W>
void ReadBounded(const ElementTags& tags, TagId id, BoundedText<W>& field) {
  const Tag tag = tags.Find(id);
  if (tag.found) field = UnescapeBounded(tag.content, W);
}

void ReadText(const ElementTags& tags, Step& s) {
  const Tag text = tags.Find(kText);
  if (text.found && ContainsNoCase(text.content, "<recording")) {
    s.text = Unescape(tags.Find(kRecording).content);
  } else {
    s.text = Unescape(text.content);
  }
}

void ReadFields(const ElementTags& tags, Step& s) {
  s.comment = Unescape(tags.Find(kComment).content);
  if (s.options.empty()) ReadBounded(tags, kOptions, s.options);
  ReadBounded(tags, kData, s.data);
  ReadBounded(tags, kTimeout, s.timeout);
  if (const Tag t = tags.Find(kStatus); t.found) s.status = HexNumber(Unescape(t.content));
  if (const Tag t = tags.Find(kIndents); t.found) s.indents = FirstNumber(Unescape(t.content));
  ReadBounded(tags, kCustom, s.custom);
  for (int n = 1; n <= 8; ++n) {
    Text260& value = s.Value(n);
    if (value.empty()) ReadBounded(tags, static_cast<TagId>(kValue1 + n - 1), value);
  }
  if (const Tag t = tags.Find(kOutput); t.found) {
    s.output = UnescapeBounded(t.content, Text64::kWidth);
    s.outputValue = UnescapeBounded(FindAttribute(t.start, "value"), Text260::kWidth);
  }
  if (const Tag t = tags.Find(kOnfail); t.found) {
    s.onfail = UnescapeBounded(t.content, Text64::kWidth);
    s.onfailValue = UnescapeBounded(FindAttribute(t.start, "value"), Text260::kWidth);
    s.onfailImage = FirstNumber(Unescape(FindAttribute(t.start, "image")));
    s.onfailLog = FirstNumber(Unescape(FindAttribute(t.start, "log")));
  }
}

// "<embedded_ID_1>" to "<embedded_ID_8>"; the first id that is not above 0 ends the list.
void ReadEmbeddedIds(const Element& e, Step& s) {
  for (size_t n = 0; n < s.embeddedIds.size(); ++n) {
    const Tag t = FindTag(e, "embedded_id_" + std::to_string(n + 1));
    const int32_t id = t.found ? FirstNumber(Unescape(t.content)) : 0;
    if (id <= 0) break;
    s.embeddedIds[n] = id;
  }
}

// The program named by a Run Step's text: up to and including ".EXE".
std::string ProgramOf(const std::string& text) {
  const size_t at = FindNoCase(text, ".EXE");
  return at == std::string::npos ? std::string() : text.substr(0, at + 4);
}

// One Step from its element; false for an empty action.
bool ReadStep(const Element& e, const Step* before, bool asNew, const LoadContext& context, Step& s) {
  const ElementTags tags(e);
  s.action = std::string(Trim(UnescapeBounded(tags.Find(kAction).content, Text64::kWidth)));
  if (s.action.empty()) return false;
  ReadText(tags, s);
  const RenameOutcome renamed = ConvertOldActionName(s, context.namesFolder);
  LookUpAction(context.catalog, s);
  ApplyCategoryOverrides(s);
  ReadFields(tags, s);
  if (context.readEmbeddedIds) ReadEmbeddedIds(e, s);
  if (s.category == category::kRun && context.programIcon) {
    const std::string program = ProgramOf(s.text);
    if (!program.empty())
      if (const auto icon = context.programIcon(program)) s.image = *icon;
  }
  if (asNew) ApplyNewStepDefaults(before, s, context.newStepDefaults);
  ConvertOptions(s, renamed);
  return true;
}

}  // namespace

std::string EmptyActionMessage(size_t index) {
  return "Empty <action> tag in step #" + std::to_string(index + 1) + "\n\nDiscontinuing file load at step #" +
         std::to_string(std::max<size_t>(index, 1));
}

LoadOutcome LoadSteps(std::string_view text, Script& script, long position, bool asNew, const LoadContext& context) {
  LoadOutcome out;
  std::vector<Step> steps;
  size_t count = 0;
  const size_t at = position <= 0 ? 0 : std::min(static_cast<size_t>(position), script.steps.size());
  try {
    std::string work = WithoutComments(text);
    std::string lower = LowerCopy(work);
    MergeUnterminated(work, lower);
    count = CountStepTags(lower, kMaxStepsPerLoad);
    if (!StepCountAllowed(count) || lower.find("<action") == std::string::npos) return {0, kStepCountMessage};
    steps.reserve(count);

    size_t from = 0;
    while (steps.size() < count) {
      const size_t open = lower.find("<step>", from);
      if (open == std::string::npos) break;
      const size_t begin = open + 6;
      const size_t close = lower.find("</step>", begin);
      const size_t end = close == std::string::npos ? lower.size() : close;
      const size_t length = std::min(end - begin, kMaxStepElementBytes);
      const Element e{std::string_view(work).substr(begin, length), std::string_view(lower).substr(begin, length)};
      from = close == std::string::npos ? lower.size() : close + 7;

      const Step* before = steps.empty() ? (at > 0 ? &script.steps[at - 1] : nullptr) : &steps.back();
      Step s;
      if (!ReadStep(e, before, asNew, context, s)) {
        out.error = EmptyActionMessage(at + steps.size());
        out.stoppedAtEmptyAction = true;
        break;
      }
      steps.push_back(std::move(s));
      if (context.progress && count > kLoadProgressAbove && steps.size() % kLoadProgressEvery == 0)
        context.progress(static_cast<int>(steps.size() * 100 / count));
    }
  } catch (const std::bad_alloc&) {
    return {0, kNoMemoryMessage};
  }
  if (!steps.empty() && script.steps.empty()) {
    // Opening a file: the Steps become the Script as they are, without a second copy.
    out.added = steps.size();
    script.steps = std::move(steps);
  } else if (!steps.empty()) {
    InsertOutcome inserted = InsertSteps(script, static_cast<long>(at), std::move(steps), false);
    if (!inserted.error.empty()) return {0, inserted.error};
    out.added = inserted.added;
  }
  NormaliseTargets(script);
  return out;
}

uint32_t DetectLayout(std::string_view text) {
  size_t at = FindNoCase(text, "step>");
  if (at == std::string_view::npos) return 0;
  at += 5;
  uint32_t layout = 0;
  if (text.substr(at).starts_with("\r\n")) layout |= layout::kCrLf;
  else if (text.substr(at).starts_with("\r")) layout |= layout::kCr;
  else if (text.substr(at).starts_with("\n")) layout |= layout::kLf;
  while (at < text.size() && (text[at] == '\r' || text[at] == '\n')) ++at;
  if (at < text.size() && text[at] == '\t') layout |= layout::kTabs;
  uint32_t width = 0;
  while (at < text.size() && (text[at] == '\t' || text[at] == ' ') && width < layout::kMaxWidth) {
    ++width;
    ++at;
  }
  return layout | width;
}

}  // namespace plumo
