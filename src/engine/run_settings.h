// The settings the run engine reads and writes, by their paths ("*\\InterStepDelay",
// "SOFTWARE\\Plumo\\FailStep", "HKEY_CURRENT_USER\\Control Panel\\Desktop\\ScreenSaveActive").
// Paths reach it fully formatted. The program passes the settings store behind it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

class RunSettings {
 public:
  virtual ~RunSettings() = default;
  virtual bool Exists(std::string_view path) = 0;
  // 0 when absent; a text value is read as a decimal number.
  virtual int32_t ReadNumber(std::string_view path) = 0;
  // "" when absent or longer than capacity - 1 characters.
  virtual std::string ReadText(std::string_view path, size_t capacity) = 0;
  virtual void WriteText(std::string_view path, std::string_view text) = 0;
  virtual void WriteNumber(std::string_view path, uint32_t number) = 0;
  // A value, or a key with everything below it when the path names one.
  virtual void Delete(std::string_view path) = 0;
};

}  // namespace plumo
