// The database registry of the Linux build: the shared behaviour, and what only a file shared
// between processes can get wrong (stale caches, concurrent writers, a writer killed midway).
#include "platform/posix/sqlite_registry.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/port_conformance.h"

namespace plumo {
namespace {

const RegRoot kCurrentUser = RegRoot::kCurrentUser;

// A folder of its own for each test program run, removed when the program ends.
class TempFolder {
 public:
  static std::string NewDatabase() {
    static TempFolder folder;
    static int counter = 0;
    return folder.path_ + "/registry-" + std::to_string(++counter) + ".sqlite3";
  }

 private:
  TempFolder() {
    char tmpl[] = "/tmp/plumo-sqlite-XXXXXX";
    path_ = mkdtemp(tmpl) ? tmpl : "/tmp";
  }
  ~TempFolder() {
    std::error_code ec;
    if (path_ != "/tmp") std::filesystem::remove_all(path_, ec);
  }
  std::string path_;
};

std::unique_ptr<SqliteRegistry> OpenOrDie(const std::string& path) {
  OsError e;
  auto reg = SqliteRegistry::Open(path, &e);
  if (!reg) ADD_FAILURE() << e.ToString();
  return reg;
}

INSTANTIATE_TEST_SUITE_P(Sqlite, RegistryConformance,
                         testing::Values(PortFactory<Registry>{
                             "Sqlite", [] { return OpenOrDie(TempFolder::NewDatabase()); }}),
                         PortName<Registry>);

uint32_t NumberOf(Registry& reg, const std::string& name, bool* found = nullptr) {
  RegValue v;
  bool ok = reg.ReadValue(kCurrentUser, "Software\\Plumo", name, &v).ok();
  if (found) *found = ok;
  return ok ? v.AsNumber() : 0;
}

TEST(SqliteRegistry, ValuesSurviveReopeningTheFile) {
  std::string path = TempFolder::NewDatabase();
  const std::string big(5 * 1024 * 1024, '\xA5');
  {
    auto reg = OpenOrDie(path);
    ASSERT_TRUE(reg->WriteValue(kCurrentUser, "Software\\Plumo\\Deep\\Key", "Big", RegValue::Binary(big)).ok());
    ASSERT_TRUE(reg->WriteValue(kCurrentUser, "Software\\Plumo", "OnTop", RegValue::Number(1)).ok());
  }
  auto reg = OpenOrDie(path);
  RegValue v;
  ASSERT_TRUE(reg->ReadValue(kCurrentUser, "SOFTWARE\\PLUMO\\deep\\key", "big", &v).ok());
  EXPECT_EQ(v.kind, RegKind::kBinary);
  EXPECT_TRUE(v.data == big);
  EXPECT_EQ(NumberOf(*reg, "OnTop"), 1u);
  std::vector<std::string> keys;
  ASSERT_TRUE(reg->ListSubkeys(kCurrentUser, "Software\\Plumo", &keys).ok());
  EXPECT_EQ(keys, std::vector<std::string>{"Deep"});
}

// The read cache must notice what another connection commits: a new value, a changed one, a
// deleted one and a deleted tree.
TEST(SqliteRegistry, CachedReadsSeeAnotherConnectionsWrites) {
  std::string path = TempFolder::NewDatabase();
  auto a = OpenOrDie(path);
  auto b = OpenOrDie(path);
  bool found = true;
  NumberOf(*a, "Slot", &found);
  EXPECT_FALSE(found);
  ASSERT_TRUE(b->WriteValue(kCurrentUser, "Software\\Plumo", "Slot", RegValue::Number(1)).ok());
  EXPECT_EQ(NumberOf(*a, "Slot", &found), 1u);
  EXPECT_TRUE(found);
  for (uint32_t n = 2; n < 50; ++n) {
    ASSERT_TRUE(b->WriteValue(kCurrentUser, "Software\\Plumo", "Slot", RegValue::Number(n)).ok());
    ASSERT_EQ(NumberOf(*a, "Slot"), n);
    ASSERT_EQ(NumberOf(*a, "Slot"), n);
  }
  ASSERT_TRUE(b->DeleteValue(kCurrentUser, "Software\\Plumo", "Slot").ok());
  NumberOf(*a, "Slot", &found);
  EXPECT_FALSE(found);
  ASSERT_TRUE(a->WriteValue(kCurrentUser, "Software\\Plumo", "Mine", RegValue::Number(3)).ok());
  EXPECT_EQ(NumberOf(*a, "Mine"), 3u);
  ASSERT_TRUE(b->DeleteKeyTree(kCurrentUser, "Software").ok());
  NumberOf(*a, "Mine", &found);
  EXPECT_FALSE(found);
}

TEST(SqliteRegistry, ChangeStampHoldsStillUntilAnyConnectionCommits) {
  std::string path = TempFolder::NewDatabase();
  auto a = OpenOrDie(path);
  auto b = OpenOrDie(path);
  ASSERT_TRUE(a->WriteValue(kCurrentUser, "Software\\Plumo", "x", RegValue::Number(1)).ok());
  uint64_t stamp = a->ChangeStamp(RegRoot::kCurrentUser, "SOFTWARE");
  NumberOf(*a, "x");
  EXPECT_EQ(a->ChangeStamp(RegRoot::kCurrentUser, "SOFTWARE"), stamp);
  ASSERT_TRUE(b->WriteValue(kCurrentUser, "Software\\Plumo", "x", RegValue::Number(2)).ok());
  EXPECT_NE(a->ChangeStamp(RegRoot::kCurrentUser, "SOFTWARE"), stamp);
  stamp = a->ChangeStamp(RegRoot::kCurrentUser, "SOFTWARE");
  EXPECT_EQ(a->ChangeStamp(RegRoot::kCurrentUser, "SOFTWARE"), stamp);
}

TEST(SqliteRegistry, FilesThatCannotServeAreRefusedWithAReason) {
  std::string notDb = TempFolder::NewDatabase();
  std::ofstream(notDb) << std::string(4096, 'x');
  for (const std::string& path : {std::string("/nonexistent-plumo-dir/sub/registry.sqlite3"), notDb}) {
    OsError e;
    EXPECT_EQ(SqliteRegistry::Open(path, &e), nullptr) << path;
    EXPECT_FALSE(e.ok()) << path;
    EXPECT_FALSE(e.message().empty()) << path;
  }
}

TEST(SqliteRegistry, DatabaseLocationFollowsTheEnvironment) {
  struct Case {
    const char* registry;
    const char* xdg;
    const char* home;
    const char* want;
  } cases[] = {
      {"/x/reg.db", "/cfg", "/home/u", "/x/reg.db"},
      {"", "/cfg/", "/home/u", "/cfg/plumo/registry.sqlite3"},
      {nullptr, "/cfg", "/home/u", "/cfg/plumo/registry.sqlite3"},
      {nullptr, nullptr, "/home/u", "/home/u/.config/plumo/registry.sqlite3"},
      {nullptr, "", "/home/u/", "/home/u/.config/plumo/registry.sqlite3"},
  };
  for (const auto& c : cases) {
    static const Case* current;
    current = &c;
    std::string got = RegistryDatabasePath([](const char* name) -> const char* {
      std::string n = name;
      if (n == "PLUMO_REGISTRY") return current->registry;
      if (n == "XDG_CONFIG_HOME") return current->xdg;
      if (n == "HOME") return current->home;
      return nullptr;
    });
    EXPECT_EQ(got, c.want);
  }
}

// Runs fn in a child process with a connection of its own; the exit status is fn's result.
pid_t Spawn(const std::function<int()>& fn) {
  pid_t pid = fork();
  if (pid == 0) _exit(fn());
  return pid;
}

int ExitCode(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(SqliteRegistry, TwoProcessesWriteAndReadTheSameValuesAtOnce) {
  const std::string path = TempFolder::NewDatabase();
  { OpenOrDie(path); }  // schema in place before the race
  constexpr uint32_t kRounds = 400;
  // Each writer counts up its own value and the shared one, and watches the other's value:
  // it may lag but must never go backwards.
  auto writer = [&](int me) {
    return [&, me]() -> int {
      OsError e;
      auto reg = SqliteRegistry::Open(path, &e);
      if (!reg) return 10;
      std::string mine = "c" + std::to_string(me), theirs = "c" + std::to_string(1 - me);
      uint32_t seen = 0;
      for (uint32_t n = 1; n <= kRounds; ++n) {
        if (!reg->WriteValue(kCurrentUser, "Software\\Plumo", mine, RegValue::Number(n)).ok()) return 11;
        if (!reg->WriteValue(kCurrentUser, "Software\\Plumo", "shared", RegValue::Text(mine)).ok()) return 12;
        uint32_t now = NumberOf(*reg, theirs);
        if (now < seen) return 13;
        seen = now;
        if (NumberOf(*reg, mine) != n) return 14;
      }
      // Wait until the other side has finished: the cache must deliver its last write.
      for (int i = 0; i < 2000 && NumberOf(*reg, theirs) != kRounds; ++i) usleep(5000);
      return NumberOf(*reg, theirs) == kRounds ? 0 : 15;
    };
  };
  pid_t p0 = Spawn(writer(0));
  pid_t p1 = Spawn(writer(1));
  EXPECT_EQ(ExitCode(p0), 0);
  EXPECT_EQ(ExitCode(p1), 0);

  auto reg = OpenOrDie(path);
  EXPECT_EQ(NumberOf(*reg, "c0"), kRounds);
  EXPECT_EQ(NumberOf(*reg, "c1"), kRounds);
  RegValue shared;
  ASSERT_TRUE(reg->ReadValue(kCurrentUser, "Software\\Plumo", "shared", &shared).ok());
  EXPECT_TRUE(shared.AsText() == "c0" || shared.AsText() == "c1") << shared.AsText();
}

TEST(SqliteRegistry, AWriterKilledMidwayLosesNothingItCommitted) {
  const std::string path = TempFolder::NewDatabase();
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t pid = Spawn([&]() -> int {
    close(fds[0]);
    OsError e;
    auto reg = SqliteRegistry::Open(path, &e);
    if (!reg) return 10;
    const std::string payload(300, 'p');
    for (uint32_t n = 1;; ++n) {
      std::string name = "v" + std::to_string(n);
      if (!reg->WriteValue(kCurrentUser, "Software\\Plumo\\Killed", name, RegValue::Text(payload + name)).ok()) return 11;
      if (write(fds[1], &n, sizeof(n)) != sizeof(n)) return 12;
    }
  });
  close(fds[1]);
  uint32_t acknowledged = 0, n = 0;
  while (acknowledged < 500 && read(fds[0], &n, sizeof(n)) == sizeof(n)) acknowledged = n;
  kill(pid, SIGKILL);
  while (read(fds[0], &n, sizeof(n)) == sizeof(n)) acknowledged = n;
  close(fds[0]);
  EXPECT_EQ(ExitCode(pid), 128 + SIGKILL);
  ASSERT_GE(acknowledged, 500u);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(db);

  auto reg = OpenOrDie(path);
  for (uint32_t i = 1; i <= acknowledged; ++i) {
    RegValue v;
    std::string name = "v" + std::to_string(i);
    ASSERT_TRUE(reg->ReadValue(kCurrentUser, "Software\\Plumo\\Killed", name, &v).ok()) << name;
    ASSERT_EQ(v.AsText(), std::string(300, 'p') + name);
  }
}

}  // namespace
}  // namespace plumo
