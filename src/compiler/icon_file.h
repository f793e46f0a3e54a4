// An .ico file as the resources a program carries: its images (RT_ICON 1, 2, ...) and the
// group (RT_GROUP_ICON) that lists them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

struct IconResources {
  std::vector<std::string> images;  // RT_ICON firstId, firstId + 1, ...
  std::string group;                // RT_GROUP_ICON
};

// Nothing when the bytes are not an icon file or an image lies outside them.
std::optional<IconResources> IconResourcesFromIco(std::string_view ico, unsigned firstId = 1);

}  // namespace plumo
