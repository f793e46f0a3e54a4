// The database port over the ODBC calls of the platform.
#pragma once

#include <memory>

#include "platform/database.h"
#include "platform/odbc/odbc_calls.h"

namespace plumo {

class OdbcDatabases : public Databases {
 public:
  explicit OdbcDatabases(std::unique_ptr<OdbcCalls> calls);
  ~OdbcDatabases() override;
  std::unique_ptr<DatabaseConnection> Connect(const std::string& dataSource, OsError* error) override;
  OsError DataSources(std::vector<DataSourceInfo>* out) override;
  OsError OpenAdministrator() override { return calls_->OpenAdministrator(); }

 private:
  OsError Environment();
  std::unique_ptr<OdbcCalls> calls_;
  OdbcCalls::Handle env_ = nullptr;
};

// The platform's driver manager.
std::unique_ptr<OdbcCalls> NativeOdbcCalls();

}  // namespace plumo
