#include "compiler/compile_settings.h"

#include "base/text.h"

namespace plumo {
namespace {

struct TextSetting {
  const char* path;
  size_t capacity;
  std::string BuildRequest::*field;
};
constexpr TextSetting kTextSettings[] = {
    {"*\\Compile\\OutputEXE", 260, &BuildRequest::output},
    {"*\\Compile\\IconFile", 260, &BuildRequest::icon},
    {"*\\Compile\\Version", 128, &BuildRequest::version},
    {"*\\Compile\\Copyright", 128, &BuildRequest::copyright},
    {"*\\Compile\\Description", 128, &BuildRequest::description},
};

struct FlagSetting {
  const char* path;
  bool BuildRequest::*field;
};
constexpr FlagSetting kFlagSettings[] = {
    {"*\\Compile\\Compress", &BuildRequest::compress},
    {"*\\Compile\\SingleInstance", &BuildRequest::singleInstance},
    {"*\\Compile\\Encrypt", &BuildRequest::encrypt},
};

constexpr const char* kPlatformSetting = "*\\Compile\\Platform";
constexpr const char* kEmbedTypesSetting = "*\\Compile\\EmbedTypes";

}  // namespace

void LoadCompileSettings(SettingsStore& store, BuildRequest& r) {
  for (const TextSetting& s : kTextSettings) r.*s.field = store.ReadText(s.path, s.capacity);
  for (const FlagSetting& s : kFlagSettings) r.*s.field = store.ReadNumber(s.path) != 0;
  const int32_t platform = store.ReadNumber(kPlatformSetting);
  r.platform = platform == 1 ? Platform::kConsole : platform == 2 ? Platform::kDll : Platform::kWindows;
  r.packaging = store.ReadNumber(kEmbedTypesSetting) & (packaging::kImageFiles | packaging::kDataFiles);
}

void SaveCompileSettings(SettingsStore& store, const BuildRequest& r) {
  for (const TextSetting& s : kTextSettings) store.WriteText(s.path, r.*s.field);
  for (const FlagSetting& s : kFlagSettings) store.WriteNumber(s.path, r.*s.field ? 1 : 0);
  store.WriteNumber(kPlatformSetting, static_cast<uint32_t>(r.platform));
  store.WriteNumber(kEmbedTypesSetting, static_cast<uint32_t>(r.packaging));
}

IconChoice IconChoiceOf(std::string_view iconFile, std::string_view studioPath) {
  if (Trim(iconFile).empty()) return IconChoice::kStandard;
  return EqualsNoCase(Trim(iconFile), studioPath) ? IconChoice::kStudio : IconChoice::kFile;
}

}  // namespace plumo
