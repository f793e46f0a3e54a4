#include "scripts/step.h"

#include <cassert>

namespace plumo {
namespace {

constexpr Text260 Step::*kValues[] = {&Step::value1, &Step::value2, &Step::value3, &Step::value4,
                                      &Step::value5, &Step::value6, &Step::value7, &Step::value8};

// Replaces every occurrence of from by to until none is left.
bool ReplaceAll(std::string& s, std::string_view from, std::string_view to) {
  bool changed = false;
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at)) {
    s.replace(at, from.size(), to);
    changed = true;
  }
  return changed;
}

// The list with a comma on both ends, so that every word is found as ",word,".
std::string Fenced(std::string_view options) { return "," + TidyOptions(options) + ","; }
std::string FencedWord(std::string_view word) { return "," + std::string(word) + ","; }

}  // namespace

Text260& Step::Value(int n) {
  assert(n >= 1 && n <= 8);
  return this->*kValues[n - 1];
}

const Text260& Step::Value(int n) const {
  assert(n >= 1 && n <= 8);
  return this->*kValues[n - 1];
}

void ChangeStatus(Step& step, uint32_t bits, StatusChange change) {
  switch (change) {
    case StatusChange::kSet: step.status |= bits; break;
    case StatusChange::kClear: step.status &= ~bits; break;
    case StatusChange::kToggle: step.status ^= bits; break;
  }
}

std::string TidyOptions(std::string_view options) {
  std::string s(options);
  // Each replacement can create a new case for another, so repeat until nothing changes.
  for (bool changed = true; changed;) {
    changed = ReplaceAll(s, ", ", ",");
    changed |= ReplaceAll(s, " ,", ",");
    changed |= ReplaceAll(s, ",,", ",");
    changed |= ReplaceAll(s, "  ", " ");
  }
  const size_t b = s.find_first_not_of(", ");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(", ") - b + 1);
}

bool IsBlockIf(const Step& step) {
  return StartsWithNoCase(step.action, "IF ") && !ContainsNoCase(step.options, "Quick");
}

bool OpensLoopIndent(const Step& step) {
  return ContainsNoCase(step.action, "Start ") && ContainsNoCase(step.action, " Loop");
}

bool HasOption(std::string_view options, std::string_view word) {
  return ContainsNoCase(Fenced(options), FencedWord(word));
}

void AddOption(Text260& options, std::string_view word) {
  std::string s = Fenced(options);
  if (!ContainsNoCase(s, FencedWord(word))) s += word;
  options = TidyOptions(s);
}

void RemoveOption(Text260& options, std::string_view word) {
  std::string s = Fenced(options);
  const std::string fenced = FencedWord(word);
  for (size_t at = FindNoCase(s, fenced); at != std::string::npos; at = FindNoCase(s, fenced, at))
    s.replace(at, fenced.size(), ",");
  options = TidyOptions(s);
}

}  // namespace plumo
