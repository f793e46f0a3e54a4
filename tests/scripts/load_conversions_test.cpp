#include "scripts/load_conversions.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

Step StepNamed(std::string_view action, std::string_view options = "") {
  Step s;
  s.action = action;
  s.options = options;
  return s;
}

TEST(OldActionNames, EveryOldNameEndsAtItsCurrentName) {
  // Rows apply one after the other, so some names pass through several.
  struct Case {
    const char* old;
    const char* now;
    const char* options;
    const char* value1;
  } cases[] = {
      {"Press Button/Control", "Child Control Action", "Press", ""},
      {"Old Press Button/Control Step", "Child Control Action", "Press", ""},
      {"Custom Message Box", "Custom Message", "", ""},
      {"Math Calculation", "Math Functions", "", ""},
      {"Send Email: \"mailto\"", "Send Email: mailto", "", ""},
      {"Exit Brenhold", "Exit Plumo Studio", "", ""},
      {"Wait for Window to Appear", "Wait for Window", "", "Open"},
      {"Wait for Window to Disappear", "Wait for Window", "", "Close"},
      {"Wait for Mouse Click", "Wait for Mouse", "Click", ""},
      {"Wait for Mouse Movement", "Wait for Mouse", "Move", ""},
      {"Wait for Image to Appear", "Wait for Image", "", ""},
      {"Activate Window", "Use Window", "", ""},
      {"Wait for File/Folder", "Wait for File", "", ""},
      {"IF String", "IF Text", "", ""},
      {"Clock Ticks to String", "Clock Ticks to Text", "", ""},
      {"Left String", "Left Text String", "", ""},
      {"Right String", "Right Text String", "", ""},
      {"Mid String", "Mid String", "", ""},  // to "Mid Text String", and back by a later row
      {"IF Process Exists", "IF Process is Running", "", ""},
      {"Save Web Page Text to File", "Get Web Page Text", "", ""},
      {"Control Panel: System", "Control Panel", "", ""},
      {"Control Panel: System Info", "Control Panel: System Info", "", ""},
      {"Create/Set Variable", "Set Variable", "", ""},
      {"Uppercase", "Change Case", "Upper", ""},
      {"Lowercase", "Change Case", "Lower", ""},
      {"Buffered Virtual Keys", "Type", "Event Messages", ""},
      {"Left Button Click", "Mouse Click", "Left,Down+Up", ""},
      {"Right Button Click", "Mouse Click", "Right,Down+Up", ""},
      {"Left Button Double-Click", "Mouse Click", "Left,Double-Click", ""},
      {"Left Button Down + Hold", "Mouse Click", "Left,Down", ""},
      {"Left Button Up", "Mouse Click", "Left,Up", ""},
      {"Mouse Wheel Up", "Mouse Click", "Wheel Scroll,Up", ""},
      {"Mouse Wheel Down", "Mouse Click", "Wheel Scroll,Down", ""},
      {"Move Relative", "Move", "", ""},
      {"IF Pixel Color", "IF Pixel Equals", "", ""},
      {"Divide File", "Split File", "", ""},
      {"Win32 API", "Windows API", "", ""},
      {"WinAPI", "Windows API", "", ""},
      {"Post WM_COMMAND", "Send Command", "", ""},
      {"Choose from a List", "Select from List", "", ""},
      {"Choose a File", "Select File", "", ""},
      {"Choose a Folder", "Select Folder", "", ""},
      {"Choose a Drive", "Select Drive", "", ""},
      {"Choose Date", "Select Date", "", ""},
      {"Get Sub Text", "Get Sub String", "", ""},  // by way of "Extract Sub Data"
      {"Sort", "Sort", "", ""},                    // "Sort Data", then back
      {"Binary Function", "Binary Data", "", ""},
      {"Video Display Mode", "Change Display Settings", "", ""},
      {"Format Cell", "Set Cell Format", "", ""},
      {"Extract Sub Data", "Get Sub String", "", ""},
      {"Count Sub String", "Count Items", "", ""},
      {"Sort Text", "Sort", "", ""},
      {"Mid Text String", "Mid String", "", ""},
      {"Sort Data", "Sort", "", ""},
      {"Replace Text", "Replace", "", ""},
      {"Replace String", "Replace", "", ""},
      {"Insert Text", "Insert", "", ""},
      {"Insert String", "Insert", "", ""},
      {"Find String", "Find", "", ""},
      {"Count String", "Count Items", "", ""},
      {"Window Image Capture", "Image Capture", "", ""},
      {"Screen Image Capture", "Image Capture", "", ""},
      {"IF Connected to Internet", "IF Internet", "Connected", ""},
      {"if connected to internet", "IF Internet", "Connected", ""},
      {"Type", "Type", "", ""},
  };
  for (const auto& c : cases) {
    Step s = StepNamed(c.old);
    ConvertOldActionName(s, {});
    EXPECT_EQ(s.action, c.now) << c.old;
    EXPECT_EQ(s.options, c.options) << c.old;
    EXPECT_EQ(s.value1, c.value1) << c.old;
  }
  // Every row of the table is covered above, by its old name.
  for (const OldActionName& row : kOldActionNames) {
    bool covered = false;
    for (const auto& c : cases) covered |= EqualsNoCase(c.old, row.oldName) || ContainsNoCase(c.old, row.oldName);
    EXPECT_TRUE(covered) << row.oldName;
  }
}

TEST(OldActionNames, AddedOptionsFollowExistingOnesAfterAComma) {
  Step s = StepNamed("Uppercase", "Trim");
  ConvertOldActionName(s, {});
  EXPECT_EQ(s.options, "Trim,Upper");
}

TEST(OldActionNames, WaitForFileOrFolderAsksWhetherTheTextNamesAFolder) {
  std::string asked;
  Step s = StepNamed("Wait for File/Folder");
  s.text = "%dir%";
  ConvertOldActionName(s, [&](const std::string& text) {
    asked = text;
    return true;
  });
  EXPECT_EQ(s.action, "Wait for Folder");
  EXPECT_EQ(asked, "%dir%");
  s.action = "Wait for File/Folder";
  ConvertOldActionName(s, [](const std::string&) { return false; });
  EXPECT_EQ(s.action, "Wait for File");
  s.action = "Wait for File/Folder";
  ConvertOldActionName(s, {});
  EXPECT_EQ(s.action, "Wait for File");
}

TEST(CategoryOverrides, FillTheCatalogueGapsForTextFunctions) {
  struct Case {
    const char* action;
    int32_t category, image, primaryField;
    uint8_t hasOutput;
  } cases[] = {
      {"Change Case", 12, 181, 1, 1},  {"Trim", 12, 181, 1, 1},        {"Contains", 12, 181, 1, 0},
      {"Pad Text", 12, 181, 1, 1},     {"Find Text", 12, 181, 1, 1},   {"Left Text String", 12, 181, 1, 1},
      {"Right Text String", 12, 181, 1, 1}, {"Format Number", 12, 182, 1, 1}, {"Random Number", 12, 182, 1, 1},
      {"Number to Words", 12, 182, 1, 1}, {"Date Add", 12, 178, 5, 1},  {"Date Difference", 12, 178, 5, 1},
      {"Time Add", 12, 178, 5, 1},     {"Time Difference", 12, 178, 5, 1}, {"Clock Ticks to Text", 12, 178, 5, 1},
      {"Get Weekday", 12, 178, 5, 1},  {"Run BASIC Script", 16, 7, 5, 0}, {"Get Computer Information", 15, 7, 5, 0},
      {"Type", 4, 7, 5, 0},
  };
  for (const auto& c : cases) {
    Step s = StepNamed(c.action);
    s.category = 4;
    s.image = 7;
    s.primaryField = 5;
    ApplyCategoryOverrides(s);
    EXPECT_EQ(s.category, c.category) << c.action;
    EXPECT_EQ(s.image, c.image) << c.action;
    EXPECT_EQ(s.primaryField, c.primaryField) << c.action;
    EXPECT_EQ(s.hasOutput, c.hasOutput) << c.action;
  }
}

struct OptionCase {
  const char* action;
  const char* options;
  const char* value1;
  const char* text;
  const char* wantAction;
  const char* wantOptions;
  const char* wantValue1;
  const char* wantText;
  int32_t wantImage;  // 0: unchanged
};

TEST(OptionConversions, BringOlderWordsUpToDate) {
  const OptionCase cases[] = {
      {"IF Text", "Contains Any", "", "", "IF Text", "Contains Any Characters from List", "", "", 0},
      {"IF Text", "Contains Only", "", "", "IF Text", "Contains Only Characters from List", "", "", 0},
      {"IF Text", "Contains Any Characters from List", "", "", "IF Text", "Contains Any Characters from List", "", "", 0},
      {"Type", "Normal Mode", "", "", "Type", "Let Plumo decide", "", "", 0},
      {"Type", "Always use ASCII codes", "", "", "Type", "Simulated Keypress (ASCII)", "", "", 0},
      {"Type", "Always use ANSI codes", "", "", "Type", "Simulated Keypress (ANSI)", "", "", 0},
      {"Type", "Never use any codes", "", "", "Type", "Simulated Keypress (OEM 7-bit)", "", "", 0},
      {"Type", "Use ANSI mode", "", "", "Type", "Simulated Keypress (ANSI)", "", "", 0},
      {"Mouse Click", "Left", "100,200,Snap to Position", "", "Mouse Click", "Left,Snap to Position", "100,200", "", 0},
      {"Mouse Click", "", "Snap to Position", "", "Mouse Click", "Snap to Position", "", "", 0},
      {"Wait for Window", "", "Disappear", "", "Wait for Window", "", "Close", "", 0},
      {"Wait for Window", "", "Appear", "", "Wait for Window", "", "Open", "", 0},
      {"Execute SQL Query", "ColumnsNames", "", "", "Execute SQL Query", "ColumnNames", "", "", 0},
      {"Chop", "Chop Everything After", "", "", "Chop", "Chop After and Including", "", "", 0},
      {"Chop", "Chop Everything Before", "", "", "Chop", "Chop Before", "", "", 0},
      {"Wait for Image", "Slow", "", "", "Wait for Image", "Slow Pixel Scan", "", "", 0},
      {"Wait for Image", "Slow Pixel Scan", "", "", "Wait for Image", "Slow Pixel Scan", "", "", 0},
      {"Use Window", "Image (Graphic),Slow", "", "", "Use Window", "Image (Graphic),Slow Pixel Scan", "", "", 0},
      {"Type", "Slow", "", "", "Type", "Slow", "", "", 0},
      {"Plumo Setting Change", "OFF", "", "", "Plumo Setting Change", "Off (0)", "", "", 0},
      {"Plumo Setting Change", "ON", "", "", "Plumo Setting Change", "On (1)", "", "", 0},
      {"Plumo Setting Change", "On", "", "", "Plumo Setting Change", "On", "", "", 0},
      {"Type", "", "", "a{WinKey}b{winkey}", "Type", "", "", "a{WinKeyDown}{WinKeyUp}b{WinKeyDown}{WinKeyUp}", 0},
      {"Get Computer Information", "OS Build Number", "", "", "Operating System Details", "Build Number", "", "", 29},
      {"Get Computer Information", "OS Description", "", "", "Operating System Details", "Description", "", "", 29},
      {"Get Computer Information", "Total Memory (MB)", "", "", "Memory Details", "Total Memory,Megabyte (MB)", "", "", 199},
      {"Get Computer Information", "Free Memory", "", "", "Memory Details", "Free Memory", "", "", 199},
      {"Get Computer Information", "Free Memory (MB)", "", "", "Memory Details", "Free Memory,Megabyte (MB)", "", "", 199},
      {"Get Computer Information", "Monitors", "", "", "Video Details", "Number of Monitors", "", "", 78},
      {"Get Computer Information", "Color Depth", "", "", "Video Details", "Color Depth", "", "", 78},
      {"Get Computer Information", "Computer Name", "", "", "Operating System Details", "Computer Name", "", "", 29},
      {"Operating System Details", "OS Major Version", "", "", "Operating System Details", "Major Version", "", "", 0},
      {"Operating System Details", "OS Minor Version", "", "", "Operating System Details", "Minor Version", "", "", 0},
      {"Operating System Details", "OS Major.Minor Version", "", "", "Operating System Details", "Version", "", "", 0},
      {"Operating System Details", "OS Platform ID", "", "", "Operating System Details", "Description", "", "", 0},
      {"Operating System Details", "OS Service Packs", "", "", "Operating System Details", "Service Packs", "", "", 0},
      {"Get Cell", "Get Data,Sheet", "", "", "Get Cell", "Sheet", "", "", 0},
      {"Get Cell", "Get Formatting", "", "", "Get Cell Format", "Data Format", "", "", 215},
      {"Type", "", "", "{step_action12} {step_action} {step_action1234} {Step_Action007}", "Type", "", "",
       "{step[12].action} {step_action} {step_action1234} {step[7].action}", 0},
      {"Get Web Page Text", "Full Tag Source", "", "", "Get Web Page Text", "Raw Inner Tag", "", "", 0},
      {"Type", ",A,,B  C,", "", "", "Type", "A,B C", "", "", 0},
      {"Type", "A, B", "", "", "Type", "A, B", "", "", 0},  // only the load tidy, not the editor's
  };
  for (const auto& c : cases) {
    Step s = StepNamed(c.action, c.options);
    s.value1 = c.value1;
    s.text = c.text;
    s.image = 0;
    ConvertOptions(s, {});
    EXPECT_EQ(s.action, c.wantAction) << c.action << " / " << c.options;
    EXPECT_EQ(s.options, c.wantOptions) << c.action << " / " << c.options;
    EXPECT_EQ(s.value1, c.wantValue1) << c.action << " / " << c.options;
    EXPECT_EQ(s.text, c.wantText) << c.action << " / " << c.options;
    EXPECT_EQ(s.image, c.wantImage) << c.action << " / " << c.options;
  }
}

TEST(OptionConversions, FormatCellShiftsItsValues) {
  Step s = StepNamed("Set Cell Format", "ignored");
  s.value3 = "Cell Formatting";
  s.value4 = "0.00";
  ConvertOptions(s, {.formatCell = true});
  EXPECT_EQ(s.options, "Data Format");
  EXPECT_EQ(s.value3, "0.00");
  EXPECT_EQ(s.value4, "");
}

TEST(OptionConversions, ImageCaptureMovesItsFileNameToTheTarget) {
  Step s = StepNamed("Image Capture", "Screen");
  s.text = "C:\\shot.bmp";
  ConvertOptions(s, {.windowCapture = true});
  EXPECT_EQ(s.options, "Window");
  EXPECT_EQ(s.output, "File");
  EXPECT_EQ(s.outputValue, "C:\\shot.bmp");
  EXPECT_EQ(s.text, "");

  Step kept = StepNamed("Image Capture", "Screen");
  kept.text = "C:\\shot.bmp";
  kept.outputValue = "%pic";
  ConvertOptions(kept, {});
  EXPECT_EQ(kept.options, "Screen");
  EXPECT_EQ(kept.text, "C:\\shot.bmp");
  EXPECT_EQ(kept.outputValue, "%pic");
}

TEST(OptionConversions, StepReferencesInTheFailureValueToo) {
  Step s = StepNamed("Type");
  s.onfailValue = "{step_action3}";
  ConvertOptions(s, {});
  EXPECT_EQ(s.onfailValue, "{step[3].action}");
}

}  // namespace
}  // namespace plumo
