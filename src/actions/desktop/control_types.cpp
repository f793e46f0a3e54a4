#include "actions/desktop/control_types.h"

#include "base/text.h"

namespace plumo {
namespace {

constexpr uint32_t kMultiLine = 0x4;    // ES_MULTILINE
constexpr uint32_t kButtonKind = 0xF;   // BS_TYPEMASK

// Class names by a part of them, in the order they are tested ("RICHEDIT" is an edit).
struct ClassRow {
  const char* part;
  ControlType type;
};
constexpr ClassRow kClasses[] = {
    {"STATIC", ControlType::kStatic},      {"EDIT", ControlType::kEdit},
    {"SysTreeView", ControlType::kTreeview}, {"SysListView", ControlType::kListview},
    {"COMBOBOX", ControlType::kComboBox},  {"LISTBOX", ControlType::kListbox},
    {"SCROLLBAR", ControlType::kScrollbar}, {"BUTTON", ControlType::kButton},
};

// Buttons by the kind in their style's low four bits: check boxes (also three-state),
// radio buttons, the group box, which is a static frame; push, owner-drawn, split and
// command-link buttons are buttons.
ControlType ButtonKind(uint32_t style) {
  switch (style & kButtonKind) {
    case 2: case 3: case 5: case 6: return ControlType::kCheckbox;
    case 4: case 9: return ControlType::kRadioButton;
    case 7: return ControlType::kStatic;
    default: return ControlType::kButton;
  }
}

constexpr std::string_view kNames[] = {"Unknown Window Type", "Static", "Edit", "Combo Box", "Radio Button", "Checkbox",
                                      "Button", "Listbox", "Scrollbar", "Multiline Edit", "Treeview", "Listview"};

}  // namespace

ControlType ControlTypeOf(std::string_view className, uint32_t style) {
  for (const ClassRow& row : kClasses) {
    if (!ContainsNoCase(className, row.part)) continue;
    if (row.type == ControlType::kEdit && (style & kMultiLine)) return ControlType::kMultilineEdit;
    if (row.type == ControlType::kButton) return ButtonKind(style);
    return row.type;
  }
  return ControlType::kUnknown;
}

std::string_view ControlTypeName(ControlType type) { return kNames[static_cast<int>(type)]; }

}  // namespace plumo
