#include "platform/win32/win32_clipboard.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_pictures.h"

namespace plumo {
namespace {

bool OpenWithRetries() {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(10);
  }
  return false;
}

}  // namespace

std::optional<std::string> Win32Clipboard::Text() {
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenWithRetries()) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(h))) {
      text = std::string(p, strnlen(p, GlobalSize(h)));
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return text;
}

namespace {

// Hands `mem` to the clipboard as its only contents; frees it when the clipboard does not
// take it.
OsError Replace(UINT format, HGLOBAL mem) {
  if (!OpenWithRetries()) {
    OsError e = LastWin32Error("OpenClipboard");
    GlobalFree(mem);
    return e;
  }
  EmptyClipboard();
  if (!SetClipboardData(format, mem)) {
    OsError e = LastWin32Error("SetClipboardData");
    CloseClipboard();
    GlobalFree(mem);
    return e;
  }
  CloseClipboard();
  return OsError::Ok();
}

}  // namespace

OsError Win32Clipboard::SetText(const std::string& text) {
  size_t n = strnlen(text.c_str(), text.size());
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, n + 1);
  if (!mem) return LastWin32Error("GlobalAlloc");
  char* p = static_cast<char*>(GlobalLock(mem));
  std::memcpy(p, text.data(), n);
  p[n] = '\0';
  GlobalUnlock(mem);
  return Replace(CF_TEXT, mem);
}

OsError Win32Clipboard::SetPicture(const Picture& picture) {
  HGLOBAL mem = PackedDib(picture);
  if (!mem) return LastWin32Error("GlobalAlloc");
  return Replace(CF_DIB, mem);
}

OsError Win32Clipboard::Clear() {
  if (!OpenWithRetries()) return LastWin32Error("OpenClipboard");
  const bool emptied = EmptyClipboard();
  OsError e = emptied ? OsError::Ok() : LastWin32Error("EmptyClipboard");
  CloseClipboard();
  return e;
}

}  // namespace plumo
