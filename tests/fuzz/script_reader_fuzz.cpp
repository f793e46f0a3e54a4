// The Script reader, and the resource directory reader for compiled programs, on any bytes.
#include <cstdint>
#include <string>

#include "scripts/embedded_catalog.h"
#include "scripts/pe_resources.h"
#include "scripts/script_reader.h"
#include "scripts/script_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const plumo::ActionCatalog catalog = plumo::ActionCatalog::FromResource(plumo::EmbeddedActionCatalog());
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  plumo::Script script;
  script.layout = plumo::DetectLayout(text);
  plumo::LoadContext context{catalog};
  context.namesFolder = [](const std::string& t) { return t.size() % 2 == 0; };
  const plumo::LoadOutcome out = plumo::LoadSteps(text, script, 0, size % 3 == 0, context);
  if (out.added > plumo::kMaxStepsPerLoad || out.added != script.steps.size()) __builtin_trap();
  if (out.added == 0 && out.error.empty() && !script.steps.empty()) __builtin_trap();
  // Whatever was read can be written.
  const plumo::WriteOutcome written = plumo::WriteSteps(script, {});
  if (written.written != script.steps.size()) __builtin_trap();
  if (const auto found = plumo::FindPeResource(text, plumo::kRcDataType, plumo::kCompiledScriptResource)) {
    if (found->data() < text.data() || found->data() + found->size() > text.data() + text.size()) __builtin_trap();
  }
  return 0;
}
