#include "scripts/script_reader.h"

#include <algorithm>
#include <array>
#include <exception>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/text.h"
#include "scripts/action_catalog.h"
#include "scripts/markup.h"

namespace plumo {
namespace {

// Where "<!--" starts at or after from, or npos.
size_t FindCommentOpen(std::string_view s, size_t from) {
  for (size_t i = FindByte(s, '<', from); i != std::string_view::npos; i = FindByte(s, '<', i + 1))
    if (i + 1 < s.size() && s[i + 1] == '!' && s.compare(i, 4, "<!--") == 0) return i;
  return std::string_view::npos;
}

// Comments go, up to and including "-->", or to the end when that is missing.
std::string WithoutComments(std::string_view text) {
  std::string out;
  size_t i = 0;
  size_t open = FindCommentOpen(text, 0);
  if (open == std::string_view::npos) return std::string(text);
  out.reserve(text.size());
  for (; open != std::string_view::npos; open = FindCommentOpen(text, i)) {
    out.append(text, i, open - i);
    const size_t close = text.find("-->", open + 4);
    if (close == std::string_view::npos) return out;
    i = close + 3;
  }
  out.append(text, i, std::string_view::npos);
  return out;
}

// The text the Step elements are read from, its lower-case copy, and where the elements'
// "<step>" and "</step>" tags stand.
struct Prepared {
  std::string work, lower;
  size_t stepTags = 0;  // every "<step" that opens a Step, "<steps" included
  std::vector<size_t> opens, closes;
};

// Comments go; a "<step" inside a Step that has not ended yet is blanked, so that the two merge.
Prepared Prepare(std::string_view text) {
  Prepared p;
  p.work = WithoutComments(text);
  p.lower = ToLowerAnsi(p.work);
  std::string& w = p.work;
  std::string& l = p.lower;
  const size_t n = l.size();
  bool inside = false;
  for (size_t i = FindByte(l, '<'); i != std::string::npos; i = FindByte(l, '<', i + 1)) {
    const char next = i + 1 < n ? l[i + 1] : '\0';
    if (next == 's' && l.compare(i, 5, "<step") == 0) {
      if (inside) {
        w.replace(i, 5, 5, ' ');
        l.replace(i, 5, 5, ' ');
      } else {
        inside = true;
        ++p.stepTags;
        if (i + 5 < n && l[i + 5] == '>') p.opens.push_back(i);
      }
      i += 4;
    } else if (next == '/' && l.compare(i, 6, "</step") == 0) {
      inside = false;
      if (i + 6 < n && l[i + 6] == '>') p.closes.push_back(i);
      i += 5;
    }
  }
  return p;
}

// The tags a Step element can hold, by their names in lower case.
enum TagId {
  kAction, kText, kRecording, kComment, kOptions, kData, kTimeout, kStatus, kIndents, kCustom,
  kOutput, kOnfail, kValue1, kTagCount = kValue1 + 8
};
constexpr std::string_view kTagNames[kTagCount] = {
    "action", "text", "recording", "comment", "options", "data", "timeout", "status", "indents", "custom",
    "output", "onfail", "value1", "value2", "value3", "value4", "value5", "value6", "value7", "value8"};

// starts_with without the C library's memcmp, a call per tag under Wine.
bool HasPrefix(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (s[i] != prefix[i]) return false;
  return true;
}

// The first start and end tag of every name, found in one pass over the element: what
// FindTag would find for each, without searching the element once per name.
class ElementTags {
 public:
  explicit ElementTags(const Element& e) : e_(e) {
    open_.fill(std::string_view::npos);
    close_.fill(std::string_view::npos);
    const std::string_view s = e.lower;
    for (size_t lt = FindByte(s, '<'); lt != std::string_view::npos; lt = FindByte(s, '<', lt + 1)) {
      const bool closing = lt + 1 < s.size() && s[lt + 1] == '/';
      const std::string_view rest = s.substr(lt + (closing ? 2 : 1));
      if (rest.empty()) break;
      for (int id = 0; id < kTagCount; ++id) {
        const std::string_view name = kTagNames[id];
        if (name[0] != rest[0] || !HasPrefix(rest, name)) continue;
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

// The Step elements in file order, at most count of them.
std::vector<Element> ElementsOf(const Prepared& p, size_t count) {
  std::vector<Element> elements;
  elements.reserve(std::min(count, p.opens.size()));
  const std::string_view work = p.work, lower = p.lower;
  size_t from = 0, nextOpen = 0, nextClose = 0;
  while (elements.size() < count) {
    while (nextOpen < p.opens.size() && p.opens[nextOpen] < from) ++nextOpen;
    if (nextOpen == p.opens.size()) break;
    const size_t begin = p.opens[nextOpen++] + 6;
    while (nextClose < p.closes.size() && p.closes[nextClose] < begin) ++nextClose;
    const size_t close = nextClose < p.closes.size() ? p.closes[nextClose] : std::string::npos;
    const size_t end = close == std::string::npos ? lower.size() : close;
    const size_t length = std::min(end - begin, kMaxStepElementBytes);
    elements.push_back({work.substr(begin, length), lower.substr(begin, length)});
    from = close == std::string::npos ? lower.size() : close + 7;
  }
  return elements;
}

// Reads elements [first, last) into the same places of steps. Returns the index of the first
// empty action, or last.
size_t ReadRange(const std::vector<Element>& elements, size_t first, size_t last, const Step* before, bool asNew,
                 const LoadContext& context, std::vector<Step>& steps, const std::function<void(size_t)>& done) {
  for (size_t i = first; i < last; ++i) {
    if (!ReadStep(elements[i], i > first ? &steps[i - 1] : before, asNew, context, steps[i])) return i;
    if (done) done(i + 1 - first);
  }
  return last;
}

// Opening a large file reads its second half on a thread of its own. The callbacks of the
// context are the caller's and may touch its state, so that thread leaves the few Steps that
// call them to the caller, who reads them again once it is done.
constexpr size_t kParallelFrom = 2000;

size_t ReadAll(const std::vector<Element>& elements, const Step* before, bool asNew, const LoadContext& context,
               std::vector<Step>& steps) {
  const size_t count = elements.size();
  const bool reports = context.progress && count > kLoadProgressAbove;
  const bool parallel = !asNew && count >= kParallelFrom && std::thread::hardware_concurrency() > 1;
  const size_t parts = parallel ? 2 : 1;  // the caller reads one of them, the others keep pace
  auto done = [&](size_t n) {
    if (reports && n % kLoadProgressEvery == 0) context.progress(static_cast<int>(std::min(n * parts, count) * 100 / count));
  };
  if (!parallel) return ReadRange(elements, 0, count, before, asNew, context, steps, done);

  const size_t mid = count / 2;
  bool needsCaller = false;
  LoadContext deferring{context.catalog};
  deferring.newStepDefaults = context.newStepDefaults;
  deferring.readEmbeddedIds = context.readEmbeddedIds;
  if (context.namesFolder)
    deferring.namesFolder = [&needsCaller](const std::string&) {
      needsCaller = true;
      return false;
    };
  if (context.programIcon)
    deferring.programIcon = [&needsCaller](const std::string&) -> std::optional<int32_t> {
      needsCaller = true;
      return std::nullopt;
    };
  size_t secondEnd = count;
  std::vector<size_t> callers;
  std::exception_ptr failure;  // thrown on the second thread, thrown again here
  std::thread second;
  try {
    second = std::thread([&] {
      try {
        for (size_t i = mid; i < count; ++i) {
          needsCaller = false;
          if (!ReadStep(elements[i], nullptr, false, deferring, steps[i])) {
            secondEnd = i;
            break;
          }
          if (needsCaller) callers.push_back(i);
        }
      } catch (...) {
        failure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    return ReadRange(elements, 0, count, before, false, context, steps, done);
  }
  size_t firstEnd = mid;
  try {
    firstEnd = ReadRange(elements, 0, mid, nullptr, false, context, steps, done);
  } catch (...) {
    second.join();
    throw;
  }
  second.join();
  if (failure) std::rethrow_exception(failure);
  if (firstEnd < mid) return firstEnd;
  for (const size_t i : callers) {
    if (i >= secondEnd) break;
    steps[i] = Step();
    ReadStep(elements[i], nullptr, false, context, steps[i]);
  }
  return secondEnd;
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
    const Prepared p = Prepare(text);
    count = std::min(p.stepTags, kMaxStepsPerLoad + 1);
    if (!StepCountAllowed(count) || p.lower.find("<action") == std::string::npos) return {0, kStepCountMessage};
    const std::vector<Element> elements = ElementsOf(p, count);
    steps.resize(elements.size());
    const size_t read = ReadAll(elements, at > 0 ? &script.steps[at - 1] : nullptr, asNew, context, steps);
    if (read < steps.size()) {
      steps.resize(read);
      out.error = EmptyActionMessage(at + read);
      out.stoppedAtEmptyAction = true;
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
