// Store output on Linux: PDF documents read back by a real reader, and a second process
// writing a variable while the first one reads it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/posix/sqlite_registry.h"
#include "vars/variables_world.h"

namespace plumo {
namespace {

using testing::HasSubstr;
namespace fs = std::filesystem;

class StoreOutputPosixTest : public testing::Test {
 protected:
  VariablesWorld w_;
};

TEST_F(StoreOutputPosixTest, PdfDocumentsOpenInAReader) {
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
  ScratchFolder folder;
  const std::string path = folder.File("report.pdf");
  w_.files.AddFolder("C:\\docs");
  std::string text = "Hello (PDF) world\\ with a very long line that has to be wrapped because it is far wider "
                     "than the page of eight and a half inches allows at fourteen points\r\nSecond line";
  for (int i = 0; i < 80; ++i) text += "\nline " + std::to_string(i);
  w_.Store("Adobe PDF Document", "C:\\docs\\report.pdf", text);
  ASSERT_TRUE(w_.files.Has("C:\\docs\\report.pdf"));
  std::ofstream(path, std::ios::binary) << w_.files.Content("C:\\docs\\report.pdf");
  std::string out = folder.File("report.txt");
  ASSERT_EQ(std::system(("pdftotext -layout '" + path + "' '" + out + "'").c_str()), 0);
  std::string extracted = FileContents(out);
  EXPECT_THAT(extracted, HasSubstr("Hello (PDF) world\\ with a very long line"));
  EXPECT_THAT(extracted, HasSubstr("Second line"));
  EXPECT_THAT(extracted, HasSubstr("line 79"));
  // Two pages at most 40 lines each: a form feed separates them.
  EXPECT_NE(extracted.find('\f'), std::string::npos);
  std::string info = folder.File("info.txt");
  ASSERT_EQ(std::system(("pdfinfo '" + path + "' > '" + info + "'").c_str()), 0);
  EXPECT_THAT(FileContents(info), HasSubstr("612 x 792 pts"));

  w_.Store("PDF", "C:\\docs\\no\\such.pdf", "x");
  EXPECT_THAT(w_.LastLine(), HasSubstr("ERROR saving 1 byte(s) to file"));
}

TEST(VariableStore, AValueWrittenByAnotherProcessIsSeenByTheNextRead) {
  ScratchFolder folder;
  std::string db = folder.File("registry.sqlite3");
  OsError error;
  auto registry = SqliteRegistry::Open(db, &error);
  ASSERT_TRUE(registry) << error.ToString();
  VariablesWorld w(registry.get());
  w.Set("shared", "before");
  EXPECT_EQ(w.X("%shared"), "before");
  EXPECT_EQ(w.X("%shared"), "before");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    OsError e;
    auto other = SqliteRegistry::Open(db, &e);
    if (!other) _exit(1);
    VariablesWorld o(other.get());
    o.Store("Variable", "%shared", "after");
    o.Store("Variable", "%fresh", "new");
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(w.X("%shared %fresh"), "after new");
  EXPECT_EQ(w.variables.Count(), 2u);
}

}  // namespace
}  // namespace plumo
