#include "actions/integration/database/database_actions.h"

#include <cstdlib>
#include <memory>

#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"
#include "scripts/step.h"

namespace plumo {
namespace {

constexpr int kCategory = category::kData;

// The result set the last query left, for the Dataset loop.
struct LastResult {
  QueryResult result;
  bool present = false;
};

struct Context {
  Session& session;
  int slot;
  int index;
  Step& step;
  Databases& databases;
  LastResult& last;

  std::string Expand(std::string_view field) { return session.ExpandStep(field, slot, index); }
};

std::unique_ptr<DatabaseConnection> Connect(Context& c) {
  const std::string source = c.Expand(c.step.value1);
  if (source.empty()) {
    c.session.Fail("No data source was given");
    return nullptr;
  }
  OsError e;
  auto connection = c.databases.Connect(source, &e);
  if (!connection) c.session.Fail("Data source \"" + source + "\": " + e.message());
  return connection;
}

std::string Separator(Context& c, const Text260& field, std::string_view fallback) {
  std::string s = c.Expand(field);
  return s.empty() ? std::string(fallback) : s;
}

// "Retrieve All Rows", empty or 0: every row.
bool MaxRows(Context& c, uint64_t* rows) {
  const std::string text(Trim(c.Expand(c.step.value2)));
  *rows = 0;
  if (text.empty() || ContainsNoCase(text, "All")) return true;
  char* end = nullptr;
  const long long n = std::strtoll(text.c_str(), &end, 10);
  if (!end || *end != '\0' || n < 0) {
    c.session.Fail("\"" + text + "\" is not a number of rows");
    return false;
  }
  *rows = static_cast<uint64_t>(n);
  return true;
}

int ExecuteQuery(Context& c) {
  const std::string sql = c.Expand(c.step.text);
  if (Trim(sql).empty()) return c.session.Fail("No SQL query was given");
  uint64_t maxRows = 0;
  if (!MaxRows(c, &maxRows)) return result::kFailure;
  auto connection = Connect(c);
  if (!connection) return result::kFailure;
  QueryResult r;
  if (OsError e = connection->Query(sql, maxRows, &r); !e) return c.session.Fail(e.message());
  std::string out;
  if (!r.hasResultSet) {
    out = std::to_string(r.rowsAffected);
    LogFormat(c.session, "    %lld row(s) changed", static_cast<long long>(r.rowsAffected));
  } else {
    out = ResultText(r, Separator(c, c.step.value3, ","), Separator(c, c.step.value4, "\r\n"), HasOption(c.step.options, "ColumnNames"));
    LogFormat(c.session, "    %lu row(s) of %lu column(s) retrieved", static_cast<unsigned long>(r.rows),
              static_cast<unsigned long>(r.columns.size()));
  }
  c.last.result = std::move(r);
  c.last.present = c.last.result.hasResultSet;
  c.session.StoreOutput(c.slot, c.index, out);
  return result::kSuccess;
}

std::string JoinItems(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += separator;
    out += items[i];
  }
  return out;
}

// A catalogue result set's column by its ODBC name; -1 when the driver left it out.
int ColumnOf(const QueryResult& r, std::string_view name) {
  for (size_t i = 0; i < r.columns.size(); ++i)
    if (EqualsNoCase(r.columns[i], name)) return static_cast<int>(i);
  return -1;
}

int GetTables(Context& c) {
  auto connection = Connect(c);
  if (!connection) return result::kFailure;
  QueryResult r;
  if (OsError e = connection->Tables(&r); !e) return c.session.Fail(e.message());
  const int name = ColumnOf(r, "TABLE_NAME"), type = ColumnOf(r, "TABLE_TYPE");
  std::vector<std::string> items;
  for (size_t row = 0; name >= 0 && row < r.rows; ++row)
    if (type < 0 || !ContainsNoCase(r.Cell(row, static_cast<size_t>(type)), "SYSTEM"))
      items.emplace_back(r.Cell(row, static_cast<size_t>(name)));
  c.session.StoreOutput(c.slot, c.index, JoinItems(items, Separator(c, c.step.value4, ",")));
  return result::kSuccess;
}

int GetColumns(Context& c) {
  const std::string table = c.Expand(c.step.text);
  if (table.empty()) return c.session.Fail("No table name was given");
  auto connection = Connect(c);
  if (!connection) return result::kFailure;
  QueryResult r;
  if (OsError e = connection->Columns(table, &r); !e) return c.session.Fail(e.message());
  if (r.rows == 0) return c.session.Fail("The data source has no table \"" + table + "\"");
  const int name = ColumnOf(r, "COLUMN_NAME"), type = ColumnOf(r, "TYPE_NAME"), size = ColumnOf(r, "COLUMN_SIZE"),
            nullable = ColumnOf(r, "NULLABLE");
  const bool attributes = HasOption(c.step.options, "Attributes");
  std::vector<std::string> items;
  for (size_t row = 0; name >= 0 && row < r.rows; ++row) {
    std::string item(r.Cell(row, static_cast<size_t>(name)));
    if (attributes) {
      if (type >= 0) item.append(" ").append(r.Cell(row, static_cast<size_t>(type)));
      const std::string_view length = size >= 0 ? r.Cell(row, static_cast<size_t>(size)) : std::string_view();
      if (!length.empty() && length != "0") item.append("(").append(length).append(")");
      if (nullable >= 0) item += r.Cell(row, static_cast<size_t>(nullable)) == "0" ? " NOT NULL" : " NULL";
    }
    items.push_back(std::move(item));
  }
  c.session.StoreOutput(c.slot, c.index, JoinItems(items, Separator(c, c.step.value4, ",")));
  return result::kSuccess;
}

int GetDataSources(Context& c) {
  std::vector<DataSourceInfo> sources;
  if (OsError e = c.databases.DataSources(&sources); !e) return c.session.Fail(e.message());
  std::vector<std::string> names;
  for (const DataSourceInfo& s : sources) names.push_back(s.name);
  c.session.StoreOutput(c.slot, c.index, JoinItems(names, Separator(c, c.step.value4, ",")));
  return result::kSuccess;
}

int OpenAdministrator(Context& c) {
  if (OsError e = c.databases.OpenAdministrator(); !e) return c.session.Fail(e.message());
  return result::kSuccess;
}

using DatabaseAction = int (*)(Context&);
struct ActionRow {
  const char* name;
  DatabaseAction run;
};
constexpr ActionRow kActions[] = {
    {"Execute SQL Query", ExecuteQuery}, {"Get Columns", GetColumns},
    {"Get Tables", GetTables},           {"Get Data Sources", GetDataSources},
    {"Open Data Administrator", OpenAdministrator},
};

}  // namespace

std::string ResultText(const QueryResult& r, std::string_view columnSeparator, std::string_view rowSeparator,
                       bool columnNames) {
  std::string out;
  const size_t columns = r.columns.size();
  out.reserve(r.text.size() + r.ends.size() * columnSeparator.size() + (r.rows + 1) * rowSeparator.size());
  auto row = [&](auto cell) {
    for (size_t col = 0; col < columns; ++col) {
      if (col) out += columnSeparator;
      out += cell(col);
    }
  };
  if (columnNames) row([&](size_t col) -> std::string_view { return r.columns[col]; });
  for (size_t i = 0; i < r.rows; ++i) {
    if (columnNames || i) out += rowSeparator;
    row([&](size_t col) { return r.Cell(i, col); });
  }
  return out;
}

void RegisterDatabaseActions(Session& session, Databases& databases) {
  auto last = std::make_shared<LastResult>();
  for (const ActionRow& row : kActions) {
    session.executors.RegisterAction(kCategory, row.name, [&databases, last, run = row.run](Session& s, int slot, int index, bool) {
      Context c{s, slot, index, s.scripts.At(slot)->steps[static_cast<size_t>(index)], databases, *last};
      return run(c);
    });
  }
  session.flow.copyResultSet = [last](Session&, std::vector<std::string>* rows) {
    if (!last->present) return false;
    const QueryResult& r = last->result;
    const size_t columns = std::min(r.columns.size(), kDatasetColumns);
    rows->clear();
    rows->reserve(r.rows);
    for (size_t row = 0; row < r.rows; ++row) {
      std::string line;
      for (size_t col = 0; col < columns; ++col) {
        if (col) line += ", ";
        line += r.Cell(row, col);
      }
      rows->push_back(std::move(line));
    }
    return true;
  };
}

}  // namespace plumo
