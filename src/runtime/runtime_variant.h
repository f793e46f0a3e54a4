// What a runtime image is: its id in the runtime library and the families of actions it
// carries besides the run engine's own. Each image compiles runtime_variant.cpp with its own
// PLUMO_RUNTIME_IMAGE and PLUMO_RUNTIME_FAMILIES, so that a family's executors are linked
// only into the images that carry it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/integration_port.h"
#include "platform/native_port.h"

namespace plumo {

class Session;

namespace family {
constexpr uint32_t kDesktop = 1;     // keys, windows, mouse, pictures, programs
constexpr uint32_t kPrompts = 2;     // message boxes and entry prompts
constexpr uint32_t kInternet = 4;    // Internet and e-mail
constexpr uint32_t kCallScript = 8;  // Scripts calling Scripts
constexpr uint32_t kWorkbooks = 16;  // Excel workbooks
constexpr uint32_t kDatabases = 32;  // ODBC queries and the Dataset loop's result sets
constexpr uint32_t kHardware = 64;   // system details, sound, display, screen saver, serial port
}  // namespace family

struct RuntimeVariant {
  int imageId = 0;
  uint32_t families = 0;
};

RuntimeVariant ThisRuntimeVariant();

// The run engine's executors and those of each family the image carries. scriptRunner runs
// a called Script ("-r"); empty for the program itself.
void RegisterVariantActions(Session& session, NativePort& port, IntegrationPort& integration,
                            const std::string& scriptRunner);

}  // namespace plumo
