#include "actions/integration/database/database_actions.h"

#include "actions/integration/database/odbc_test_setup.h"
#include "engine/engine_actions.h"
#include "engine/engine_harness.h"
#include "engine/fake_variables.h"
#include "platform/odbc/odbc_databases.h"

namespace plumo {
namespace {

struct Query {
  const char* action;
  const char* text = "";
  const char* source = "PlumoTest";
  const char* maxRows = "";
  const char* columnSeparator = "";
  const char* rowSeparator = "";
  const char* options = "";
};

class DatabaseActionsTest : public EngineTest {
 protected:
  DatabaseActionsTest() {
    setup = PrepareOdbc(::testing::UnitTest::GetInstance()->current_test_info()->name());
    RegisterDatabaseActions(session, databases);
  }
  static Step StepOf(const Query& q) {
    Step s = MakeStep(q.action, 12, q.text);
    s.value1 = q.source;
    s.value2 = q.maxRows;
    s.value3 = q.columnSeparator;
    s.value4 = q.rowSeparator;
    s.options = q.options;
    s.output = "Variable";
    s.outputValue = "result";
    return s;
  }
  // Runs one Step on its own: its result, or "FAIL: " and its failure text.
  std::string Do(const Query& q) {
    Load({StepOf(q)});
    session.run.errorText.clear();
    const int rc = (*session.executors.Find(12, q.action))(session, 0, 0, false);
    return rc == result::kSuccess ? variables.Get("result") : "FAIL: " + session.run.errorText;
  }
  void Fill() {
    ASSERT_EQ(Do({"Execute SQL Query", "CREATE TABLE people (id INTEGER PRIMARY KEY, name TEXT, note TEXT)"}), "0");
    ASSERT_EQ(Do({"Execute SQL Query",
                  "INSERT INTO people VALUES (1, 'Ann', NULL), (2, 'Gr' || char(252, 223) || 'e ' || char(8364), 'x'), "
                  "(3, 'far ' || char(26085), '')"}),
              "3");
  }

  OdbcTestSetup setup;
  OdbcDatabases databases{NativeOdbcCalls()};
  FakeVariables& variables = session.AttachVariables(std::make_unique<FakeVariables>(session.scripts));
};

TEST_F(DatabaseActionsTest, QueriesGiveTextWithNullsAndAnsiCharacters) {
  Fill();
  EXPECT_EQ(Do({"Execute SQL Query", "SELECT * FROM people ORDER BY id"}), "1,Ann,\r\n2,Gr\xFC\xDF" "e \x80,x\r\n3,far ?,");
  EXPECT_EQ(Do({"Execute SQL Query", "SELECT id, name FROM people WHERE id < 3", "PlumoTest", "", " | ", ";", "ColumnNames"}),
            "id | name;1 | Ann;2 | Gr\xFC\xDF" "e \x80");
  // A long value comes in pieces; no character is split between them.
  EXPECT_EQ(Do({"Execute SQL Query", "SELECT replace(hex(zeroblob(10000)), '00', char(252))"}), std::string(10000, '\xFC'));
  const std::string connection = "DRIVER=SQLite3;DATABASE=" + setup.databaseFile;
  EXPECT_EQ(Do({"Execute SQL Query", "SELECT count(*) FROM people", connection.c_str()}), "3");
}

TEST_F(DatabaseActionsTest, FailuresCarryTheDriversMessage) {
  Fill();
  EXPECT_EQ(Do({"Execute SQL Query", "SELEC name FROM people"}), "FAIL: [SQLite]near \"SELEC\": syntax error (1)");
  EXPECT_EQ(Do({"Execute SQL Query", "SELECT 1", "NoSuchSource"}),
            "FAIL: Data source \"NoSuchSource\": [unixODBC][Driver Manager]Data source name not found and no default driver specified");
  EXPECT_EQ(Do({"Execute SQL Query", "SELECT 1", ""}), "FAIL: No data source was given");
  EXPECT_EQ(Do({"Execute SQL Query", "SELECT 1", "PlumoTest", "many"}), "FAIL: \"many\" is not a number of rows");
  EXPECT_EQ(Do({"Get Columns", "nosuchtable"}), "FAIL: The data source has no table \"nosuchtable\"");
}

TEST_F(DatabaseActionsTest, MaxRowsCutsALargeResult) {
  ASSERT_EQ(Do({"Execute SQL Query", "CREATE TABLE big AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                                      "WHERE x < 100000) SELECT x, 'row ' || x AS label FROM c"}),
            "0");
  EXPECT_EQ(Do({"Execute SQL Query", "SELECT x FROM big ORDER BY x", "PlumoTest", "3"}), "1\r\n2\r\n3");
  const std::string all = Do({"Execute SQL Query", "SELECT x, label FROM big ORDER BY x", "PlumoTest", "Retrieve All Rows"});
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 99999);
  EXPECT_EQ(all.substr(all.size() - 18), "\n100000,row 100000");
}

TEST_F(DatabaseActionsTest, CatalogueAndDataSources) {
  Fill();
  EXPECT_EQ(Do({"Get Tables", "", "PlumoTest", "", "", ";"}), "people");
  EXPECT_EQ(Do({"Get Columns", "people", "PlumoTest", "", "", ", "}), "id, name, note");
  Query attributes{"Get Columns", "people", "PlumoTest", "", "", "|"};
  attributes.options = "Attributes";
  EXPECT_EQ(Do(attributes), "id INTEGER(9) NULL|name TEXT NULL|note TEXT NULL");
  EXPECT_NE(("," + Do({"Get Data Sources", "", "", "", "", ","}) + ",").find(",PlumoTest,"), std::string::npos);
}

TEST_F(DatabaseActionsTest, TheDatasetLoopWalksTheLastResult) {
  RegisterEngineActions(session);
  Fill();
  std::vector<std::string> seen;
  OnTestStep([&](int, Step&) {
    seen.push_back(variables.Get("row"));
    return result::kSuccess;
  });
  Step loop = MakeStep("Start Dataset Loop", 13);
  loop.output = "Variable";
  loop.outputValue = "row";
  std::vector<Step> steps = {StepOf({"Execute SQL Query", "SELECT id, note, 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15 FROM people ORDER BY id"}),
                             loop, MakeStep("Collect", kTestCategory), MakeStep("NEXT LOOP", 13)};
  Load(steps);
  ASSERT_TRUE(Run());
  const std::string tail = ", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14";  // the 17th column is left out
  EXPECT_EQ(seen, (std::vector<std::string>{"1, " + tail, "2, x" + tail, "3, " + tail}));
}

}  // namespace
}  // namespace plumo
