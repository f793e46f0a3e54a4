// odbc32: texts in the ANSI code page, and the ODBC Data Source Administrator of the system.
#include <windows.h>
#include <shellapi.h>

#include "platform/odbc/odbc_calls.h"

namespace plumo {

bool OdbcTextIsUtf8() { return false; }

void AppendOdbcTextAsAnsi(std::string& out, const char* data, size_t bytes) {
  const size_t count = bytes / sizeof(wchar_t);
  if (count == 0) return;
  const auto* wide = reinterpret_cast<const wchar_t*>(data);
  const int n = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(count), nullptr, 0, "?", nullptr);
  if (n <= 0) return;
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(n));
  WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(count), out.data() + at, n, "?", nullptr);
}

std::string AnsiToOdbcText(const std::string& ansi) { return ansi; }

OsError OpenOdbcAdministrator() {
  const auto rc = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "odbcad32.exe", nullptr, nullptr, SW_SHOWNORMAL));
  if (rc > 32) return OsError::Ok();
  return OsError("ShellExecuteA", static_cast<uint32_t>(rc), "The ODBC Data Source Administrator (odbcad32.exe) could not be started");
}

}  // namespace plumo
