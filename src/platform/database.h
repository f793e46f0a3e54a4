// Database port: SQL queries through ODBC data sources (odbc32 on Windows, unixODBC on Linux),
// with texts in the system's ANSI code page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os_error.h"

namespace plumo {

// A result set: column names and the cells row by row, their texts one after the other in one
// buffer (a result of 100,000 rows is a few allocations, not one per cell); a NULL cell is
// empty and flagged.
struct QueryResult {
  std::vector<std::string> columns;
  std::string text;
  std::vector<size_t> ends;  // where each cell's text ends in `text`
  std::vector<uint8_t> nulls;
  size_t rows = 0;
  // A statement without a result set (INSERT, UPDATE, ...): the rows it changed, -1 unknown.
  int64_t rowsAffected = -1;
  bool hasResultSet = false;

  std::string_view Cell(size_t row, size_t column) const {
    const size_t i = row * columns.size() + column;
    const size_t start = i ? ends[i - 1] : 0;
    return std::string_view(text).substr(start, ends[i] - start);
  }
};

struct DataSourceInfo {
  std::string name;
  std::string driver;
};

class DatabaseConnection {
 public:
  virtual ~DatabaseConnection() = default;
  // Runs the statement; at most maxRows rows are fetched (0: all). The driver's message is
  // the error's message.
  virtual OsError Query(const std::string& sql, uint64_t maxRows, QueryResult* out) = 0;
  // The catalogue's tables (SQLTables) and a table's columns (SQLColumns), as result sets.
  virtual OsError Tables(QueryResult* out) = 0;
  virtual OsError Columns(const std::string& table, QueryResult* out) = 0;
};

class Databases {
 public:
  virtual ~Databases() = default;
  // A data source name ("Sales"), or a whole connection string when it holds '='
  // ("DRIVER=...;DATABASE=..."). Null with the driver manager's message.
  virtual std::unique_ptr<DatabaseConnection> Connect(const std::string& dataSource, OsError* error) = 0;
  virtual OsError DataSources(std::vector<DataSourceInfo>* out) = 0;
  // The system's tool for setting up data sources; an error where there is none.
  virtual OsError OpenAdministrator() = 0;
};

}  // namespace plumo
