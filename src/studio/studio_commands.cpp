#include "studio/studio_commands.h"

namespace plumo {
namespace {

using namespace keymod;

// Virtual-key codes of the default keys.
constexpr uint8_t kF2 = 0x71, kF3 = 0x72, kF5 = 0x74, kF6 = 0x75, kF7 = 0x76, kF8 = 0x77, kF9 = 0x78,
                  kF11 = 0x7A, kInsert = 0x2D, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;

constexpr KeyedCommand kCommands[] = {
    {1067, "New", 'N', kCtrl},
    {1012, "Open", 'O', kCtrl},
    {1018, "Close Active File"},
    {1013, "Save", 'S', kCtrl},
    {1014, "Save As..."},
    {1015, "Save All"},
    {1016, "Report of Last Run..."},
    {1059, "Custom XML Tags"},
    {1017, "Properties"},
    {1002, "Exit"},
    {1024, "Undo"},
    {1061, "Redo"},
    {1020, "Cut"},
    {1021, "Copy"},
    {1022, "Paste"},
    {1440, "Paste to End"},
    {1023, "Delete"},
    {1025, "Select All"},
    {1019, "Find...", 'F', kCtrl},
    {1048, "Find Next", kF3, 0},
    {1065, "Find Previous", kF3, kShift},
    {1073, "Replace...", 'H', kCtrl},
    {1074, "Toggle Bookmark", kF2, kCtrl},
    {1055, "Goto Next Bookmark", kF2, 0},
    {1056, "Goto Previous Bookmark", kF2, kShift},
    {1070, "Remove All Bookmarks"},
    {1066, "Go to Step...", 'G', kCtrl},
    {1051, "Keep on Top"},
    {1027, "Show Statusbar"},
    {1075, "Show Run Tracking"},
    {1043, "Show Actions", '1', kAlt},
    {1076, "Show Properties", '2', kAlt},
    {1047, "Show Output", '3', kAlt},
    {1049, "Show Variables", '4', kAlt},
    {1044, "Collapse Actions Tree"},
    {1045, "Expand Actions Tree"},
    {1046, "Reset User Interface"},
    {1068, "New Step"},
    {1060, "Edit Properties"},
    {1034, "Move Up", kUp, kAlt},
    {1035, "Move Down", kDown, kAlt},
    {1040, "Decrease Indent", kLeft, kAlt},
    {1039, "Increase Indent", kRight, kAlt},
    {1054, "Auto-Indent and Validate"},
    {1041, "Skip", kF8, 0},
    {1028, "Breakpoint", kF9, 0},
    {1072, "Remove All Skips", kF8, kShift},
    {1071, "Remove All Breakpoints", kF9, kShift},
    {1062, "Add to Favorites"},
    {1052, "Add Comment", kInsert, 0},
    {1029, "Run", kF5, 0},
    {1031, "Run From Here", kF6, 0},
    {1030, "Run Single Step", kF7, 0},
    {1069, "Pause/Resume"},
    {1032, "Stop", kPauseKey, 0},
    {1077, "Show Run Results"},
    {1057, "Reset Run Results"},
    {1037, "Compile Program"},
    {1042, "View Log File"},
    {1053, "Display Main Program Windows"},
    {1098, "Display Popup Windows"},
    {1038, "Display All Windows & Controls"},
    {1099, "Track Mouse", kF11, 0},
    {1036, "Options..."},
};
static_assert(std::size(kCommands) <= kKeyboardMapSize);

}  // namespace

std::span<const KeyedCommand> StudioCommands() { return kCommands; }

}  // namespace plumo
