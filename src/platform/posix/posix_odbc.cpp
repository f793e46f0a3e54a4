// unixODBC: drivers speak UTF-8, and there is no administrator program.
#include "base/ansi_unicode.h"
#include "platform/odbc/odbc_calls.h"

namespace plumo {

std::string OdbcTextToAnsi(const uint16_t* units, size_t count) { return Utf16ToAnsi(units, count); }

std::string AnsiToOdbcText(const std::string& ansi) { return AnsiToUtf8(ansi); }

OsError OpenOdbcAdministrator() {
  return OsError("OpenOdbcAdministrator", 50,
                 "The ODBC Data Administrator is not available on this system; data sources are set up in odbc.ini "
                 "(\"odbcinst -q -s\" lists them)");
}

}  // namespace plumo
