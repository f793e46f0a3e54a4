// Variables for engine tests: a map of user variables behind the session's RunVariables.
// %name references (longest name first) are replaced; nothing else of the real expansion
// happens, so tests see flow control, not expansion. Tests override what they watch.
#pragma once

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "base/text.h"
#include "engine/session.h"

namespace plumo {

class FakeVariables : public RunVariables {
 public:
  explicit FakeVariables(ScriptSlots& scripts) : scripts_(scripts) {}

  std::string Expand(std::string_view text) override { return Replace(text); }
  std::string ExpandStep(std::string_view text, int, int, unsigned flags, size_t* length) override {
    std::string out = (flags & expandflag::kNone) ? std::string(text) : Replace(text);
    if (length) *length = out.size();
    return out;
  }
  double EvaluateNumber(std::string_view text) override { return std::strtod(std::string(text).c_str(), nullptr); }
  void StoreOutput(int slot, int index, std::string_view value, size_t) override {
    StoreInto(slot, index, "Variable", scripts_.At(slot)->steps[static_cast<size_t>(index)].outputValue, value);
  }
  void StoreInto(int, int, std::string_view, std::string_view target, std::string_view value) override {
    std::string name(target);
    if (!name.empty() && name[0] == '%') name.erase(0, 1);
    if (name.empty()) return;
    std::lock_guard<std::mutex> lock(mu_);
    values_[ToUpperAnsi(name)] = std::string(value);
    ++stores;
  }
  bool SetNumbered(int, std::string_view) override { return false; }
  void DeleteVariable(int, int, std::string_view option) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (EqualsNoCase(option, "All")) {
      values_.clear();
      return;
    }
    std::string name(option);
    if (!name.empty() && name[0] == '%') name.erase(0, 1);
    values_.erase(ToUpperAnsi(name));
  }
  size_t ProbeVariable(std::string_view name) override {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = values_.find(ToUpperAnsi(name));
    return it == values_.end() ? 0 : it->second.size() + 1;
  }

  void Set(std::string_view name, std::string_view value) {
    std::lock_guard<std::mutex> lock(mu_);
    values_[ToUpperAnsi(name)] = std::string(value);
  }
  std::string Get(std::string_view name) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = values_.find(ToUpperAnsi(name));
    return it == values_.end() ? "<absent>" : it->second;
  }
  bool Has(std::string_view name) {
    std::lock_guard<std::mutex> lock(mu_);
    return values_.count(ToUpperAnsi(name)) != 0;
  }

  int stores = 0;

 private:
  std::string Replace(std::string_view text) {
    std::lock_guard<std::mutex> lock(mu_);
    std::string out;
    for (size_t i = 0; i < text.size();) {
      if (text[i] != '%') {
        out.push_back(text[i++]);
        continue;
      }
      size_t best = 0;
      std::string value;
      for (const auto& [name, v] : values_) {
        if (name.size() > best && i + 1 + name.size() <= text.size() && EqualsNoCase(text.substr(i + 1, name.size()), name)) {
          best = name.size();
          value = v;
        }
      }
      if (best == 0) {
        out.push_back(text[i++]);
        continue;
      }
      out += value;
      i += 1 + best;
    }
    return out;
  }

  ScriptSlots& scripts_;
  std::mutex mu_;
  std::map<std::string, std::string> values_;
};

}  // namespace plumo
