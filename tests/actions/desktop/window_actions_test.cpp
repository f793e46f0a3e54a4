#include "actions/desktop/window_actions.h"

#include "actions/desktop/bmp_file.h"
#include "actions/desktop/control_types.h"
#include "actions/desktop/window_activation.h"
#include "engine/waits.h"
#include "desktop_test_support.h"

namespace plumo {
namespace {

constexpr int kWindows = 3;

class WindowActionsTest : public DesktopTest {
 protected:
  // A window action on the window that `data` names by the Which Window options.
  int Act(const std::string& action, const std::string& which, const std::string& data, const std::string& options = "") {
    Step& s = One(action, kWindows, "", which + (options.empty() ? "" : "," + options));
    s.data = data;
    return Exec();
  }
  int Use(const std::string& text, const std::string& options) {
    One("Use Window", kWindows, text, options);
    return Exec();
  }
  size_t Count(const std::string& call) { return static_cast<size_t>(std::count(desktop.calls.begin(), desktop.calls.end(), call)); }
};

TEST(ControlTypes, FromClassAndStyle) {
  const struct {
    const char* cls;
    uint32_t style;
    const char* name;
  } cases[] = {
      {"Static", 0, "Static"},          {"Edit", 0, "Edit"},          {"RichEdit20A", 4, "Multiline Edit"},
      {"SysTreeView32", 0, "Treeview"}, {"SysListView32", 0, "Listview"}, {"ComboBox", 0, "Combo Box"},
      {"ListBox", 0, "Listbox"},        {"ScrollBar", 0, "Scrollbar"},  {"Button", 7, "Static"},
      {"Button", 9, "Radio Button"},    {"Button", 4, "Radio Button"},  {"Button", 3, "Checkbox"},
      {"Button", 2, "Checkbox"},        {"Button", 5, "Checkbox"},      {"Button", 6, "Checkbox"},
      {"Button", 0, "Button"},          {"Button", 0xB, "Button"},      {"Button", 0xF, "Button"},
      {"Notepad", 0, "Unknown Window Type"},
  };
  for (const auto& c : cases) EXPECT_EQ(ControlTypeName(ControlTypeOf(c.cls, c.style)), c.name) << c.cls << " " << c.style;
}

TEST_F(WindowActionsTest, WhichWindowResolvesTheTarget) {
  desktop.Get(win::kCalculator)->className = "PlumoTopmostMessage";
  desktop.SetForegroundWindow(win::kCalculator);
  const struct {
    const char* which;
    const char* data;
    uint32_t current;
    uint32_t want;
  } cases[] = {
      {"Window Title", "Mail", 0, win::kMail},               // exact
      {"Window Title", "notepad", 0, win::kNotepad},         // then partial
      {"Window Handle", "0xC8", 0, win::kMail},
      {"Window Handle", "#c8", 0, win::kMail},
      {"Window Handle", "200", 0, win::kMail},
      {"Most Recent \"Use Window\"", "", win::kMail, win::kMail},
      {"Most Recent \"Use Window\"", "", 9999, win::kCalculator},  // gone: the foreground window
      {"Top Window", "", 0, win::kNotepad},                 // our own message window is passed over
  };
  for (const auto& c : cases) {
    session.currentWindow = c.current;
    One("Get Window Info", kWindows, "", c.which);
    EXPECT_EQ(ResolveWindow(session, 0, 0, c.data), c.want) << c.which << " " << c.data;
  }
  for (const char* bad : {"abc", "0", "123456"}) {
    One("Get Window Info", kWindows, "", "Window Handle");
    EXPECT_EQ(ResolveWindow(session, 0, 0, bad), 0u);
    EXPECT_EQ(Error(), std::string("Unable to find window '") + bad + "'");
  }
}

TEST_F(WindowActionsTest, UseWindowChoosesByEveryMethodAndStoresTheHandle) {
  desktop.SetForegroundWindow(win::kMail);
  desktop.focus = win::kName;
  desktop.cursor = {150, 120};
  const struct {
    const char* options;
    const char* text;
    const char* parent;
    uint32_t want;
  } cases[] = {
      {"Partial Title,First", "Untitled", "", win::kNotepad},
      {"Class + ID", "Edit|1001", "", win::kName},
      {"Class,First", "Button", "200", win::kCheck},
      {"Window at X/Y", "550, 650", "", win::kCalculator},
      {"Window at X/Y", "5000, 5000", "", FakeDesktop::kDesktopWindow},
      {"Child Control at X/Y", "150, 120", "", win::kOk},
      {"Child at Parent-Relative X/Y", "50, 20", "200", win::kOk},
      {"Child Control Below Mouse", "", "", win::kOk},
      {"Window Below Mouse", "", "", win::kMail},
      {"Top Window", "", "", win::kMail},
      {"Window with Focus", "", "", win::kName},
      {"Z-Order", "1", "", win::kNotepad},
  };
  for (const auto& c : cases) {
    Step& s = One("Use Window", kWindows, c.text, c.options);
    s.value5 = c.parent;
    EXPECT_EQ(Exec(), result::kSuccess) << c.options << ": " << Error();
    EXPECT_EQ(session.currentWindow, c.want) << c.options;
    EXPECT_EQ(Out(), std::to_string(c.want)) << c.options;
  }
  // The focus was read through the foreground thread's input, and let go again.
  EXPECT_TRUE(desktop.Has("Attach 99 8"));
  EXPECT_TRUE(desktop.Has("Detach 99 8"));
}

TEST_F(WindowActionsTest, UseWindowFailsWithTheExactMessages) {
  EXPECT_EQ(Use("Nowhere", "Partial Title"), result::kFailure);
  EXPECT_EQ(Error(), "Unable to find window 'Nowhere'");
  EXPECT_EQ(session.currentWindow, 0u);
  EXPECT_EQ(Out(), "0");
  EXPECT_EQ(Use("", "Class"), result::kFailure);
  EXPECT_EQ(Error(), "Missing window information");
  // A picture drawn over the OK button (its control at the picture's top-left corner), and one
  // nowhere on the screen.
  Picture p = *Picture::Allocate(3, 2), absent = *Picture::Allocate(3, 2);
  for (int32_t i = 0; i < 6; ++i) {
    p.Row(i / 3)[i % 3] = 0x102030u * static_cast<uint32_t>(i + 1);
    absent.Row(i / 3)[i % 3] = 0x0F0F0Fu * static_cast<uint32_t>(i + 1);
  }
  files.Put("C:\\p.bmp", WriteBmp(p));
  files.Put("C:\\absent.bmp", WriteBmp(absent));
  desktop.screenPicture = *Picture::Allocate(1024, 768);
  desktop.SetForegroundWindow(win::kMail);  // the mail dialog over Notepad
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) desktop.screenPicture.Row(120 + y)[150 + x] = p.At(x, y);
  EXPECT_EQ(Use("C:\\p.bmp", "Image (Graphic)"), result::kSuccess) << Error();
  EXPECT_EQ(session.currentWindow, win::kOk);
  EXPECT_EQ(Use("C:\\absent.bmp", "Image (Graphic)"), result::kFailure);
  EXPECT_EQ(Error(), "Unable to find window 'C:\\absent.bmp'");
  EXPECT_EQ(Use("C:\\gone.bmp", "Image (Graphic)"), result::kFailure);
  EXPECT_EQ(Error(), "Unable to open file 'C:\\gone.bmp'");

  desktop.Get(win::kCalculator)->title = "Untitled - Notepad";
  settings.WriteNumber("*\\MultipleWindowError", 1);
  EXPECT_EQ(Use("Untitled", "Partial Title"), result::kFailure);
  EXPECT_EQ(Error(), "There are 2 top-level windows that match the search criteria");
  EXPECT_EQ(Use("Button", "Class"), result::kFailure);
  EXPECT_EQ(Error(), "There are 4 child windows that match the search criteria");
  EXPECT_EQ(Use("Untitled", "Partial Title,First"), result::kSuccess);
  StepAt(0).options = "Partial Title";
  StepAt(0).onfail = "Ignore";
  EXPECT_EQ(Exec(), result::kSuccess);
  settings.WriteNumber("*\\MultipleWindowError", 0);
  EXPECT_EQ(Use("Untitled", "Partial Title"), result::kSuccess);
}

TEST_F(WindowActionsTest, ActivatingARadioButtonActivatesItsDialog) {
  EXPECT_EQ(Use("Button|1002", "Class + ID,Activate"), result::kSuccess);
  EXPECT_EQ(session.currentWindow, win::kRadio);
  EXPECT_TRUE(desktop.Has("SetForegroundWindow 200"));
  EXPECT_FALSE(desktop.Has("SetForegroundWindow 205"));
  EXPECT_EQ(desktop.ForegroundWindow(), win::kMail);
  EXPECT_TRUE(session.run.reactivateWindow);
}

TEST_F(WindowActionsTest, ActivationFallsBackAndLogsItsWay) {
  session.forcedLogLevel = 2;
  // Logged only during a run: run the Use Window Step itself.
  desktop.refuseForeground.insert(win::kCalculator);
  Load({MakeStep("Use Window", kWindows, "Calculator")});
  StepAt(0).options = "Exact Title,Activate";
  Run();
  EXPECT_TRUE(OutputHas("    Activate: HWND=300, IsWindow=1, IsWindowVisible=1, IsIconic=0, is_popup=1, is_real_app_window=1, Force=0"));
  EXPECT_TRUE(OutputHas("    Activate: Method=Normal"));
  EXPECT_FALSE(OutputHas("    Activate: Method=Quick Foreground"));
  for (const char* mark : {"[A]", "[2]", "[4]", "[5]", "[9]", "[B]"})
    EXPECT_TRUE(OutputContains(std::string("    TRACE ") + mark + ": ")) << mark;
  EXPECT_TRUE(desktop.Has("Send 300 274 61776 300"));  // WM_SYSCOMMAND, SC_HOTKEY

  desktop.refuseForeground.clear();
  view.OutputClear();
  StepAt(0).options = "Exact Title,Activate";
  Run();
  EXPECT_TRUE(OutputHas("    Activate: Method=Quick Foreground"));

  view.OutputClear();
  Load({MakeStep("Use Window", kWindows, "Edit|1001")});
  StepAt(0).options = "Class + ID,Force";
  desktop.SetForegroundWindow(win::kMail);
  desktop.attachRefused = true;
  desktop.calls.clear();
  Run();
  EXPECT_TRUE(OutputHas("    Activate: Method=Force"));
  EXPECT_TRUE(OutputHas("    Activate: Parent level #1 activation, IsIconic=0"));
  // The foreground thread would not attach to ours: ours attached to it, and let go again.
  EXPECT_TRUE(desktop.Has("Attach 8 99"));
  EXPECT_TRUE(desktop.Has("Attach 99 8"));
  EXPECT_TRUE(desktop.Has("Detach 99 8"));
  EXPECT_FALSE(desktop.Has("Detach 8 99"));
}

TEST_F(WindowActionsTest, SetWindowStyleChangesItsBitsAndAlwaysRefreshes) {
  const struct {
    const char* value;
    uint32_t set, cleared;
  } cases[] = {
      {"Not Resizable", ws::kDlgFrame, ws::kThickFrame},
      {"Resizable", ws::kThickFrame, 0},
      {"caption", ws::kCaption, 0},
      {"Without Maximize Button", 0, ws::kMaximizeBox},
      {"Minimize Button", ws::kMinimizeBox, 0},
      {"Disabled", ws::kDisabled, 0},
      {"Hidden", 0, ws::kVisible},
      {"Visible", ws::kVisible, 0},
      {"Sparkly", 0, 0},  // only the refresh
  };
  for (const auto& c : cases) {
    desktop.calls.clear();
    Step& s = One("Set Window Style", kWindows, "", "Window Handle");
    s.data = "300";
    s.value1 = c.value;
    EXPECT_EQ(Exec(), result::kSuccess);
    const auto style = static_cast<uint32_t>(desktop.WindowLong(win::kCalculator, gwl::kStyle));
    EXPECT_EQ(style & c.set, c.set) << c.value;
    EXPECT_EQ(style & c.cleared, 0u) << c.value;
    EXPECT_EQ(desktop.calls.back(), "SetFocus 300") << c.value;
    EXPECT_TRUE(desktop.Has("SetWindowPos 300 0 0 0 0 0 55")) << c.value;  // frame changed, nothing else
  }
  EXPECT_EQ(Act("Set Window Style", "Window Handle", "300"), result::kSuccess);
  StepAt(0).value1 = "Always on Top";
  Exec();
  EXPECT_EQ(desktop.exStyle[win::kCalculator] & FakeDesktop::kExTopMost, FakeDesktop::kExTopMost);
}

TEST_F(WindowActionsTest, GetTextByEveryRetrievalMethod) {
  desktop.editSelection = (9 << 16) | 4;  // characters 4 to 9
  ASSERT_TRUE(clipboard.SetText("kept").ok());
  const struct {
    uint32_t window;
    const char* options;
    const char* want;
  } cases[] = {
      {win::kName, "", "Ann Smith"},
      {win::kName, "GetWindowText", "Ann Smith"},
      {win::kName, "WM_GETTEXT (interactive)", "Ann Smith"},
      {win::kList, "Control-Specific (all text)", "one\r\ntwo\r\nthree\r\n"},
      {win::kCombo, "Control-Specific (all text)", "apple\r\nbanana\r\n"},
      {win::kName, "Control-Specific (all text)", "Ann Smith"},
      {win::kName, "Control-Specific (selected text)", "Smith"},
      {win::kList, "Control-Specific (selected text)", "three"},
      {win::kCombo, "Control-Specific (selected text)", "banana"},  // no edit text: the chosen item
      {win::kTreeView, "Control-Specific (selected text)", "Leaf B"},
      {win::kListView, "Control-Specific (selected text)", "betagamma"},
      {win::kOk, "Control-Specific (selected text)", "&OK"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Act("Get Text", "Window Handle", std::to_string(c.window), c.options), result::kSuccess);
    EXPECT_EQ(Out(), c.want) << c.window << " " << c.options;
  }
  desktop.Get(win::kCombo)->items.insert(desktop.Get(win::kCombo)->items.begin() + 1, std::string(260, 'x'));
  Act("Get Text", "Window Handle", "207", "Control-Specific (all text)");
  EXPECT_EQ(Out(), "apple\r\nbanana\r\n");  // an item longer than 259 characters is left out
  // Any other control: copied with Ctrl+C through the clipboard, which keeps its text.
  EXPECT_EQ(Act("Get Text", "Window Handle", "210", "Control-Specific (selected text)"), result::kSuccess);
  EXPECT_EQ(clipboard.Text().value_or(""), "kept");
  EXPECT_EQ(desktop.input, (std::vector<std::string>{"down 17 273 x", "down 67 323", "up 67 323", "up 17 273 x"}));
}

TEST_F(WindowActionsTest, AListViewItemThatCannotBeReadKeepsWhatWasRead) {
  session.forcedLogLevel = 2;
  desktop.unreadableItems = {2};
  Load({MakeStep("Get Text", kWindows)});
  StepAt(0).options = "Window Handle,Control-Specific (selected text)";
  StepAt(0).data = "208";
  StepAt(0).output = "Variable";
  StepAt(0).outputValue = "%out";
  Run();
  EXPECT_EQ(Out(), "beta");
  EXPECT_TRUE(OutputHas("    ListView Total Items: 3, Selected Items: 2"));
  EXPECT_TRUE(OutputHas("    Retrieving selected ListView item #2"));
  EXPECT_TRUE(OutputHas("    FAILURE during listview read item!"));
}

TEST_F(WindowActionsTest, SetTextFillsListsAndSetsOtherTextsExactly) {
  vars.Set("colour", "red");
  Step& s = One("Set Text", kWindows, "%colour;green;blue;;ignored", "Window Handle");
  s.data = "206";
  EXPECT_EQ(Exec(), result::kSuccess);
  EXPECT_EQ(desktop.Get(win::kList)->items,
            (std::vector<std::string>{"one", "two", "three", "red", "green", "blue"}));
  s.data = "204";
  s.text = "red;green;blue";
  EXPECT_EQ(Exec(), result::kSuccess);
  EXPECT_EQ(desktop.Get(win::kName)->title, "red;green;blue");
  s.options = "Window Handle,No Variable Expansion";
  s.text = "%colour";
  Exec();
  EXPECT_EQ(desktop.Get(win::kName)->title, "%colour");
}

TEST_F(WindowActionsTest, GetWindowInfoAnswersEveryRow) {
  processes.paths[80] = "C:\\Tools\\a.exe";
  desktop.Get(win::kCheck)->check = 2;
  const struct {
    uint32_t window;
    const char* info;
    const char* want;
  } cases[] = {
      {win::kMail, "Width", "400"},        {win::kMail, "Height", "300"},
      {win::kMail, "Left Coordinate", "100"}, {win::kMail, "Right Coordinate", "500"},
      {win::kMail, "Bottom Coordinate", "400"}, {win::kMail, "Top Coordinate", "100"},
      {win::kMail, "Style Value", "268697600"}, {win::kMail, "Is Visible", "1"},
      {win::kMail, "Is Minimized", "0"},   {win::kMail, "Is Maximized", "0"},
      {win::kCheck, "Is Checked", "2"},    {win::kMail, "Is Enabled", "1"},
      {win::kName, "Control ID", "1001"},  {win::kMail, "Window Class", "AfxFrame42"},
      {win::kRadio, "Control Type", "Radio Button"}, {win::kList, "Text", "one\r\ntwo\r\nthree\r\n"},
      {win::kMail, "Process EXE", "C:\\Tools\\a.exe"}, {win::kMail, "Process EXE Path", "C:\\Tools\\"},
      {win::kMail, "Process EXE Base", "a.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Act("Get Window Info", "Window Handle", std::to_string(c.window), c.info), result::kSuccess) << c.info;
    EXPECT_EQ(Out(), c.want) << c.info;
  }
  EXPECT_EQ(Act("Get Window Info", "Window Handle", "100", "Process EXE"), result::kFailure);  // unreadable
  EXPECT_EQ(Act("Get Window Info", "Window Handle", "100", "Colour"), result::kFailure);
}

TEST_F(WindowActionsTest, MoveResizeAndShowStates) {
  Step& s = One("Resize", kWindows, "", "Window Handle");
  s.data = "300";
  s.value1 = "0";
  s.value2 = "150";
  EXPECT_EQ(Exec(), result::kSuccess);
  EXPECT_EQ(desktop.Get(win::kCalculator)->rect, (WindowRect{300, 300, 600, 450}));  // the width kept
  s.action = "Move Window";
  s.value1 = "10";
  s.value2 = "20";
  Exec();
  EXPECT_EQ(desktop.Get(win::kCalculator)->rect, (WindowRect{10, 20, 310, 170}));
  for (const char* action : {"Minimize", "Maximize", "Restore"}) {
    s.action = action;
    EXPECT_EQ(Exec(), result::kSuccess) << action;
  }
  EXPECT_TRUE(desktop.Has("ShowWindow 300 6"));
  EXPECT_TRUE(desktop.Has("ShowWindow 300 3"));
  EXPECT_TRUE(desktop.Has("ShowWindow 300 9"));
  EXPECT_FALSE(desktop.IsIconic(win::kCalculator) || desktop.IsZoomed(win::kCalculator));
  EXPECT_TRUE(session.run.reactivateWindow);  // set by Maximize
  s.action = "Window Dance";
  s.data = "Calculator";
  s.options = "Window Title";
  EXPECT_EQ(Exec(), result::kFailure);
  EXPECT_EQ(Error(), "Window 'Calculator' found, but invalid action specified");
}

TEST_F(WindowActionsTest, CloseEndsTheProgramOfAWindowThatAsksAndStopsAfterEachWindowOnce) {
  desktop.Get(win::kNotepad)->asksOnClose = true;
  Step& s = One("Close Window", kWindows, "", "Window Handle");
  s.data = "100";
  s.timeout = "2";
  EXPECT_EQ(Exec(), result::kSuccess);
  EXPECT_EQ(desktop.waitedMs, 2000u);                                   // the time-out given
  EXPECT_EQ(processes.terminated, std::vector<uint32_t>{70});          // then its process ends
  // The window stays in the fake: every further way is tried, Alt+F4 last.
  EXPECT_TRUE(desktop.Has("Post 100 16 0 0"));
  EXPECT_TRUE(desktop.Has("DestroyWindow 100"));
  EXPECT_EQ(desktop.input.back(), "up 18 274");

  // Every window of the title closes; one that survives every close is closed once, not for ever.
  for (uint32_t w : {win::kCalculator, win::kHandle6699}) desktop.Get(w)->title = "Untitled - Notepad";
  desktop.Get(win::kNotepad)->asksOnClose = false;
  s.options = "Window Title,Close All if Multiple";
  s.data = "Untitled";
  s.timeout = "0";
  EXPECT_EQ(Exec(), result::kSuccess);
  for (uint32_t w : {win::kNotepad, win::kCalculator, win::kHandle6699}) EXPECT_FALSE(desktop.IsWindow(w)) << w;
  desktop.Get(win::kMail)->asksOnClose = true;
  processes.terminated.clear();
  s.data = "Mail";
  EXPECT_EQ(Exec(), result::kSuccess);
  EXPECT_EQ(processes.terminated, std::vector<uint32_t>{80});

  // Our own process is never ended.
  desktop.Get(win::kMail)->process = FakeProcesses::kThisProcess;
  processes.terminated.clear();
  s.options = "Window Handle";
  s.data = "200";
  Exec();
  EXPECT_TRUE(processes.terminated.empty());
}

TEST_F(WindowActionsTest, PressAndChildActionsReachTheControl) {
  Step& s = One("Child Control Action", kWindows, "", "Window Handle,Check");
  s.data = "211";
  EXPECT_EQ(Exec(), result::kSuccess);
  EXPECT_EQ(desktop.Get(win::kCheck)->check, 1);
  s.options = "Window Handle,Uncheck";
  Exec();
  EXPECT_EQ(desktop.Get(win::kCheck)->check, 0);
  s.options = "Window Handle,Set Focus";
  Exec();
  EXPECT_TRUE(desktop.Has("Post 211 7 0 0"));

  desktop.input.clear();
  s.action = "Press";
  s.options = "Window Handle";
  s.data = "201";
  EXPECT_EQ(Exec(), result::kSuccess);
  // A glide of 20 moves to the centre, then the click there.
  ASSERT_EQ(desktop.input.size(), 24u);
  EXPECT_EQ(desktop.input[20], "cursor 150 122");
  EXPECT_EQ(desktop.input[21], "cursor 150 122");
  EXPECT_EQ(desktop.input[22], "button 2 150 122 0");
  EXPECT_EQ(desktop.input[23], "button 4 150 122 0");

  // A label hands the click to the next control that takes input: an edit gets its text selected.
  desktop.input.clear();
  s.action = "Child Control Action";
  s.options = "Window Handle,Press";
  s.data = "203";
  Exec();
  EXPECT_EQ(desktop.input, std::vector<std::string>{"cursor 210 162"});
  EXPECT_TRUE(desktop.Has("Send 204 177 0 -1"));  // EM_SETSEL all
}

TEST_F(WindowActionsTest, WithoutADesktopEveryWindowActionSaysSo) {
  HeadlessDesktop none;
  Session headless(SessionPorts{clock, environment, queue, dialogs, none, processes, system, threads, settings, locale,
                                files, registry, clipboard});
  RegisterWaits(headless);
  RegisterDesktopActions(headless);
  Script script;
  script.steps = {MakeStep("Use Window", kWindows, "Notepad"), MakeStep("Select Menu Item", 5, "File;Open"),
                  MakeStep("Send Command", 2, "101"), MakeStep("Type", 4, "abc"), MakeStep("Mouse Click", 6, "1, 2"),
                  MakeStep("Wait for Keypress", 7, ""), MakeStep("Wait for Typed Text", 7, "x"),
                  MakeStep("Wait for Screen Saver", 7, "")};
  headless.scripts.Open(std::move(script));
  for (int i = 0; i < static_cast<int>(headless.scripts.At(0)->steps.size()); ++i) {
    const Step& step = headless.scripts.At(0)->steps[static_cast<size_t>(i)];
    EXPECT_EQ((*headless.executors.Find(step.category, step.action.str()))(headless, 0, i, false), result::kFailure);
    EXPECT_EQ(headless.run.errorText, "\"" + step.action.str() + "\" needs a desktop session");
  }
}

}  // namespace
}  // namespace plumo
