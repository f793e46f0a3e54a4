#include "platform/odbc/odbc_databases.h"

namespace plumo {
namespace {

OsError Failure(OdbcCalls& calls, const char* call, odbc::HandleType type, OdbcCalls::Handle handle, short rc) {
  std::string message = handle ? calls.Diagnostic(type, handle) : std::string();
  if (message.empty()) message = std::string(call) + " failed (" + std::to_string(rc) + ")";
  return OsError(call, static_cast<uint32_t>(static_cast<uint16_t>(rc)), message);
}

// Fetches a statement's result set, or its count of changed rows when it has none.
OsError Collect(OdbcCalls& calls, OdbcCalls::Handle stmt, uint64_t maxRows, QueryResult* out) {
  *out = QueryResult();
  int count = 0;
  short rc = calls.ColumnCount(stmt, &count);
  if (!odbc::Succeeded(rc)) return Failure(calls, "SQLNumResultCols", odbc::kStmt, stmt, rc);
  if (count <= 0) {
    calls.RowCount(stmt, &out->rowsAffected);
    return OsError::Ok();
  }
  out->hasResultSet = true;
  out->columns.resize(static_cast<size_t>(count));
  for (int c = 0; c < count; ++c) {
    rc = calls.ColumnName(stmt, c + 1, &out->columns[static_cast<size_t>(c)]);
    if (!odbc::Succeeded(rc)) return Failure(calls, "SQLDescribeCol", odbc::kStmt, stmt, rc);
  }
  while (maxRows == 0 || out->rows < maxRows) {
    rc = calls.Fetch(stmt);
    if (rc == odbc::kNoData) break;
    if (!odbc::Succeeded(rc)) return Failure(calls, "SQLFetch", odbc::kStmt, stmt, rc);
    for (int c = 0; c < count; ++c) {
      bool null = false;
      rc = calls.GetText(stmt, c + 1, &out->text, &null);
      if (!odbc::Succeeded(rc)) return Failure(calls, "SQLGetData", odbc::kStmt, stmt, rc);
      out->ends.push_back(out->text.size());
      out->nulls.push_back(null ? 1 : 0);
    }
    ++out->rows;
  }
  return OsError::Ok();
}

class OdbcConnection : public DatabaseConnection {
 public:
  OdbcConnection(OdbcCalls& calls, OdbcCalls::Handle dbc) : calls_(calls), dbc_(dbc) {}
  ~OdbcConnection() override {
    calls_.Disconnect(dbc_);
    calls_.Free(odbc::kDbc, dbc_);
  }

  OsError Query(const std::string& sql, uint64_t maxRows, QueryResult* out) override {
    return Run([&](OdbcCalls::Handle stmt) { return calls_.Execute(stmt, sql); }, "SQLExecDirect", maxRows, out);
  }
  OsError Tables(QueryResult* out) override {
    return Run([&](OdbcCalls::Handle stmt) { return calls_.Tables(stmt); }, "SQLTables", 0, out);
  }
  OsError Columns(const std::string& table, QueryResult* out) override {
    return Run([&](OdbcCalls::Handle stmt) { return calls_.Columns(stmt, table); }, "SQLColumns", 0, out);
  }

 private:
  template <typename Start>
  OsError Run(Start start, const char* call, uint64_t maxRows, QueryResult* out) {
    OdbcCalls::Handle stmt = nullptr;
    short rc = calls_.Alloc(odbc::kStmt, dbc_, &stmt);
    if (!odbc::Succeeded(rc)) return Failure(calls_, "SQLAllocHandle", odbc::kDbc, dbc_, rc);
    rc = start(stmt);
    OsError e = odbc::Succeeded(rc) || rc == odbc::kNoData ? Collect(calls_, stmt, maxRows, out)
                                                           : Failure(calls_, call, odbc::kStmt, stmt, rc);
    calls_.Free(odbc::kStmt, stmt);
    return e;
  }

  OdbcCalls& calls_;
  OdbcCalls::Handle dbc_;
};

}  // namespace

OdbcDatabases::OdbcDatabases(std::unique_ptr<OdbcCalls> calls) : calls_(std::move(calls)) {}

OdbcDatabases::~OdbcDatabases() {
  if (env_) calls_->Free(odbc::kEnv, env_);
}

OsError OdbcDatabases::Environment() {
  if (env_) return OsError::Ok();
  short rc = calls_->Alloc(odbc::kEnv, nullptr, &env_);
  if (!odbc::Succeeded(rc)) {
    env_ = nullptr;
    return OsError("SQLAllocHandle", static_cast<uint16_t>(rc), "The ODBC driver manager could not be started");
  }
  rc = calls_->SetVersion3(env_);
  if (!odbc::Succeeded(rc)) return Failure(*calls_, "SQLSetEnvAttr", odbc::kEnv, env_, rc);
  return OsError::Ok();
}

std::unique_ptr<DatabaseConnection> OdbcDatabases::Connect(const std::string& dataSource, OsError* error) {
  *error = Environment();
  if (!*error) return nullptr;
  OdbcCalls::Handle dbc = nullptr;
  short rc = calls_->Alloc(odbc::kDbc, env_, &dbc);
  if (!odbc::Succeeded(rc)) {
    *error = Failure(*calls_, "SQLAllocHandle", odbc::kEnv, env_, rc);
    return nullptr;
  }
  const std::string connection = dataSource.find('=') == std::string::npos ? "DSN=" + dataSource : dataSource;
  rc = calls_->Connect(dbc, connection);
  if (!odbc::Succeeded(rc)) {
    *error = Failure(*calls_, "SQLDriverConnect", odbc::kDbc, dbc, rc);
    calls_->Free(odbc::kDbc, dbc);
    return nullptr;
  }
  return std::make_unique<OdbcConnection>(*calls_, dbc);
}

OsError OdbcDatabases::DataSources(std::vector<DataSourceInfo>* out) {
  out->clear();
  if (OsError e = Environment(); !e) return e;
  for (bool first = true;; first = false) {
    DataSourceInfo info;
    const short rc = calls_->DataSource(env_, first, &info.name, &info.driver);
    if (rc == odbc::kNoData) return OsError::Ok();
    if (!odbc::Succeeded(rc)) return Failure(*calls_, "SQLDataSources", odbc::kEnv, env_, rc);
    out->push_back(std::move(info));
  }
}

}  // namespace plumo
