#pragma once

#include "platform/clipboard.h"

namespace plumo {

// The system clipboard: CF_TEXT, and pictures as CF_DIB. Opening it is retried briefly:
// another program may hold it.
class Win32Clipboard : public Clipboard {
 public:
  std::optional<std::string> Text() override;
  OsError SetText(const std::string& text) override;
  OsError Clear() override;
  OsError SetPicture(const Picture& picture) override;
};

}  // namespace plumo
