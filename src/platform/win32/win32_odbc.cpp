// odbc32: texts in the ANSI code page, and the ODBC Data Source Administrator of the system.
#include <windows.h>
#include <shellapi.h>

#include "platform/odbc/odbc_calls.h"

namespace plumo {

std::string OdbcTextToAnsi(const uint16_t* units, size_t count) {
  if (count == 0) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(units);
  const int n = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(count), nullptr, 0, "?", nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(count), out.data(), n, "?", nullptr);
  return out;
}

std::string AnsiToOdbcText(const std::string& ansi) { return ansi; }

OsError OpenOdbcAdministrator() {
  const auto rc = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "odbcad32.exe", nullptr, nullptr, SW_SHOWNORMAL));
  if (rc > 32) return OsError::Ok();
  return OsError("ShellExecuteA", static_cast<uint32_t>(rc), "The ODBC Data Source Administrator (odbcad32.exe) could not be started");
}

}  // namespace plumo
