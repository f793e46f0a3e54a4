#include "actions/programs/dll_call.h"
#include "actions/programs/process_search.h"
#include "actions/programs/run_program.h"
#include "programs_test_support.h"

namespace plumo {
namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class RunProgramTest : public ProgramsTest {
 protected:
  int Start(const std::string& command, int64_t waitMs = 0, bool hidden = false) {
    int code = 0;
    queue.Post([&] {
      code = RunProgram(session, RunRequest{command, hidden, waitMs, true});
      queue.Quit(0);
    });
    queue.Run();
    return code;
  }
};

TEST_F(RunProgramTest, TriesEveryWayInItsOrderWhenNothingStarts) {
  registry.WriteValue(RegRoot::kClassesRoot, ".txt", "", RegValue::Text("txtfile")).ok();
  registry.WriteValue(RegRoot::kClassesRoot, "txtfile\\shell\\open\\command", "", RegValue::Text("\"C:\\ed.exe\" %1")).ok();
  EXPECT_EQ(Start("my tool.exe readme.txt"), runresult::kNotStarted);
  const std::vector<std::string> order = {
      "start:\"my tool.exe readme.txt\"|",          // A
      "search:my tool.exe",                          // B
      "start:\"C:\\ed.exe\" \"my tool.exe readme.txt\"|",  // C
      "shell:my tool.exe readme.txt|",               // D
      "shell:my|tool.exe readme.txt",                // E
      "shell:my.EXE|tool.exe readme.txt",
  };
  EXPECT_EQ(processes.attempts, order);  // F only without ".exe"
  EXPECT_TRUE(OutputHas("    Unable to start [my tool.exe readme.txt] with any method"));

  processes.attempts.clear();
  EXPECT_EQ(Start("report"), runresult::kNotStarted);
  const std::vector<std::string> bare = {"start:\"report\"|", "shell:report|", "shell:report|", "shell:report.EXE|",
                                         "assoc:report"};
  EXPECT_EQ(processes.attempts, bare);
}

TEST_F(RunProgramTest, AHugeCommandFailsWithAShortLogLine) {
  const std::string huge(100 * 1024, 'x');
  EXPECT_EQ(Start(huge), runresult::kNotStarted);
  EXPECT_TRUE(OutputHas("    Unable to start [" + huge.substr(0, 121) + "...] with any method"));
}

TEST_F(RunProgramTest, TheFirstWayThatStartsWins) {
  registry.WriteValue(RegRoot::kClassesRoot, ".txt", "", RegValue::Text("txtfile")).ok();
  registry.WriteValue(RegRoot::kClassesRoot, "txtfile\\shell\\open\\command", "", RegValue::Text("notepad.exe %1")).ok();
  processes.programs["\"C:\\bin\\notepad\""] = 0;
  processes.programs["\"C:\\Tools\\app.exe\" -x"] = 0;
  processes.onPath["app.exe"] = "C:\\Tools\\app.exe";
  processes.programs["\"notepad.exe\" \"readme.txt\""] = 0;
  processes.shellOpens.insert("http://example.org");
  processes.associations["letter.doc"] = "C:\\Word\\word.exe";
  processes.programs["\"C:\\Word\\word.exe\" \"letter.doc\""] = 0;
  struct {
    const char *command, *last;
  } cases[] = {
      {"C:\\bin\\notepad", "start:\"C:\\bin\\notepad\"|C:\\bin"},
      {"app.exe -x", "start:\"C:\\Tools\\app.exe\" -x|"},
      {"readme.txt", "start:\"notepad.exe\" \"readme.txt\"|"},
      {"http://example.org", "shell:http://example.org|"},
      {"letter.doc", "start:\"C:\\Word\\word.exe\" \"letter.doc\"|"},
  };
  for (auto c : cases) {
    processes.attempts.clear();
    EXPECT_EQ(Start(c.command), runresult::kStarted) << c.command;
    EXPECT_EQ(processes.attempts.back(), c.last) << c.command;
  }
}

TEST_F(RunProgramTest, WaitsForTheExitCodeOrGivesUp) {
  processes.programs["\"ends\""] = 7;
  processes.programs["\"never\""] = std::nullopt;
  EXPECT_EQ(Start("ends", -1), 7);
  EXPECT_EQ(Start("ends", 0), runresult::kStarted);
  EXPECT_EQ(Start("never", 1000, true), runresult::kStillRunning);
  EXPECT_TRUE(processes.lastHidden);
  EXPECT_TRUE(processes.terminated.empty());  // a time-out leaves the program running
}

TEST_F(ProgramsTest, ProcessSearchFindsEndsAndCounts) {
  processes.running = {{10, "System"}, {20, "notepad.exe"}, {30, "NOTEPAD.EXE"}};
  std::string list;
  EXPECT_EQ(SearchProcesses(session, "C:\\Windows\\Notepad.exe", ProcessSearch::kFind, &list, 4096), 20);
  EXPECT_EQ(list, "System|10\n");
  EXPECT_EQ(SearchProcesses(session, "30", ProcessSearch::kFind), 30);
  EXPECT_EQ(SearchProcesses(session, "calc.exe", ProcessSearch::kCount, &list, 4096), 3);
  EXPECT_EQ(list, "System|10\nnotepad.exe|20\nNOTEPAD.EXE|30\n");
  EXPECT_EQ(SearchProcesses(session, "calc.exe", ProcessSearch::kCount, &list, 17), 3);
  EXPECT_EQ(list, "");  // a line goes in only with 8 bytes to spare
  EXPECT_EQ(SearchProcesses(session, "calc.exe", ProcessSearch::kFind), 0);
  EXPECT_NE(SearchProcesses(session, "notepad.exe", ProcessSearch::kEnd), 0);
  EXPECT_EQ(processes.terminated, std::vector<uint32_t>{20});
}

TEST_F(ProgramsTest, KillEndsTheNamedProcessOrSaysItIsNotThere) {
  processes.running = {{20, "notepad.exe"}, {31, "calc.exe"}};
  EXPECT_EQ(RunStep("Kill Process", "31"), ran::kSucceeded);
  EXPECT_EQ(processes.terminated, std::vector<uint32_t>{31});
  EXPECT_EQ(RunStep("Kill Process", "nothere.exe"), ran::kFailed);
  EXPECT_TRUE(OutputContains("Unable to find process 'nothere.exe'"));
  EXPECT_EQ(RunStep("Start", ""), ran::kFailed);
  EXPECT_TRUE(OutputContains("No program name or command line provided"));
}

TEST_F(ProgramsTest, StartWaitsAndStoresTheExitCodeOrTimesOut) {
  processes.programs["\"tool\""] = 3;
  processes.programs["\"hang\""] = std::nullopt;
  EXPECT_EQ(RunStep("MS-DOS Command", "tool", "Wait For Exit"), ran::kSucceeded);
  EXPECT_EQ(vars.Get("out"), "3");
  EXPECT_EQ(RunStep("Start", "hang", "Wait For Exit", "", "2"), ran::kFailed);
  EXPECT_TRUE(OutputContains("Program still running after timeout limit of 2 seconds"));
  EXPECT_EQ(RunStep("Start", "nothing at all"), ran::kFailed);
}

TEST_F(ProgramsTest, SingleActivatesTheRunningProgramInsteadOfStartingIt) {
  processes.running = {{20, "notepad.exe"}};
  EXPECT_EQ(RunStep("Start", "notepad", "Single"), ran::kSucceeded);
  EXPECT_TRUE(processes.attempts.empty());
  EXPECT_TRUE(OutputHas("    Found existing program already running - Activating [notepad]"));
}

TEST_F(ProgramsTest, CallScriptRunsASecondRunnerAndRefusesItself) {
  files.Put("C:\\Scripts\\other.vxm", "<step><text>a</text></step>\n<step><text>Here</text></step>\n");
  const std::string runner = "\"C:\\Program Files\\Plumo\\Plumo.exe\" -r \"C:\\Scripts\\other.vxm\"";
  processes.programs[runner + " -s 2 %who=me"] = 5;
  processes.programs[runner + " -s 4"] = 0;
  EXPECT_EQ(RunStep("Call Script", "other.vxm %who=me", "Wait For Exit", "Here"), ran::kSucceeded);
  EXPECT_EQ(vars.Get("out"), "5");
  EXPECT_TRUE(OutputHas("    Translated run buffer: [" + runner + " -s 2 %who=me]"));
  EXPECT_EQ(RunStep("Call Script", "C:\\Scripts\\other.vxm", "", "4"), ran::kSucceeded);
  EXPECT_EQ(RunStep("Call Script", "c:\\scripts\\TEST.vxm"), ran::kFailed);
  EXPECT_TRUE(OutputContains("A script cannot call itself (it would cause an endless loop)"));
  EXPECT_EQ(RunStep("Call Script", "other.vxm", "", "Nowhere"), ran::kFailed);
}

TEST_F(ProgramsTest, AutoRunAddsListsAndRemovesStartUpEntries) {
  registry.WriteValue(RegRoot::kLocalMachine, kRunKey, "Agent", RegValue::Text("C:\\agent.exe")).ok();
  EXPECT_EQ(RunStep("Manage AutoRuns", "\"C:\\My Tools\\sync.exe\" /quiet", "Add"), ran::kSucceeded);
  RegValue value;
  ASSERT_TRUE(registry.ReadValue(RegRoot::kCurrentUser, kRunKey, "sync", &value).ok());
  EXPECT_EQ(value.AsText(), "\"C:\\My Tools\\sync.exe\" /quiet");
  EXPECT_EQ(RunStep("Manage AutoRuns", "", "List"), ran::kSucceeded);
  EXPECT_EQ(vars.Get("out"), "sync=\"C:\\My Tools\\sync.exe\" /quiet\r\nAgent=C:\\agent.exe\r\n");
  EXPECT_EQ(RunStep("Manage AutoRuns", "agent", "Remove"), ran::kSucceeded);
  EXPECT_FALSE(registry.ReadValue(RegRoot::kLocalMachine, kRunKey, "Agent", &value).ok());
  EXPECT_EQ(RunStep("Manage AutoRuns", "agent", "Remove"), ran::kFailed);
  EXPECT_EQ(RunStep("Manage AutoRuns", "", "Remove,All"), ran::kSucceeded);
  EXPECT_FALSE(registry.ReadValue(RegRoot::kCurrentUser, kRunKey, "sync", &value).ok());
}

TEST_F(ProgramsTest, ServicesAndControlPanelPagesGoToTheSystem) {
  EXPECT_EQ(RunStep("Start Service", "Spooler"), ran::kSucceeded);
  EXPECT_EQ(RunStep("Service Startup Type", "Spooler", "", "Disabled"), ran::kSucceeded);
  const std::vector<std::pair<std::string, ServiceRequest>> asked = {{"Spooler", ServiceRequest::kStart},
                                                                     {"Spooler", ServiceRequest::kDisabled}};
  EXPECT_EQ(processes.services, asked);
  EXPECT_EQ(RunStep("Service Startup Type", "Spooler", "", "Sometimes"), ran::kFailed);
  processes.serviceError = OsError("OpenServiceA", 1060, "The specified service does not exist as an installed service.");
  EXPECT_EQ(RunStep("Stop Service", "Nope"), ran::kFailed);
  EXPECT_TRUE(OutputContains("The specified service does not exist as an installed service."));

  processes.onPath["rundll32.exe"] = "C:\\WINDOWS\\system32\\rundll32.exe";
  processes.programs["\"C:\\WINDOWS\\system32\\rundll32.exe\" Shell32.dll Control_RunDLLA main.cpl @0"] = 0;
  EXPECT_EQ(RunStep("Control Panel App", "Mouse"), ran::kSucceeded);
}

TEST_F(ProgramsTest, SendCommandPostsToTheCurrentWindow) {
  desktop.SetWindows({FakeDesktop::Window{5, "Editor"}});
  session.currentWindow = 5;
  EXPECT_EQ(RunStep("Send Command", "70001"), ran::kSucceeded);
  EXPECT_EQ(desktop.calls.back(), "Post 5 273 " + std::to_string(70001 & 0xFFFF) + " 0");
}

TEST_F(ProgramsTest, DllFunctionsAreFoundInTheirOrderWithTheirSuffixes) {
  fakeLibraries.exports["USER32.DLL"] = {"MessageBoxA"};
  fakeLibraries.exports["KERNEL32.DLL"] = {"GetTickCount"};
  fakeLibraries.exports["C:\\WINDOWS\\system32\\mine.dll"] = {"DoExA"};
  const DllArgumentHost host = {};
  DllCallOutcome out = CallDllFunction(session, fakeLibraries, "D:\\x\\mine.dll", ParseDllCall("Do()", host));
  ASSERT_TRUE(out.called) << out.error;
  EXPECT_EQ(fakeLibraries.called, "DoExA");
  const std::vector<std::string> loads = {"D:\\x\\mine.dll", "mine.dll", "C:\\WINDOWS\\mine.dll",
                                          "C:\\WINDOWS\\system32\\mine.dll"};
  EXPECT_EQ(fakeLibraries.loads, loads);
  EXPECT_TRUE(CallDllFunction(session, fakeLibraries, "", ParseDllCall("GetTickCount()", host)).called);
  EXPECT_EQ(CallDllFunction(session, fakeLibraries, "", ParseDllCall("Nothing()", host)).error,
            "The function call \"Nothing\" could not be located");
  DllCallCache cache;  // libraries that stay loaded are looked in once
  EXPECT_TRUE(CallDllFunction(session, fakeLibraries, "", ParseDllCall("MessageBox()", host), &cache).called);
  fakeLibraries.loads.clear();
  EXPECT_EQ(CallDllFunction(session, fakeLibraries, "", ParseDllCall("MessageBox()", host), &cache).value, 0);
  EXPECT_EQ(fakeLibraries.called, "MessageBoxA");
  EXPECT_TRUE(fakeLibraries.loads.empty());
}

TEST_F(ProgramsTest, DllCallsWriteTheirResultsAndArgumentsBack) {
  fakeLibraries.exports["USER32.DLL"] = {"MessageBoxA"};
  fakeLibraries.answer = 0xFFFFFFFF00000006ull;  // the high half of the register is not the function's
  vars.Set("caption", "Hi");
  EXPECT_EQ(RunStep("Call DLL Function", "MessageBox( 0, %caption, \"T\", 4 )"), ran::kSucceeded);
  EXPECT_EQ(vars.Get("out"), "6");
  EXPECT_EQ(vars.Get("caption"), "Hi");
  EXPECT_EQ(vars.Get("parameter2"), "Hi");
  EXPECT_EQ(vars.Get("parameter4"), "4");
  EXPECT_EQ(RunStep("Windows API", "%r = MessageBox( 0, \"a\", \"b\", 0 )"), ran::kSucceeded);
  EXPECT_EQ(vars.Get("r"), "6");
  EXPECT_EQ(RunStep("Call DLL Function", "MessageBox(1,2,3,4,5,6,7,8,9,10,11)"), ran::kFailed);
  EXPECT_TRUE(OutputContains("Parameter count incorrect (11)"));
}

}  // namespace
}  // namespace plumo
