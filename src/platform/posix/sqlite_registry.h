// The registry of the Linux build: an SQLite database file shared by every Plumo process of
// the user. Keys form a tree under the five roots; names compare without regard to case.
// Every change is one transaction (WAL, synchronous=NORMAL), so a killed process loses at
// most the write it was in the middle of, and several processes may use the file at once.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/registry.h"

namespace plumo {

class SqliteRegistry : public Registry {
 public:
  // Opens or creates the database; the folder must exist. *error is set when it cannot be
  // opened, and the object must then not be used.
  static std::unique_ptr<SqliteRegistry> Open(const std::string& path, OsError* error);
  ~SqliteRegistry() override;

  OsError CreateKey(RegRoot root, const std::string& key) override;
  bool KeyExists(RegRoot root, const std::string& key) override;
  OsError DeleteKeyTree(RegRoot root, const std::string& key) override;
  OsError ReadValue(RegRoot root, const std::string& key, const std::string& name,
                    RegValue* out) override;
  OsError WriteValue(RegRoot root, const std::string& key, const std::string& name,
                     const RegValue& value) override;
  OsError DeleteValue(RegRoot root, const std::string& key, const std::string& name) override;
  OsError ListValues(RegRoot root, const std::string& key, std::vector<std::string>* names) override;
  OsError ListSubkeys(RegRoot root, const std::string& key, std::vector<std::string>* names) override;
  uint64_t ChangeStamp(RegRoot root, const std::string& key) override;

 private:
  struct Statements;
  explicit SqliteRegistry(sqlite3* db);
  OsError Prepare();
  OsError Error(const char* call) const;
  OsError Exec(const char* call, sqlite3_stmt* stmt);
  OsError EnsureKey(RegRoot root, const std::string& folded, const std::string& shown);
  bool KeyRowExists(RegRoot root, const std::string& folded);
  OsError ListNames(sqlite3_stmt* stmt, RegRoot root, const std::string& key, std::vector<std::string>* names);
  OsError InTransaction(const std::function<OsError()>& work);
  void ValidateCache();

  std::mutex mu_;
  sqlite3* db_;
  std::unique_ptr<Statements> st_;

  // Values already read (or known absent), valid while no other connection has committed.
  // A commit anywhere changes the header of the shared WAL index; when it differs from the
  // header seen at the last validation, PRAGMA data_version decides whether to drop the cache.
  std::unordered_map<std::string, std::optional<RegValue>> cache_;
  size_t cacheBytes_ = 0;
  int64_t dataVersion_ = -1;
  // Moves with every change made here and with every cache drop.
  uint64_t changes_ = 0;
  const volatile unsigned char* walIndex_ = nullptr;
  unsigned char walHeader_[48] = {};
};

// Where the database lives: $PLUMO_REGISTRY, else $XDG_CONFIG_HOME/plumo/registry.sqlite3,
// else $HOME/.config/plumo/registry.sqlite3. lookup returns nullptr for unset variables.
std::string RegistryDatabasePath(const char* (*lookup)(const char* name));

}  // namespace plumo
