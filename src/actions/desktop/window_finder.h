// The window finder: how a Step names a window (search flags and match data) and the search
// of the desktop for it, with its other modes (the window list file, minimise all, close all).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

class Session;

namespace findflag {
constexpr uint32_t kPartialTitle = 0x1;
constexpr uint32_t kClass = 0x2;
constexpr uint32_t kId = 0x4;
constexpr uint32_t kUserData = 0x8;
constexpr uint32_t kHandle = 0x10;
constexpr uint32_t kExactTitle = 0x20;
constexpr uint32_t kWriteList = 0x100;
constexpr uint32_t kMinimizeAll = 0x200;
constexpr uint32_t kCloseAll = 0x400;
constexpr uint32_t kFramedVisible = 0x1000;
constexpr uint32_t kFramedVisibleTopLevel = 0x2000;
constexpr uint32_t kFirst = 0x4000;
}  // namespace findflag

constexpr char kWindowListFile[] = "plumo_window_list.txt";
// Parent levels searched when a window must lie inside another.
constexpr int kParentLevels = 5;

// The flags a Step's options ask for ("Partial Title,Activate,First", "Class + ID", ...).
uint32_t SearchFlagsFromOptions(std::string_view options);

// A handle field: "#1A2B", "x1A2B" or "0x1A2B" read as hexadecimal, anything else as
// decimal; 0 for a text that is not a number.
uint32_t HandleFieldValue(std::string_view field);

// Finds the window that the flags and the match data name among the windows of the desktop,
// or inside `parent` (within five levels) when that is a window; never a child of the
// program's own main window unless searched by handle. 0 for none. The counts of matching
// top-level and child windows go to session.windowMatches. In the list, minimise-all and
// close-all modes it acts on every window and answers 0.
uint32_t FindMatchingWindow(Session& session, uint32_t flags, std::string_view matchData, uint32_t parent);

// What the window picker writes for `window`, picked with the mouse at (x, y), into a Step
// whose Match Method is in `options`: the fields the method searches by, read as the search
// reads them, so that the search finds this window again; for a method by position, the point.
std::string PickedMatchData(Session& session, std::string_view options, uint32_t window, int32_t x, int32_t y);

// The same for a Step that names its window by "Which Window": the handle when it names
// windows by handle, else the title.
std::string PickedWindowName(Session& session, std::string_view options, uint32_t window);

// True when `window` lies inside `ancestor` within five parent levels.
bool IsWithinParent(Session& session, uint32_t window, uint32_t ancestor);

// A dialog frame or a sizing border.
bool IsFramed(Session& session, uint32_t window);

}  // namespace plumo
