// Settings held in a map by their paths as the engine spells them; "*\" and
// "SOFTWARE\Plumo\" name the same values, as in the real store.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "base/text.h"
#include "engine/run_settings.h"

namespace plumo {

class FakeRunSettings : public RunSettings {
 public:
  bool Exists(std::string_view path) override {
    std::lock_guard<std::mutex> lock(mu_);
    return values_.count(Key(path)) > 0;
  }
  int32_t ReadNumber(std::string_view path) override {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = values_.find(Key(path));
    return it == values_.end() ? 0 : std::atoi(it->second.c_str());
  }
  std::string ReadText(std::string_view path, size_t capacity) override {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = values_.find(Key(path));
    if (it == values_.end() || it->second.size() >= capacity) return "";
    return it->second;
  }
  void WriteText(std::string_view path, std::string_view text) override { Set(path, std::string(text)); }
  void WriteNumber(std::string_view path, uint32_t number) override { Set(path, std::to_string(number)); }
  void Delete(std::string_view path) override {
    std::lock_guard<std::mutex> lock(mu_);
    std::string key = Key(path);
    if (!key.empty() && key.back() == '\\') {
      for (auto it = values_.lower_bound(key); it != values_.end() && StartsWithNoCase(it->first, key);) it = values_.erase(it);
    } else {
      values_.erase(key);
    }
  }

  void Set(std::string_view path, std::string value) {
    std::lock_guard<std::mutex> lock(mu_);
    values_[Key(path)] = std::move(value);
  }
  void Set(std::string_view path, int value) { Set(path, std::to_string(value)); }

 private:
  static std::string Key(std::string_view path) {
    if (StartsWithNoCase(path, "*\\")) return "SOFTWARE\\Plumo\\" + std::string(path.substr(2));
    return std::string(path);
  }
  std::mutex mu_;
  std::map<std::string, std::string, LessNoCase> values_;
};

}  // namespace plumo
