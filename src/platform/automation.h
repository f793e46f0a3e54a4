// Automation port: late-bound objects of other programs (IDispatch on Windows), as a script
// host reaches Excel: properties and methods by name, values as variants. Linux has none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os_error.h"

namespace plumo {

class AutoObject;
using AutoObjectPtr = std::shared_ptr<AutoObject>;

struct AutoValue {
  enum class Kind { kEmpty, kNumber, kText, kBool, kObject, kArray, kError };
  Kind kind = Kind::kEmpty;
  double number = 0;        // kNumber; kBool 1 or 0; kError the error code
  std::string text;         // kText, ANSI
  AutoObjectPtr object;     // kObject
  uint32_t rows = 0, columns = 0;
  std::vector<AutoValue> items;  // kArray: rows × columns, row by row

  static AutoValue Number(double v) { AutoValue a; a.kind = Kind::kNumber; a.number = v; return a; }
  static AutoValue Text(std::string v) { AutoValue a; a.kind = Kind::kText; a.text = std::move(v); return a; }
  static AutoValue Bool(bool v) { AutoValue a; a.kind = Kind::kBool; a.number = v ? 1 : 0; return a; }
  static AutoValue Array(uint32_t rows, uint32_t columns) {
    AutoValue a;
    a.kind = Kind::kArray;
    a.rows = rows;
    a.columns = columns;
    a.items.resize(size_t(rows) * columns);
    return a;
  }
};

class AutoObject {
 public:
  virtual ~AutoObject() = default;
  // A property's value or a method's result (the two are one call in automation).
  virtual OsError Get(std::string_view name, const std::vector<AutoValue>& args, AutoValue* result) = 0;
  virtual OsError Put(std::string_view name, const std::vector<AutoValue>& args, const AutoValue& value) = 0;
};

class Automation {
 public:
  virtual ~Automation() = default;
  // A new object of the program id ("Excel.Application"); null with the reason in *error.
  // Objects belong to the thread that created them.
  virtual AutoObjectPtr Create(const std::string& progId, OsError* error) = 0;
};

// Where the system has no automation.
class NoAutomation : public Automation {
 public:
  AutoObjectPtr Create(const std::string& progId, OsError* error) override {
    *error = OsError("CoCreateInstance", 50, "Automation objects such as \"" + progId + "\" are not available on this system");
    return nullptr;
  }
};

}  // namespace plumo
