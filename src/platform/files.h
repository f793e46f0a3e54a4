// Files port: what the formulas ask about files and folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace plumo {

enum class PathKind { kNone, kFile, kFolder };

class Files {
 public:
  virtual ~Files() = default;
  virtual PathKind Kind(const std::string& path) = 0;
  // True when an entry other than "." and ".." matches the pattern ('*' and '?' in its last part).
  virtual bool AnyMatch(const std::string& pattern) = 0;
  // nullopt when the path is no file.
  virtual std::optional<uint64_t> FileSize(const std::string& path) = 0;
};

}  // namespace plumo
