// An ODBC query of 100,000 rows into Execute SQL Query's text, through unixODBC and the
// SQLite driver, beside the sqlite3 shell writing the same rows as CSV in the same run.
// Compare the CPU columns.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdio>
#include <fstream>

#include "actions/integration/database/database_actions.h"
#include "bench_python.h"
#include "platform/odbc/odbc_databases.h"

namespace plumo {
namespace {

const std::string kDatabase = "/tmp/plumo_bench_odbc.sqlite";
constexpr const char* kQuery = "SELECT id, name, amount FROM big ORDER BY id";

bool MakeDatabase() {
  static bool made = false;
  if (made) return true;
  std::remove(kDatabase.c_str());
  const std::string command = "sqlite3 " + kDatabase +
                              " \"CREATE TABLE big AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                              "WHERE x < 100000) SELECT x AS id, 'name ' || x AS name, x * 1.25 AS amount FROM c\"";
  made = std::system(command.c_str()) == 0;
  return made;
}

void BM_OdbcQuery100kRowsToText(benchmark::State& state) {
  if (!MakeDatabase()) return state.SkipWithError("the sqlite3 shell could not make the database");
  OdbcDatabases databases(NativeOdbcCalls());
  const std::string source = "DRIVER=" PLUMO_SQLITE_ODBC_DRIVER ";DATABASE=" + kDatabase;
  size_t bytes = 0;
  for (auto _ : state) {
    OsError e;
    auto connection = databases.Connect(source, &e);
    QueryResult r;
    if (connection) e = connection->Query(kQuery, 0, &r);
    if (!e || r.rows != 100000) return state.SkipWithError(("query failed: " + e.message()).c_str());
    const std::string text = ResultText(r, ",", "\r\n", false);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_OdbcQuery100kRowsToText)->Unit(benchmark::kMillisecond);

void BM_Sqlite3ShellCsv100kRows(benchmark::State& state) {
  if (!MakeDatabase()) return state.SkipWithError("the sqlite3 shell could not make the database");
  RunTimed(state, "sqlite3 -csv " + kDatabase + " \"" + kQuery + "\" > /tmp/plumo_bench_odbc.csv", false);
}
BENCHMARK(BM_Sqlite3ShellCsv100kRows)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace
}  // namespace plumo
