// What a runtime image is: its id in the runtime library and the families of actions it
// carries besides the run engine's own. Each image compiles runtime_variant.cpp with its own
// PLUMO_RUNTIME_IMAGE and PLUMO_RUNTIME_FAMILIES, so that a family's executors are linked
// only into the images that carry it.
#pragma once

#include <cstdint>

namespace plumo {

class Session;

namespace family {
constexpr uint32_t kDesktop = 1;     // keys, windows, mouse, pictures, programs
constexpr uint32_t kPrompts = 2;     // message boxes and entry prompts
constexpr uint32_t kInternet = 4;    // Internet and e-mail
constexpr uint32_t kCallScript = 8;  // Scripts calling Scripts
}  // namespace family

struct RuntimeVariant {
  int imageId = 0;
  uint32_t families = 0;
};

RuntimeVariant ThisRuntimeVariant();

// The run engine's executors and those of each family the image carries.
void RegisterVariantActions(Session& session);

}  // namespace plumo
