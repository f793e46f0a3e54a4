// The Linux runner as a user starts it: its exit codes and messages, and what it leaves in the
// registry database.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/posix/sqlite_registry.h"

namespace plumo {
namespace {

struct Outcome {
  int exitCode = -1;
  std::string out, err;
};

std::string Drain(int fd) {
  std::string text;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof(buf))) > 0) text.append(buf, static_cast<size_t>(n));
  close(fd);
  return text;
}

class PlumoRunnerTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() / (std::string("plumo-runner-") + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    registry_ = (dir_ / "registry.sqlite3").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  Outcome Run(std::vector<std::string> args, const std::string& registry = "") {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
      dup2(outPipe[1], 1);
      dup2(errPipe[1], 2);
      close(outPipe[0]);
      close(errPipe[0]);
      setenv("PLUMO_REGISTRY", (registry.empty() ? registry_ : registry).c_str(), 1);
      setenv("TMPDIR", dir_.c_str(), 1);
      if (chdir(dir_.c_str()) != 0) _exit(126);
      std::vector<char*> argv{const_cast<char*>(PLUMO_RUNNER_PATH)};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(PLUMO_RUNNER_PATH, argv.data());
      _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    Outcome o;
    o.err = Drain(errPipe[0]);
    o.out = Drain(outPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
  }

  std::unique_ptr<SqliteRegistry> OpenRegistry() {
    OsError e;
    auto reg = SqliteRegistry::Open(registry_, &e);
    EXPECT_TRUE(reg) << e.ToString();
    return reg;
  }

  std::string Text(Registry& reg, const std::string& key, const std::string& name) {
    RegValue v;
    if (!reg.ReadValue(RegRoot::kCurrentUser, key, name, &v).ok()) return "(absent)";
    return v.AsText();
  }

  std::filesystem::path dir_;
  std::string registry_;
};

const char kOneStep[] = "<Plumo>\r\n<step>\r\n\t<action>Comment</action>\r\n</step>\r\n</Plumo>";

TEST_F(PlumoRunnerTest, StartUpWritesDefaultsAndVariablesBeforeTheRun) {
  std::string script = (dir_ / "hello.vxm").string();
  std::ofstream(script) << kOneStep;
  Outcome o = Run({"-r", script, "%a=1", "%b='x", "y'", "-s", "2"});
  EXPECT_EQ(o.exitCode, 1) << o.err;  // Step 2 of a one-Step Script: the run cannot start
  EXPECT_EQ(o.out, "");  // a hidden run shows no Output lines
  auto reg = OpenRegistry();
  EXPECT_EQ(Text(*reg, "SOFTWARE\\Plumo\\UserVariables", "a"), "1");
  EXPECT_EQ(Text(*reg, "SOFTWARE\\Plumo\\UserVariables", "b"), "x y");
  EXPECT_EQ(Text(*reg, "SOFTWARE\\Plumo", "DefaultFailureMode"), "Display Error and Stop");
}

TEST_F(PlumoRunnerTest, ExitCodesForEachStartMode) {
  std::string script = (dir_ / "a.vxm").string();
  std::ofstream(script) << kOneStep;
  std::string broken = (dir_ / "broken.vxm").string();
  std::ofstream(broken) << "<step/>";
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* says;  // on standard error, or standard output for the help
  } cases[] = {
      {{"-r", (dir_ / "missing.vxm").string()}, 2, "cannot open the Script"},
      {{"-v", (dir_ / "missing.vxm").string()}, 2, "cannot open the Script"},
      {{"-v", script}, 0, "Run Completed on [STEP 1]"},
      {{"/R", script}, 0, ""},
      {{"-r", broken}, 2, "does not appear to contain Plumo actions"},
      {{"-e", script}, 2, "needs the Plumo Studio on Windows"},
      {{"a.vxm"}, 0, "Run Completed on [STEP 1]"},  // a file alone is run
      {{script}, 0, "Run Completed on [STEP 1]"},   // an absolute path is no switch
      {{"-r", "notes.txt"}, 2, "Usage: plumo"},
      {{}, 2, "Usage: plumo"},
      {{"--help"}, 0, "-s STEP       start at Step STEP"},
      {{"-c", script}, 2, "only available from a console window"},
      {{"%x=1"}, 0, ""},
  };
  for (const auto& c : cases) {
    Outcome o = Run(c.args);
    std::string line = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(o.exitCode, c.exitCode) << line << "\n" << o.err;
    EXPECT_NE((o.err + o.out).find(c.says), std::string::npos) << line << "\n" << o.err << o.out;
  }
}

TEST_F(PlumoRunnerTest, LoggingOffDeletesTheLogLevel) {
  {
    auto reg = OpenRegistry();
    ASSERT_TRUE(reg->WriteValue(RegRoot::kCurrentUser, "SOFTWARE\\Plumo", "LogLevel", RegValue::Number(2)).ok());
  }
  Run({"-F", "%v=1"});
  auto reg = OpenRegistry();
  RegValue v;
  // Deleted by -F, then absent until the next start writes the default again.
  EXPECT_FALSE(reg->ReadValue(RegRoot::kCurrentUser, "SOFTWARE\\Plumo", "LogLevel", &v).ok());
}

TEST_F(PlumoRunnerTest, AnUnusableDatabaseStillRunsWithDefaultsInMemory) {
  Outcome o = Run({"%x=1"}, "/proc/plumo-cannot-be-here/registry.sqlite3");
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_NE(o.err.find("cannot open the registry database /proc/plumo-cannot-be-here/registry.sqlite3"),
            std::string::npos)
      << o.err;
  EXPECT_NE(o.err.find("kept in memory"), std::string::npos) << o.err;
}

TEST_F(PlumoRunnerTest, TheDatabaseFolderIsCreated) {
  std::string nested = (dir_ / "a" / "b" / "registry.sqlite3").string();
  Outcome o = Run({"%x=1"}, nested);
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_TRUE(std::filesystem::exists(nested));
}

}  // namespace
}  // namespace plumo
