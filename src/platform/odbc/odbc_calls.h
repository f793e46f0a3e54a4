// The ODBC calls the database port makes, in portable types, so that one implementation of
// the port serves odbc32 and unixODBC alike; each platform forwards them to its driver
// manager and converts texts between the ANSI code page and what the driver speaks.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os_error.h"

namespace plumo {

namespace odbc {
constexpr short kSuccess = 0;
constexpr short kSuccessWithInfo = 1;
constexpr short kNoData = 100;
constexpr short kError = -1;
inline bool Succeeded(short rc) { return rc == kSuccess || rc == kSuccessWithInfo; }
enum HandleType : short { kEnv = 1, kDbc = 2, kStmt = 3 };
}  // namespace odbc

class OdbcCalls {
 public:
  using Handle = void*;
  virtual ~OdbcCalls() = default;
  virtual short Alloc(odbc::HandleType type, Handle parent, Handle* out) = 0;
  virtual void Free(odbc::HandleType type, Handle handle) = 0;
  virtual short SetVersion3(Handle env) = 0;
  // SQLDriverConnect without a prompt.
  virtual short Connect(Handle dbc, const std::string& connection) = 0;
  virtual void Disconnect(Handle dbc) = 0;
  virtual short Execute(Handle stmt, const std::string& sql) = 0;
  virtual short Tables(Handle stmt) = 0;
  virtual short Columns(Handle stmt, const std::string& table) = 0;
  virtual short ColumnCount(Handle stmt, int* count) = 0;
  virtual short ColumnName(Handle stmt, int column, std::string* name) = 0;
  virtual short RowCount(Handle stmt, int64_t* rows) = 0;
  virtual short Fetch(Handle stmt) = 0;
  // Appends the cell of the fetched row to *text as ANSI text, however long; *null for NULL.
  virtual short GetText(Handle stmt, int column, std::string* text, bool* null) = 0;
  virtual short DataSource(Handle env, bool first, std::string* name, std::string* driver) = 0;
  // The first diagnostic record's message ("[SQLite]near ...: syntax error (1)").
  virtual std::string Diagnostic(odbc::HandleType type, Handle handle) = 0;
  virtual OsError OpenAdministrator() = 0;
};

// What differs between the platforms' driver managers, given by each platform.
// Character data as the platform's drivers hand it over: UTF-8 on Linux, UTF-16 on Windows;
// appended to out in the ANSI code page ('?' where it has none).
bool OdbcTextIsUtf8();
void AppendOdbcTextAsAnsi(std::string& out, const char* data, size_t bytes);
// A statement's text as the driver manager's ANSI calls take it.
std::string AnsiToOdbcText(const std::string& ansi);
OsError OpenOdbcAdministrator();

}  // namespace plumo
