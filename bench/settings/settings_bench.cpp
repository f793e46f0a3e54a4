// The settings store on the SQLite registry: cached reads of an unchanged value, writes each in
// its own transaction, and plain SQLite inserts of the same rows as the reference.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "fakes/fake_files.h"
#include "fakes/fake_environment.h"
#include "platform/posix/sqlite_registry.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

constexpr int kOperations = 100000;

class TempDatabase {
 public:
  TempDatabase() {
    char tmpl[] = "/tmp/plumo-bench-XXXXXX";
    dir_ = mkdtemp(tmpl) ? tmpl : "/tmp";
    path_ = dir_ + "/registry.sqlite3";
  }
  ~TempDatabase() {
    std::error_code ec;
    if (dir_ != "/tmp") std::filesystem::remove_all(dir_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string dir_, path_;
};

std::unique_ptr<SqliteRegistry> OpenRegistry(const std::string& path, benchmark::State& state) {
  OsError e;
  auto reg = SqliteRegistry::Open(path, &e);
  if (!reg) state.SkipWithError(e.ToString().c_str());
  return reg;
}

void BM_ReadUnchangedValue(benchmark::State& state) {
  TempDatabase db;
  auto reg = OpenRegistry(db.path(), state);
  if (!reg) return;
  FakeEnvironment env;
  FakeFiles files;
  SettingsStore store(*reg, env, files);
  store.WriteNumber("*\\InterStepDelay", 250);
  int64_t sum = 0;
  for (auto _ : state) sum += store.ReadNumber("*\\InterStepDelay");
  if (sum != 250LL * state.iterations()) state.SkipWithError("a read returned the wrong value");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadUnchangedValue)->Iterations(kOperations)->UseRealTime();

// A user variable as the variable store will read it: a longer path, a text value.
void BM_ReadUnchangedUserVariable(benchmark::State& state) {
  TempDatabase db;
  auto reg = OpenRegistry(db.path(), state);
  if (!reg) return;
  FakeEnvironment env;
  FakeFiles files;
  SettingsStore store(*reg, env, files);
  store.WriteText("SOFTWARE\\Plumo\\UserVariables\\%s", "C:\\Data\\input.csv", {"customer_file"});
  size_t total = 0;
  for (auto _ : state) total += store.ReadText("SOFTWARE\\Plumo\\UserVariables\\%s", 4096, {"customer_file"}).size();
  benchmark::DoNotOptimize(total);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadUnchangedUserVariable)->Iterations(kOperations)->UseRealTime();

std::string RowText(int64_t i) { return "value of row " + std::to_string(i); }

void BM_WriteValue(benchmark::State& state) {
  TempDatabase db;
  auto reg = OpenRegistry(db.path(), state);
  if (!reg) return;
  FakeEnvironment env;
  FakeFiles files;
  SettingsStore store(*reg, env, files);
  int64_t i = 0;
  for (auto _ : state) {
    if (store.WriteText("SOFTWARE\\Plumo\\UserVariables\\row%d", RowText(i), {static_cast<long long>(i)}) == 0) {
      state.SkipWithError("a write failed");
      break;
    }
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteValue)->Iterations(kOperations)->UseRealTime();

// The reference: the same rows as plain inserts, each its own transaction, same journal.
void BM_PlainSqliteInsert(benchmark::State& state) {
  TempDatabase db;
  sqlite3* conn = nullptr;
  if (sqlite3_open(db.path().c_str(), &conn) != SQLITE_OK) {
    state.SkipWithError("cannot open");
    return;
  }
  sqlite3_exec(conn,
               "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
               "CREATE TABLE vals(path TEXT NOT NULL, name TEXT NOT NULL, data BLOB, PRIMARY KEY(path, name));",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(conn, "INSERT OR REPLACE INTO vals VALUES('SOFTWARE\\Plumo\\UserVariables', ?1, ?2)", -1,
                     &insert, nullptr);
  int64_t i = 0;
  for (auto _ : state) {
    std::string name = "row" + std::to_string(i), text = RowText(i);
    sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_blob(insert, 2, text.c_str(), static_cast<int>(text.size() + 1), SQLITE_TRANSIENT);
    if (sqlite3_step(insert) != SQLITE_DONE) {
      state.SkipWithError(sqlite3_errmsg(conn));
      break;
    }
    sqlite3_reset(insert);
    ++i;
  }
  sqlite3_finalize(insert);
  sqlite3_close(conn);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainSqliteInsert)->Iterations(kOperations)->UseRealTime();

}  // namespace
}  // namespace plumo
