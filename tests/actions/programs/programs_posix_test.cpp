#include <gtest/gtest.h>

#include <fstream>

#include "platform/posix/posix_libraries.h"
#include "platform/posix/posix_processes.h"

namespace plumo {

std::unique_ptr<Libraries> NativeLibraries() { return std::make_unique<PosixLibraries>(); }

namespace {

TEST(PosixPrograms, StartedProgramsEndWithTheirCodesOrAreEnded) {
  PosixProcesses processes;
  OsError error;
  auto ends = processes.Start("sh -c \"exit 7\"", "", false, &error);
  ASSERT_TRUE(ends) << error.ToString();
  EXPECT_EQ(ends->WaitForExit(10000), 7u);

  auto hangs = processes.Start("sleep 30", "", false, &error);
  ASSERT_TRUE(hangs);
  EXPECT_EQ(hangs->WaitForExit(50), std::nullopt);
  EXPECT_TRUE(hangs->Terminate(0).ok());
  EXPECT_EQ(hangs->WaitForExit(5000), 128u + 9u);

  EXPECT_FALSE(processes.Start("\"no such program\"", "", false, &error));
  EXPECT_FALSE(error.ok());
  EXPECT_FALSE(processes.Start(std::string(100 * 1024, 'x'), "", false, &error));
}

TEST(PosixPrograms, ProgramsRunInTheirFolderWithTheirWords) {
  PosixProcesses processes;
  const std::string folder = ::testing::TempDir() + "plumo_programs";
  ASSERT_EQ(system(("mkdir -p '" + folder + "'").c_str()), 0);
  OsError error;
  auto p = processes.Start("sh -c \"pwd > out.txt; printf '%s|' \\\"a b\\\" c >> out.txt\"", folder, false, &error);
  ASSERT_TRUE(p) << error.ToString();
  EXPECT_EQ(p->WaitForExit(10000), 0u);
  std::ifstream in(folder + "/out.txt");
  std::string where, words;
  std::getline(in, where);
  std::getline(in, words);
  EXPECT_TRUE(where.ends_with("plumo_programs")) << where;
  EXPECT_EQ(words, "a b|c|");
  EXPECT_FALSE(processes.FindOnPath("sh").empty());
  EXPECT_EQ(processes.FindOnPath("no-such-program-here"), "");
  EXPECT_FALSE(processes.ControlService("cron", ServiceRequest::kStart).ok());
}

}  // namespace
}  // namespace plumo
