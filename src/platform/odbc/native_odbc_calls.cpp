// The ODBC calls forwarded to the platform's driver manager. "odbc_sql.h" is the platform's
// way to the ODBC headers, chosen by CMake.
#include <cstring>
#include <vector>

#include "odbc_sql.h"
#include "platform/odbc/odbc_databases.h"

namespace plumo {
namespace {

SQLCHAR* Chars(const std::string& s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.data())); }

std::string FromChars(const SQLCHAR* s) { return reinterpret_cast<const char*>(s); }

class NativeOdbc : public OdbcCalls {
 public:
  short Alloc(odbc::HandleType type, Handle parent, Handle* out) override {
    return SQLAllocHandle(type, parent ? parent : SQL_NULL_HANDLE, out);
  }
  void Free(odbc::HandleType type, Handle handle) override { SQLFreeHandle(type, handle); }
  short SetVersion3(Handle env) override {
    return SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  }
  short Connect(Handle dbc, const std::string& connection) override {
    const std::string text = AnsiToOdbcText(connection);
    return SQLDriverConnect(dbc, nullptr, Chars(text), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  }
  void Disconnect(Handle dbc) override { SQLDisconnect(dbc); }
  short Execute(Handle stmt, const std::string& sql) override {
    const std::string text = AnsiToOdbcText(sql);
    return SQLExecDirect(stmt, Chars(text), static_cast<SQLINTEGER>(text.size()));
  }
  short Tables(Handle stmt) override {
    return SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  }
  short Columns(Handle stmt, const std::string& table) override {
    const std::string text = AnsiToOdbcText(table);
    return SQLColumns(stmt, nullptr, 0, nullptr, 0, Chars(text), static_cast<SQLSMALLINT>(text.size()), nullptr, 0);
  }
  short ColumnCount(Handle stmt, int* count) override {
    SQLSMALLINT n = 0;
    const short rc = SQLNumResultCols(stmt, &n);
    *count = n;
    return rc;
  }
  short ColumnName(Handle stmt, int column, std::string* name) override {
    SQLCHAR buffer[512];
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    const short rc = SQLDescribeCol(stmt, static_cast<SQLUSMALLINT>(column), buffer, sizeof buffer, &length, &type, &size,
                                    &digits, &nullable);
    *name = odbc::Succeeded(rc) ? FromChars(buffer) : std::string();
    return rc;
  }
  short RowCount(Handle stmt, int64_t* rows) override {
    SQLLEN n = -1;
    const short rc = SQLRowCount(stmt, &n);
    *rows = n;
    return rc;
  }
  short Fetch(Handle stmt) override { return SQLFetch(stmt); }
  short GetText(Handle stmt, int column, std::string* text, bool* null) override {
    text->clear();
    *null = false;
    for (;;) {
      SQLLEN length = 0;
      const short rc = SQLGetData(stmt, static_cast<SQLUSMALLINT>(column), SQL_C_WCHAR, units_, sizeof units_, &length);
      if (rc == SQL_NO_DATA) return SQL_SUCCESS;  // a long value's last piece came before
      if (!odbc::Succeeded(rc)) return rc;
      if (length == SQL_NULL_DATA) {
        *null = true;
        return rc;
      }
      // The piece fills the buffer but its terminator when the value goes on.
      const size_t room = sizeof units_ / sizeof units_[0] - 1;
      const size_t count = length == SQL_NO_TOTAL || static_cast<size_t>(length) / sizeof(SQLWCHAR) > room
                               ? room
                               : static_cast<size_t>(length) / sizeof(SQLWCHAR);
      static_assert(sizeof(SQLWCHAR) == sizeof(uint16_t), "the driver manager's wide characters are UTF-16");
      text->append(OdbcTextToAnsi(reinterpret_cast<const uint16_t*>(units_), count));
      if (rc == SQL_SUCCESS) return rc;
    }
  }
  short DataSource(Handle env, bool first, std::string* name, std::string* driver) override {
    SQLCHAR n[SQL_MAX_DSN_LENGTH + 1], d[512];
    SQLSMALLINT nl = 0, dl = 0;
    const short rc = SQLDataSources(env, first ? SQL_FETCH_FIRST : SQL_FETCH_NEXT, n, sizeof n, &nl, d, sizeof d, &dl);
    if (odbc::Succeeded(rc)) {
      *name = FromChars(n);
      *driver = FromChars(d);
    }
    return rc;
  }
  std::string Diagnostic(odbc::HandleType type, Handle handle) override {
    SQLCHAR state[6] = {}, message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    const short rc = SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
    return odbc::Succeeded(rc) ? FromChars(message) : std::string();
  }
  OsError OpenAdministrator() override { return OpenOdbcAdministrator(); }

 private:
  SQLWCHAR units_[4096];
};

}  // namespace

std::unique_ptr<OdbcCalls> NativeOdbcCalls() { return std::make_unique<NativeOdbc>(); }

}  // namespace plumo
