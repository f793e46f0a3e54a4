// What the program builder is asked to build; filled by Plumo.com's command line and by the
// studio's Compile dialog.
#pragma once

#include <string>

namespace plumo {

enum class Platform { kWindows = 0, kConsole = 1, kDll = 2 };

namespace packaging {
constexpr int kImageFiles = 1;
constexpr int kDataFiles = 2;
}  // namespace packaging

struct BuildRequest {
  std::string output;
  std::string icon;
  std::string version;
  std::string copyright;
  std::string description;
  bool compress = false;
  bool singleInstance = false;
  int packaging = 0;  // packaging:: bits
  bool encrypt = false;
  bool quiet = false;
  Platform platform = Platform::kWindows;
};

}  // namespace plumo
