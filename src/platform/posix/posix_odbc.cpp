// unixODBC: drivers speak UTF-8 both ways, and there is no administrator program.
#include "base/ansi_unicode.h"
#include "platform/odbc/odbc_calls.h"

namespace plumo {

bool OdbcTextIsUtf8() { return true; }

void AppendOdbcTextAsAnsi(std::string& out, const char* data, size_t bytes) { AppendUtf8AsAnsi(out, {data, bytes}); }

std::string AnsiToOdbcText(const std::string& ansi) { return AnsiToUtf8(ansi); }

OsError OpenOdbcAdministrator() {
  return OsError("OpenOdbcAdministrator", 50,
                 "The ODBC Data Administrator is not available on this system; data sources are set up in odbc.ini "
                 "(\"odbcinst -q -s\" lists them)");
}

}  // namespace plumo
