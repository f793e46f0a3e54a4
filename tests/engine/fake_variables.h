// Variables for engine tests: a map of user variables and nine slots behind the session's
// variable hooks. %name references (longest name first) and {1} to {9} are replaced; nothing
// else of the real expansion happens, so tests see flow control, not expansion.
#pragma once

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "base/text.h"
#include "engine/session.h"

namespace plumo {

class FakeVariables {
 public:
  explicit FakeVariables(Session& session) {
    session.variables.expandStep = [this](Session&, std::string_view text, int, int, unsigned flags, size_t* length) {
      std::string out = (flags & expandflag::kNone) ? std::string(text) : Expand(text);
      if (length) *length = out.size();
      return out;
    };
    session.variables.expand = [this](Session&, std::string_view text) { return Expand(text); };
    session.variables.evaluateNumber = [](Session&, std::string_view text) {
      return std::strtod(std::string(text).c_str(), nullptr);
    };
    session.variables.storeOutput = [this](Session& s, int slot, int index, std::string_view value, size_t) {
      const Step& step = s.scripts.At(slot)->steps[static_cast<size_t>(index)];
      std::lock_guard<std::mutex> lock(mu_);
      std::string name = step.outputValue.str();
      if (!name.empty() && name[0] == '%') name.erase(0, 1);
      if (name.empty()) return;
      values_[ToUpperAnsi(name)] = std::string(value);
      ++stores;
    };
    session.variables.probeVariable = [this](Session&, std::string_view name) -> size_t {
      std::lock_guard<std::mutex> lock(mu_);
      auto it = values_.find(ToUpperAnsi(name));
      return it == values_.end() ? 0 : it->second.size() + 1;
    };
    session.variables.deleteVariable = [this](Session&, int, int, std::string_view option) {
      std::lock_guard<std::mutex> lock(mu_);
      if (EqualsNoCase(option, "All")) {
        values_.clear();
        return;
      }
      std::string name(option);
      if (!name.empty() && name[0] == '%') name.erase(0, 1);
      values_.erase(ToUpperAnsi(name));
    };
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
  std::string Expand(std::string_view text) {
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

  std::mutex mu_;
  std::map<std::string, std::string> values_;
};

}  // namespace plumo
