// Programs and DLL calls on Windows, seen by the programs and functions themselves.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "actions/programs/dll_call.h"
#include "platform/win32/win32_libraries.h"
#include "platform/win32/win32_processes.h"
#include "programs_test_support.h"

namespace plumo {

std::unique_ptr<Libraries> NativeLibraries() { return std::make_unique<Win32Libraries>(); }

namespace {

TEST(Win32Programs, StartedProgramsEndWithTheirCodesOrAreEnded) {
  Win32Processes processes;
  OsError error;
  auto ends = processes.Start("cmd.exe /c exit 7", "", true, &error);
  ASSERT_TRUE(ends) << error.ToString();
  EXPECT_EQ(ends->WaitForExit(30000), 7u);

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  auto writes = processes.Start("cmd.exe /c cd > plumo_programs_cd.txt", temp, true, &error);
  ASSERT_TRUE(writes) << error.ToString();
  EXPECT_EQ(writes->WaitForExit(30000), 0u);
  std::ifstream in(std::string(temp) + "plumo_programs_cd.txt");
  std::string where;
  std::getline(in, where);
  EXPECT_NE(where.find(std::string(temp).substr(0, std::string(temp).size() - 1)), std::string::npos) << where;

  auto hangs = processes.Start("notepad.exe", "", true, &error);
  ASSERT_TRUE(hangs) << error.ToString();
  EXPECT_EQ(hangs->WaitForExit(100), std::nullopt);
  EXPECT_TRUE(hangs->Terminate(42).ok());
  EXPECT_EQ(hangs->WaitForExit(10000), 42u);

  EXPECT_FALSE(processes.Start("\"no such program.exe\"", "", false, &error));
  EXPECT_FALSE(processes.FindOnPath("cmd").empty());
}

class Win32DllTest : public ProgramsTest {
 protected:
  DllCallOutcome Call(const std::string& text) {
    DllArgumentHost host;
    host.variable = [](std::string_view) { return std::string(); };
    host.expand = host.evaluate = host.constant = [](std::string_view t) { return std::string(t); };
    return CallDllFunction(session, libraries, "", ParseDllCall(text, host));
  }
  Win32Libraries libraries;
};

TEST_F(Win32DllTest, SystemFunctionsAnswerAsTheyDoForThemselves) {
  EXPECT_EQ(Call("GetSystemMetrics( 0 )").value, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(Call("lstrlen( \"abc\" )").value, 3);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(Call("GetCursorPos()").resultText, std::to_string(p.x) + "," + std::to_string(p.y));
  const DllCallOutcome out = Call("GetWindowsDirectory( \"\", 260 )");
  char folder[MAX_PATH];
  GetWindowsDirectoryA(folder, MAX_PATH);
  ASSERT_EQ(out.after.size(), 2u);
  EXPECT_EQ(out.after[0], folder);  // found as GetWindowsDirectoryA, filled the text's buffer
}

// A function that handles its own faults answers; the guard of the call stays out of its way.
TEST_F(Win32DllTest, AFunctionProbingAddressesKeepsItsOwnFaults) {
  const DllCallOutcome out = Call("IsBadReadPtr( 16, 4 )");
  ASSERT_TRUE(out.called) << out.error;
  EXPECT_EQ(out.value, 1);
}

}  // namespace
}  // namespace plumo
