// The studio's icons: drawn from small shape tables at the size asked for (16 or 24 pixels),
// so every toolbar and list icon shares one look and scales without blur.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

namespace plumo {

// Toolbar images by command id; -1 when the command has none.
int ToolbarImageOf(uint16_t command);
// All toolbar images, in the order ToolbarImageOf counts.
HIMAGELIST MakeToolbarImages(int size);

// One image per catalogue category (index category - 1), then the Comment note and the
// unknown action.
inline constexpr int kCommentImage = 16;
inline constexpr int kUnknownActionImage = 17;
HIMAGELIST MakeActionImages(int size);
int ActionImageOf(int category, bool isComment);

}  // namespace plumo
