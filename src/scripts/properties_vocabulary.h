// The vocabulary of the Properties palette: the labels of its rows and the option words and
// choices they offer. Many rows switch words inside a Step's `options`, so these are also the
// words the actions read when they run. The grid itself belongs to the studio.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

// A Step shows at most this many rows, positions 0 to 23.
constexpr size_t kMaxPropertyRows = 24;
// Widths of a row's texts, as bounded fields.
constexpr size_t kPropertyLabelWidth = 64;
constexpr size_t kPropertyChoicesWidth = 512;
constexpr size_t kPropertyCurrentChoiceWidth = 64;
// A longer help line is not shown.
constexpr size_t kMaxPropertyHelpChars = 447;

// A check box stands for one option word.
struct CheckBoxRow {
  std::string_view label;
  std::string_view option;
};

// A choice row: its items separated by ";".
struct ChoiceRow {
  std::string_view label;
  std::string_view choices;
};

inline constexpr CheckBoxRow kCheckBoxRows[] = {
    {"Masked Image", "Masked"},
    {"Only Scan Last Window", "ScanLastWin"},
    {"Snap to Position", "Snap to Position"},
    {"Multiple Lines", "Multi"},
    {"Read Only", "Read-Only"},
    {"Courier Font", "Courier"},
    {"Multiple Selections", "Multi"},
    {"Only Fixed Drives", "Fixed"},
    {"Center Items", "Center"},
    {"Always on Top", "Topmost"},
    {"No Variable Expansion", "No Variable Expansion"},
    {"Include Contents", "Contents"},
    {"Include Page Numbers", "PageNum"},
    {"Include Line Numbers", "LineNum"},
    {"Auto Word Wrap", "Wrap"},
    {"Recursive", "Recursive"},
    {"Erase Previous Data First", "Erase"},
    {"Save Workbook", "Save"},
    {"Open Hidden", "Hidden"},
    {"Column List Output", "Column"},
    {"Case Sensitive", "Case Sensitive"},
    {"Allow Quotes", "Quotes"},
    {"Replace First Only", "First Only"},
    {"Trim Whitespace", "Whitespace"},
    {"Include Column Names", "ColumnNames"},
    {"ELSE IF", "ELSE IF"},
    {"Quick Check (single step)", "Quick Check"},
    {"IF NOT", "IF NOT"},
    {"Wait Until Finished", "Synchronous"},
    {"Delay All Scripts (Global)", "Global"},
    {"Delete ALL Variables", "All"},
    {"Use First if Multiple", "First"},
    {"Bring to Front (Activate)", "Activate"},
    {"Force Thread Activation", "Force"},
    {"Close All if Multiple", "All"},
    {"Activate if Already Running", "Single"},
    {"Run Hidden", "Hidden"},
};

// Each stands for one option word out of its list; see CurrentChoice.
inline constexpr ChoiceRow kExclusiveChoiceRows[] = {
    {"Calling Convention", "(let Plumo decide);WINAPI / stdcall;cdecl"},
    {"Which Window", "Most Recent \"Use Window\";Window Title;Window Handle;Top Window;"},
    {"Keyboard Method", "Simulated Keypress;SendKeys"},
    {"Scan Method", "Fast Memory Scan;Slow Pixel Scan"},
    {"Relative To", "Screen;Window;Current Position"},
    {"Button", "Left;Right;Middle;Wheel Scroll;"},
    {"Press Type", "Down;Up;Down+Up;Double-Click;"},
    {"Match Method",
     "Exact Title;Partial Title;Class;ID;Userdata;Title + Class + ID + Userdata;Title + Class + ID;Title + Class + Userdata;Title + ID + Userdata;Title + Class;Title + ID;Title + Userdata;Class + ID + Userdata;Class + ID;Class + Userdata;ID + Userdata;Handle (HWND);"},
    {"Buttons",
     "OK;OK + Cancel;Retry + Cancel;Yes + No;Yes + No + Cancel;Abort + Retry + Ignore"},
    {"Icon", "(none);Information;Question;Warning;Stop"},
    {"Prompt Type", "File Open;File Open Multiple;File Save"},
    {"Balloon Location", "Tray;Floating;Floating Track"},
    {"Create in Folder", "Desktop;Start Menu;(link name folder)"},
    {"Count Type", "Files;Folders"},
    {"Variable Expansion",
     "Full Variables Expansion;Single Variable Expansion;No Variable Expansion;"},
    {"Sort Type",
     "Ascending (A-Z);Descending (Z-A);Length (Shortest);Length (Longest);Characters A-Z;Characters Z-A"},
    {"Match Type", "Case Insensitive;Case Sensitive;Binary Comparison"},
    {"Pad Location", "Front;End;"},
    {"Window Types", "Programs;Programs+Child Windows;Child Controls"},
    {"Output Data", "Text;Handle"},
    {"Check Type",
     "Equals Exact Value;Equals Value Insensitive;Starts with;Ends with;Length Equals;Length Less Than;Length More Than;Contains Exact Substring;Contains Substring (Insensitive);Contains Only Characters from List;Contains Any Characters from List;Has Any Value;Is Empty"},
    {"Variable Check", "Is Defined (Exists);Is Empty;Has Numeric Value"},
    {"Press Type", "Right Now;Since Last Check"},
    {"Match Type", "Exact Match;Partial/Case Insensitive Match;Any Text;Is Empty"},
    {"Check For", "Connected;Valid Link;"},
    {"Retrieve Info", "List of Drives;Total Size;Free Space;Used Space;"},
    {"Size Format",
     "Bytes;Kilobyte (K);Megabyte (MB);Megabyte (MB) - SI;Gigabyte (GB);Gigabyte (GB) - SI;Terabyte (TB);Terabyte (TB) - SI;"},
    {"Retrieve Info",
     "Total Memory;Free Memory;Used Memory;Percentage % Used;Percentage % Remaining"},
    {"Size Format", "Bytes;Kilobyte (K);Megabyte (MB);Gigabyte (GB);"},
    {"Match Method",
     "Exact Title;Partial Title;Class;ID;Userdata;Title + Class + ID + Userdata;Title + Class + ID;Title + Class + Userdata;Title + ID + Userdata;Title + Class;Title + ID;Title + Userdata;Class + ID + Userdata;Class + ID;Class + Userdata;ID + Userdata;Handle (HWND);--;Window at X/Y;Child Control at X/Y;Child at Parent-Relative X/Y;Window Below Mouse;Child Control Below Mouse;Top Window;Window with Focus;--;Image (Graphic);"},
    {"Window Information",
     "Text;Width;Height;Left Coordinate;Top Coordinate;Right Coordinate;Bottom Coordinate;Is Visible;Is Minimized;Is Maximized;Is Checked;Is Enabled;Window Class;Control Type;Control ID;Style Value;---;Process EXE;Process EXE Path;Process EXE Base"},
    {"Retrieval Method",
     "(let Plumo decide);Control-Specific (all text);Control-Specific (selected text);GetWindowText;WM_GETTEXT;WM_GETTEXT (interactive);"},
    {"Action", "Press;Check;Uncheck;Set Focus"},
};

// Fixed values for a field of their own: a mode, a number, a position keyword.
inline constexpr ChoiceRow kOtherChoiceRows[] = {
    {"AutoRun Command", "Add;Remove;Remove All;List Entries"},
    {"Start Search At (X, Y)", "Full Screen"},
    {"Stop Search At (X, Y)", "Full Screen"},
    {"Required Match % (1-100)", "Exact Match"},
    {"X, Y Coordinates", "Current Position"},
    {"Clipboard Match", "Exact Text;Partial Text;Any Text;When Empty"},
    {"Pending Restarts", "Clean Restart Entries Now"},
    {"X,Y Screen Position", "Centered"},
    {"Icon Action", "Show;Remove"},
    {"Calendar Display", "1x1;1x2;2x1;2x2;2x3;3x4"},
    {"[1] Control Type", "LABEL;EDIT;CHECKBOX;BUTTON;LIST;FILE;FOLDER;PASSWORD;LINK;(none)"},
    {"[2] Control Type", "LABEL;EDIT;CHECKBOX;BUTTON;LIST;FILE;FOLDER;PASSWORD;LINK;(none)"},
    {"[3] Control Type", "LABEL;EDIT;CHECKBOX;BUTTON;LIST;FILE;FOLDER;PASSWORD;LINK;(none)"},
    {"[4] Control Type", "LABEL;EDIT;CHECKBOX;BUTTON;LIST;FILE;FOLDER;PASSWORD;LINK;(none)"},
    {"[5] Control Type", "LABEL;EDIT;CHECKBOX;BUTTON;LIST;FILE;FOLDER;PASSWORD;LINK;(none)"},
    {"Initial Show", "Normal;Minimized;Maximized"},
    {"Font", "Arial;Courier New;Times New Roman"},
    {"Find Which", "First One"},
    {"Find Which", "First Match;All Matches;Count"},
    {"Information Type",
     "Size;Size (MB);Version (short);Version (long);CRC-32;--;Creation Time;Last Modified Time;Last Accessed Time;--;Is File;Is Folder;--;Name: Drive;Name: Path;Name: Drive+Path;Name: Base;Name: Drive+Path+Base;Name: Extension;Name: Base+Extension;--;Document Association;Attributes (number);Attributes (string);FileDescription;Comments;CompanyName;LegalCopyright;"},
    {"Start Position", "Append"},
    {"Start Position", "Start of File"},
    {"Stop Position", "To End"},
    {"Return Item", "Link HREF (Relative);Link HREF (Absolute);Raw HREF Tag;Raw Inner Tag"},
    {"Option",
     "Total Email Count;Get To;Get From;Get Subject;Get Body;From + To + Subj + Body;Get Size;Raw Email"},
    {"Encryption Scheme", "ASCII Shift;Bit Shift"},
    {"End Position", "To End"},
    {"Match Type", "Case Sensitive;Case Insensitive;Binary;"},
    {"Chop Method",
     "Chop Before;Chop Before and Including;Chop After;Chop After and Including;First Character;Last Character"},
    {"Character Range", "a-z;A-Z;a-z, A-Z;a-z, A-Z, 0-9;a-z, A-Z, 0-9, \\r\\n;0-9;(any)"},
    {"Trim From", "Front;End;Front + End"},
    {"Match Type",
     "Case Sensitive;Case Insensitive;Any Characters from List;Only Characters from List"},
    {"Change To", "Upper;Lower;Title"},
    {"Format String", "Default Format"},
    {"Operation", "Add;Subtract"},
    {"Adjust Date Part", "{year};{month};{day};"},
    {"Date Part", "{year};{month};{day};"},
    {"Adjust Time Part", "{hour};{minute};{second};"},
    {"Time Part", "{hour};{minute};{second};"},
    {"Binary Function",
     "Get Byte Length;Convert Binary -> {\\XX};Convert Binary -> Hex;Convert Binary -> ASCII (text);"},
    {"Delete Item", "Delete [Section];Delete 'Key'"},
    {"Value Type",
     "(let Plumo decide);REG_SZ;REG_MULTI_SZ;REG_EXPAND_SZ;REG_DWORD;REG_BINARY"},
    {"Data Administrator", "Open ODBC Data Administrator"},
    {"Max Rows", "Retrieve All Rows"},
    {"Include Attributes", "Attributes"},
    {"SQL Data", "Most Recent \"SQL Query\" step"},
    {"Parent or Child Keys", "Parent;Child"},
    {"Port", "COM1:;COM2:;COM3:;COM4:"},
    {"Baud",
     "115200;57600;38400;19200;14400;9600;4800;2400;1200;600;300;200;150;110;100;50"},
    {"Data Bits", "8;7;6;5"},
    {"Parity", "None;Even;Odd"},
    {"Stop Bits", "1;2"},
    {"Flow Control", "None;Hardware;XON/XOFF"},
    {"Which Drive", "List of Drives;Total Size;Free Space;"},
    {"Recording", "Click to start new Recording"},
    {"Record Type", "Hardware;Software"},
    // Ours: where a recording's playback speed is chosen ("Fastest", "Slowest", or neither).
    {"Playback Speed", "Normal;Fastest;Slowest"},
    {"Plumo Option", "Run Tracking;Logging;Highlight Current Step"},
    {"New Setting", "Off (0);On (1);High (2)"},
    {"Capture Type", "Screen;Window;Area (Rectangle);"},
    {"Format Item",
     "Data Format;Bold;Italic;Underlined;Font Name;Font Size;Font Color;Background Color;Horizontal Alignment;Vertical Alignment;Column Width;Row Height;Border;"},
    {"Format Item",
     "Data Format;Is Bold;Is Italic;Is Underlined;Font Name;Font Size;Font Color;Background Color;Border Weight;Border Line Style;Horizontal Alignment;Vertical Alignment;Column Width;Row Height;--;Total Rows;Total Columns;"},
    {"New Style",
     "Visible;Hidden;Enabled;Disabled;Not Always on Top;Always on Top;Caption;Not Resizable;Resizable;Maximize Button;Without Maximize Button;Without Minimize Button;Minimize Button"},
    {"Timeout", "Wait Forever"},
    {"Startup Type", "Automatic;Manual;Disabled"},
    {"Save Output To",
     "Variable;Environment Variable;Memory Variable;Clipboard;File;Excel Spreadsheet;Adobe PDF Document;Display in Output;Display in Message;(do not save)"},
    {"On Failure",
     "Display Error and Stop;Display Error and Continue;Ignore/Continue;Retry the Step x Times;Stop Silently;Ask to Continue;Jump to Label;Increment Variable;Restart Run;Run Program;"},
};

// Every label, in the order in which the palette first uses it.
inline constexpr std::string_view kPropertyLabels[] = {
    "Program/Document", "AutoRun Command", "Function Name", "DLL Module", "Calling Convention",
    "Which Window", "Window Match Data", "Text", "Keyboard Method", "Inter-Character Delay", "Image File",
    "Masked Image", "Start Search At (X, Y)", "Stop Search At (X, Y)", "Only Scan Last Window",
    "Pixel Color Tolerance (0-255)", "Required Match % (1-100)", "Scan Method", "Timeout", "X, Y Coordinates",
    "Relative To", "Button", "Press Type", "Snap to Position", "Delay Seconds", "Match Method", "Match Data",
    "File Name", "Clipboard Match", "Wait for: [Date]", "Wait for: [Time]", "Folder Name",
    "Wait for Pixel Color", "Pending Restarts", "Title", "Message Text", "Buttons", "Icon", "Multiple Lines",
    "Read Only", "Courier Font", "X,Y Screen Position", "Width", "Height", "Icon Action", "Tray Icon Title",
    "Zoom Percentage", "Multiple Selections", "Prompt Type", "File Type Filter", "Only Fixed Drives",
    "Calendar Display", "[1] Control Type", "[1] Text", "[2] Control Type", "[2] Text", "[3] Control Type",
    "[3] Text", "[4] Control Type", "[4] Text", "[5] Control Type", "[5] Text", "Center Items",
    "Balloon Location", "Always on Top", "New Drive Letter", "Program/Document to Link", "Link Name",
    "Create in Folder", "Description", "Start in Folder", "Command Arguments", "Initial Show",
    "PDF File Name", "Text to Write", "No Variable Expansion", "Include Contents", "Include Page Numbers",
    "Include Line Numbers", "Auto Word Wrap", "Font", "Font Size", "Left Margin (inches)",
    "Top Margin (inches)", "Page Width (inches)", "Page Height (inches)", "Copy to Folder",
    "Destination Folder", "EXE Program", "Extension", "Icon Index", "Destination File", "New Name",
    "Search For", "Find Which", "Start Folder", "New Size", "Fill with Character", "Information Type",
    "File Name #2", "Max Size of Files", "File Spec", "Count Type", "Recursive", "Start Position",
    "Data to Write", "Erase Previous Data First", "Variable Expansion", "Line Number", "Stop Position",
    "Workbook Name", "Text/Data to Write", "Column Delimiter", "Row Delimiter", "Save Workbook",
    "Start at Cell or Range", "Open Hidden", "Web Address", "Search Text", "Return Item", "Post String",
    "POP3 Server", "Login", "Password", "Port", "Which Email", "Option", "SMTP Server", "SMTP Port",
    "Subject", "Message", "From", "To", "Send To", "Local File", "Login Username", "Hostname / IP", "Key",
    "Encryption Scheme", "Sort Type", "Item Delimiter", "Column List Output", "Text to Count",
    "Case Sensitive", "End Position", "Match Type", "Delimiter", "Which Item", "Allow Quotes",
    "Text to Truncate", "Chop Method", "Replace With", "Replace First Only", "Position", "Insert Text",
    "Length", "Character Range", "Text to Trim", "Trim Whitespace", "Trim From", "Text to Search For",
    "Pad to Length", "Pad with String", "Pad Location", "Change To", "Format String", "Minimum", "Maximum",
    "Operation", "Amount", "Adjust Date Part", "Date/Variable #2", "Date Part", "Adjust Time Part",
    "Time/Variable #2", "Time Part", "Binary Function", "INI File", "[Section] Name", "'Key=' Name",
    "Delete Item", "Data Value", "Key Name", "Value to Write", "Value Type", "Copy to Key", "SQL Query",
    "Data Source", "Data Administrator", "Max Rows", "Column Separator", "Row Separator",
    "Include Column Names", "Table Name", "Include Attributes", "Separator", "Start Number (From)",
    "Stop Number (To/Total)", "Step Increment", "Text Source", "Text Delimiter", "SQL Data", "Registry Tree",
    "Parent or Child Keys", "Window Types", "Parent Window", "Output Data", "Text/Variable", "Check Type",
    "Comparison Value", "Variable Name", "Variable Check", "EXE/PID", "Clipboard Text", "URL (web address)",
    "Check For", "Control Text", "Folder", "File", "Expression", "Pixel Color", "Pixel Color Match",
    "ELSE IF", "Quick Check (single step)", "IF NOT", "Frequency", "Duration", "Send Data", "Baud",
    "Data Bits", "Parity", "Stop Bits", "Flow Control", "Media File", "Wait Until Finished", "Retrieve Info",
    "Which Drive", "Size Format", "Recording", "Record Type", "Playback Speed", "Plumo Option", "New Setting", "Milliseconds",
    "Delay All Scripts (Global)", "Capture Type", "X,Y", "Width,Height", "Set to Value",
    "Delete ALL Variables", "Cell or Range", "Format Item", "New Format", "Data", "Use First if Multiple",
    "Bring to Front (Activate)", "Force Thread Activation", "Parent HWND", "Move To X (Left)",
    "Move To Y (Top)", "Window Information", "New Width", "New Height", "New Style", "Retrieval Method",
    "Close All if Multiple", "Action", "Activate if Already Running", "Start at Step/Label", "Run Hidden",
    "Service", "Startup Type", "Save Output To", "Comment", "On Failure",
};

// The items of a choices text, in order; empty items (a trailing ";") are left out.
std::vector<std::string_view> ChoiceItems(std::string_view choices);

// The first item of choices that occurs as a whole comma-separated word of options (without
// regard to case), cut to a current choice's width; "" when none does.
std::string CurrentChoice(std::string_view choices, std::string_view options);

}  // namespace plumo
