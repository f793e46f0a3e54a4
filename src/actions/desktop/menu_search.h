// Finding an entry of a menu bar by its text or its path ("File;Save As").
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/desktop.h"

namespace plumo {

// Depth first through the menu and its submenus: the command of the first entry whose text
// or path (texts from the top joined by ";", each up to its tab and its "...") begins with
// `wanted`, ignoring case, with or without their "&". Submenus and separators are never the
// answer.
std::optional<uint32_t> FindMenuCommand(Desktop& desktop, uint32_t menu, std::string_view wanted);

}  // namespace plumo
