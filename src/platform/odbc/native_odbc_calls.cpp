// The ODBC calls forwarded to the platform's driver manager. "odbc_sql.h" is the platform's
// way to the ODBC headers, chosen by CMake.
#include <cstring>
#include <vector>

#include "odbc_sql.h"
#include "platform/odbc/odbc_databases.h"

namespace plumo {
namespace {

constexpr size_t kFirstPiece = 256;

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
    *null = false;
    const SQLSMALLINT type = utf8_ ? SQL_C_CHAR : SQL_C_WCHAR;
    const size_t unit = utf8_ ? 1 : sizeof(SQLWCHAR);
    static_assert(sizeof(SQLWCHAR) == 2, "the driver manager's wide characters are UTF-16");
    // A long value comes in pieces, kept whole until its end so that no character is split.
    long_.clear();
    // Some drivers fill the whole buffer (strncpy), so short values, the common case, are
    // asked for with a small one.
    size_t size = kFirstPiece;
    for (;;) {
      SQLLEN length = 0;
      const short rc = SQLGetData(stmt, static_cast<SQLUSMALLINT>(column), type, buffer_, static_cast<SQLLEN>(size), &length);
      if (rc == SQL_NO_DATA) break;
      if (!odbc::Succeeded(rc)) return rc;
      if (length == SQL_NULL_DATA) {
        *null = true;
        return rc;
      }
      // A piece fills the buffer but its terminator when the value goes on.
      const size_t room = size - unit;
      const size_t bytes = length == SQL_NO_TOTAL || static_cast<size_t>(length) > room ? room : static_cast<size_t>(length);
      if (rc == SQL_SUCCESS && long_.empty()) {
        AppendOdbcTextAsAnsi(*text, buffer_, bytes);
        return rc;
      }
      long_.append(buffer_, bytes);
      if (rc == SQL_SUCCESS) break;
      size = sizeof buffer_;
    }
    AppendOdbcTextAsAnsi(*text, long_.data(), long_.size());
    return SQL_SUCCESS;
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
  const bool utf8_ = OdbcTextIsUtf8();
  char buffer_[8192];
  std::string long_;
};

}  // namespace

std::unique_ptr<OdbcCalls> NativeOdbcCalls() { return std::make_unique<NativeOdbc>(); }

}  // namespace plumo
