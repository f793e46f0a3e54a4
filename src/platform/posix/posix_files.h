#pragma once

#include "platform/files.h"

namespace plumo {

class PosixFiles : public Files {
 public:
  PathKind Kind(const std::string& path) override;
  bool AnyMatch(const std::string& pattern) override;
  std::optional<uint64_t> FileSize(const std::string& path) override;
  OsError ReadFile(const std::string& path, std::string* out, bool* opened) override;
  OsError ReplaceContent(const std::string& path, std::string_view data, bool* created) override;
};

}  // namespace plumo
