// What kind of control a window is, from its class name and style.
#pragma once

#include <cstdint>
#include <string_view>

namespace plumo {

enum class ControlType {
  kUnknown = 0,
  kStatic = 1,
  kEdit = 2,
  kComboBox = 3,
  kRadioButton = 4,
  kCheckbox = 5,
  kButton = 6,
  kListbox = 7,
  kScrollbar = 8,
  kMultilineEdit = 9,
  kTreeview = 10,
  kListview = 11,
};

ControlType ControlTypeOf(std::string_view className, uint32_t style);
// "Static", "Multiline Edit", ..., "Unknown Window Type".
std::string_view ControlTypeName(ControlType type);

}  // namespace plumo
