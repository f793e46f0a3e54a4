#include "platform/memory/memory_resources.h"

namespace plumo {

void MemoryResources::Add(const std::string& modulePath, uint32_t id, std::string bytes) {
  modules_[modulePath][id] = std::move(bytes);
}

OsError MemoryResources::ReadData(const std::string& modulePath, uint32_t id, std::string* out) {
  const auto module = modules_.find(modulePath);
  if (module == modules_.end())
    return OsError("LoadLibraryExA", oscode::kFileNotFound, "The system cannot find the file specified.");
  const auto data = module->second.find(id);
  if (data == module->second.end())
    return OsError("FindResourceA", oscode::kResourceNameNotFound,
                   "The specified resource name cannot be found in the image file.");
  *out = data->second;
  return OsError::Ok();
}

}  // namespace plumo
