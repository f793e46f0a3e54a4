#include "editor/find.h"

#include "base/text.h"
#include "editor/editor_texts.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

struct Field {
  std::string_view (*get)(const Step&);
  void (*set)(Step&, std::string_view);
  bool replaceable;
};

template <auto Member>
constexpr Field MakeField(bool replaceable = true) {
  return {[](const Step& s) -> std::string_view { return s.*Member; },
          [](Step& s, std::string_view v) { s.*Member = v; }, replaceable};
}

// The texts the list and the Properties palette show.
constexpr Field kFields[] = {
    MakeField<&Step::action>(false), MakeField<&Step::text>(),   MakeField<&Step::comment>(),
    MakeField<&Step::data>(),        MakeField<&Step::value1>(), MakeField<&Step::value2>(),
    MakeField<&Step::value3>(),      MakeField<&Step::value4>(), MakeField<&Step::value5>(),
    MakeField<&Step::value6>(),      MakeField<&Step::value7>(), MakeField<&Step::value8>(),
    MakeField<&Step::outputValue>(),
};

bool WordChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || u == '_' || (u >= '0' && u <= '9') || ((u | 0x20) >= 'a' && (u | 0x20) <= 'z');
}

bool WholeWordAt(std::string_view s, size_t at, size_t length) {
  return (at == 0 || !WordChar(s[at - 1])) && (at + length >= s.size() || !WordChar(s[at + length]));
}

}  // namespace

size_t FindMatch(std::string_view s, const FindOptions& options, size_t from) {
  const std::string_view needle = options.text;
  if (needle.empty()) return std::string_view::npos;
  while (from <= s.size()) {
    const size_t at = options.matchCase ? s.find(needle, from) : FindNoCase(s, needle, from);
    if (at == std::string_view::npos) break;
    if (!options.wholeWord || WholeWordAt(s, at, needle.size())) return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

bool StepMatches(const Step& step, const FindOptions& options) {
  for (const Field& f : kFields)
    if (FindMatch(f.get(step), options) != std::string_view::npos) return true;
  return false;
}

size_t ReplaceInStep(Step& step, const FindOptions& options, std::string_view with) {
  size_t count = 0;
  for (const Field& f : kFields) {
    if (!f.replaceable) continue;
    const std::string_view s = f.get(step);
    std::string out;
    size_t from = 0;
    for (size_t at; (at = FindMatch(s, options, from)) != std::string_view::npos; ++count) {
      out.append(s.substr(from, at - from)).append(with);
      from = at + options.text.size();
    }
    if (from == 0) continue;
    out.append(s.substr(from));
    f.set(step, out);
  }
  return count;
}

std::string AddToFindHistory(std::string_view history, std::string_view text) {
  std::string out(text);
  for (const std::string& entry : SplitList(history, kFindHistorySeparator)) {
    if (entry == text) continue;
    if (out.size() + 1 + entry.size() > kFindHistoryBytes) break;
    out.append(1, kFindHistorySeparator).append(entry);
  }
  return out;
}

std::vector<std::string> ReadFindHistory(SettingsStore& store) {
  return SplitList(store.ReadText("*\\FindHistory", kFindHistoryBytes + 1), kFindHistorySeparator);
}

void RememberFind(SettingsStore& store, std::string_view text) {
  const std::string bounded = Bounded(text, kFindTextWidth);
  if (bounded.empty()) return;
  store.WriteText("*\\Find", bounded);
  const std::string history = store.ReadText("*\\FindHistory", kFindHistoryBytes + 1);
  store.WriteText("*\\FindHistory", AddToFindHistory(history, bounded));
}

namespace {
struct FindChoice {
  const char* path;
  bool FindOptions::*field;
};
constexpr FindChoice kFindChoices[] = {
    {"*\\FindDirection", &FindOptions::up},
    {"*\\FindMatchCase", &FindOptions::matchCase},
    {"*\\FindWholeWord", &FindOptions::wholeWord},
};
}  // namespace

FindOptions ReadFindOptions(SettingsStore& store) {
  FindOptions options;
  options.text = store.ReadText("*\\Find", kFindTextWidth);
  if (options.text == "0") options.text.clear();
  for (const FindChoice& c : kFindChoices) options.*c.field = store.ReadNumber(c.path) != 0;
  return options;
}

void RememberFindOptions(SettingsStore& store, const FindOptions& options) {
  RememberFind(store, options.text);
  for (const FindChoice& c : kFindChoices) store.WriteNumber(c.path, options.*c.field ? 1 : 0);
}

void RememberReplace(SettingsStore& store, std::string_view text) {
  store.WriteText("*\\Replace", Bounded(text, kFindTextWidth));
}

}  // namespace plumo
