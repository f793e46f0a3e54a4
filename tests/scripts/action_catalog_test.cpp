#include "scripts/action_catalog.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_resources.h"
#include "scripts/packed.h"
#include "scripts/shipped_catalog.h"

namespace plumo {
namespace {

const ActionCatalog& Shipped() {
  static const ActionCatalog catalog = ActionCatalog::FromResource(ShippedCatalogBytes());
  return catalog;
}

std::string PlainText() { return Unpack(ShippedCatalogBytes()).value_or(""); }

ActionInfo Look(const ActionCatalog& catalog, std::string_view name) {
  ActionInfo info;
  EXPECT_TRUE(catalog.Lookup(name, &info)) << name;
  return info;
}

TEST(ActionCatalog, ShipsPackedAndUnpacksToCrLfText) {
  const std::string bytes = ShippedCatalogBytes();
  ASSERT_GE(bytes.size(), kPackedHeaderSize);
  EXPECT_FALSE(LooksPlain(static_cast<unsigned char>(bytes[0])));
  const std::string text = PlainText();
  EXPECT_EQ(text.substr(0, 2), "\r\n");
  EXPECT_EQ(text.find("\n\n"), std::string::npos);
  EXPECT_EQ(text.find("\r\r"), std::string::npos);
  EXPECT_EQ(Shipped().text(), text);
}

struct RowCase {
  const char* name;
  int32_t category, image, primaryField;
  bool hasOutput, canFail;
  const char* defaults;  // the elements after the action
};

// A sample of rows from every category.
const RowCase kRows[] = {
    {"Start", 2, 239, 0, true, true, "<options>Single</options>"},
    {"Kill Process", 2, 118, 0, false, true, ""},
    {"MS-DOS Command", 2, 5, 0, true, true, "<text>{sysdir}\\CMD.EXE /C dir c:\\*.* /s</text>"},
    {"Call DLL Function", 2, 183, 0, true, false,
     "<text>MyFunction( 1, \"some text\" )</text><value1>MyModule.DLL</value1>"},
    {"Use Window", 3, 9, 0, true, true, "<options>Partial Title,Activate,First</options><timeout>3</timeout>"},
    {"Get Text", 3, 12, 9, true, true, ""},
    {"Close all Windows", 3, 18, -1, false, true, ""},
    {"Type", 4, 23, 0, false, false, ""},
    {"Unblock Input", 4, 77, -1, false, true, ""},
    {"Select Menu Item", 5, 242, 0, false, true, "<text>&File; &Open</text>"},
    {"Mouse Click", 6, 24, 0, false, true, "<options>Left,Down+Up</options>"},
    {"Return to Saved Position", 6, 26, -1, false, false, ""},
    {"Delay", 7, 155, -1, false, false, "<timeout>1</timeout>"},
    {"Wait for Idle", 7, 156, 0, false, true, "<text>30</text><timeout>60</timeout>"},
    {"Wait for Restart", 7, 190, -1, false, true, ""},
    {"Input Value", 8, 31, 0, true, true, "<text>\r\nPlease enter a value:</text>"},
    {"Select Date", 8, 152, 1, true, true, ""},
    {"Delete File", 9, 40, 1, false, true, "<onfail>Ignore/Continue</onfail>"},
    {"Map Drive", 9, 91, 1, false, true, "<text>H:</text><value1>\\\\server\\share</value1>"},
    {"Create Adobe PDF", 9, 200, 1, false, true,
     "<value1>Document.pdf</value1><value2>Arial</value2><value3>12</value3><value4>1</value4>"
     "<value5>0.75</value5><value6>8.5</value6><value7>11</value7><options>Contents,PageNum</options>"},
    {"Get Cell", 10, 205, 2, true, true, ""},
    {"Set Cell Format", 10, 207, 2, false, true, ""},
    {"Start Browser", 11, 8, -1, false, true, ""},
    {"Send Email: SMTP", 11, 103, 0, false, true, "<value3>smtp.example.com</value3><value7>25</value7>"},
    {"Ping IP Address", 11, 111, 0, false, true, ""},
    {"Get Columns", 12, 193, 0, true, true, "<value4>,{newline}</value4>"},
    {"Read INI Data", 12, 123, 3, true, true, ""},
    {"Find", 12, 216, 0, true, false, ""},
    {"Random Text", 12, 216, 0, true, false, ""},
    {"Start 'For' Loop", 13, 42, 0, true, false, "<text>3</text><value1>1</value1><value2>1</value2>"},
    {"NEXT LOOP", 13, 47, -1, false, false, ""},
    {"Exit Plumo Studio", 13, 71, -1, false, false, ""},
    {"IF Expression", 14, 185, 0, false, true, "<text>%variable>=123</text>"},
    {"IF Pixel Equals", 14, 58, 0, true, true, ""},
    {"END IF", 14, 73, -1, false, false, ""},
    {"Recording", 15, 20, -1, false, true, "<options>Hardware</options>"},
    {"Play Tone", 15, 196, 0, false, false, "<text>367</text><timeout>250</timeout>"},
    {"Comment", 16, 69, 0, false, false, ""},
    {"Write to Log", 16, 112, 0, false, false, ""},
    {"Delete Variable", 16, 114, 11, true, false, "<output value=\"\">Variable</output>"},
    {"Windows API", 16, 120, 0, true, true,
     "<text>MessageBox( 0, \"message\", \"title\", MB_OK | MB_ICONINFORMATION )</text>"},
};

TEST(ActionCatalog, RowsOfEveryCategoryMatchTheTable) {
  for (const auto& r : kRows) {
    const ActionInfo info = Look(Shipped(), r.name);
    EXPECT_EQ(info.category, r.category) << r.name;
    EXPECT_EQ(info.image, r.image) << r.name;
    EXPECT_EQ(info.primaryField, r.primaryField) << r.name;
    EXPECT_EQ(info.hasOutput, r.hasOutput) << r.name;
    EXPECT_EQ(info.canFail, r.canFail) << r.name;
    EXPECT_EQ(info.defaultText, "<step><action>" + std::string(r.name) + "</action>" + r.defaults + "</step>")
        << r.name;
  }
}

TEST(ActionCatalog, LookupIsCaseInsensitiveAndKeepsTheNameAsAsked) {
  const ActionInfo info = Look(Shipped(), "start");
  EXPECT_EQ(info.category, 2);
  EXPECT_EQ(info.image, 239);
  EXPECT_TRUE(info.hasOutput && info.canFail);
  EXPECT_EQ(info.defaultText, "<step><action>start</action><options>Single</options></step>");
}

TEST(ActionCatalog, NamesMatchUpToTheTilde) {
  EXPECT_EQ(Look(Shipped(), "Start Service").image, 117);
  EXPECT_EQ(Look(Shipped(), "Wait for").category, 0);
  EXPECT_EQ(Look(Shipped(), "IF").category, 0);
}

TEST(ActionCatalog, PopupMenuDefaultHasFourCrLfLines) {
  EXPECT_EQ(Look(Shipped(), "Show Popup Menu").defaultText,
            "<step><action>Show Popup Menu</action><text>Option One\r\nOption Two\r\n-----\r\nOption "
            "Three</text></step>");
}

TEST(ActionCatalog, CustomDialogDefaultLinksToASampleAddress) {
  const std::string d = Look(Shipped(), "Custom Dialog").defaultText;
  EXPECT_NE(d.find("<value6>LINK</value6><text>Sample Edit:|"), std::string::npos);
  EXPECT_NE(d.find("Option C|&lt;a href="), std::string::npos);
  EXPECT_NE(d.find("This is a Sample Link&lt;/a&gt;</text></step>"), std::string::npos);
}

TEST(ActionCatalog, UnknownAndEmptyNames) {
  ActionInfo info;
  info.category = 9;
  info.defaultText = "old";
  info.hasOutput = 1;
  EXPECT_TRUE(Shipped().Lookup("Change Case", &info));
  EXPECT_EQ(info.category, 0);
  EXPECT_EQ(info.defaultText, "");
  EXPECT_EQ(info.hasOutput, 1) << "flags are written only when the row is found";
  EXPECT_FALSE(Shipped().Lookup("", &info));
}

TEST(ActionCatalog, SixtyOneCharactersOfTheNameCount) {
  const std::string name61(61, 'N');
  const std::string text = "\r\nShort~2~5~0~@~#\r\n" + name61 + "~9~44~1~N~#~<text>x</text>\r\n";
  const ActionCatalog catalog = ActionCatalog::FromResource(text);
  EXPECT_EQ(Look(catalog, name61 + "TAIL").image, 44);
  EXPECT_EQ(Look(catalog, name61 + "TAIL").defaultText,
            "<step><action>" + name61 + "TAIL</action><text>x</text></step>");
  EXPECT_EQ(Look(catalog, name61.substr(1)).image, 0);
}

TEST(ActionCatalog, OddRowsReadLikeTheOriginalParser) {
  const std::string text =
      "\r\nA~3~x~~@\r\n"                                  // short row: no failure flag, no defaults
      "B~ 4~-7~2~@~#~   <step><text>t</text>\r\n"         // leading spaces; "<step>" but no end
      "C~5~1~0~N~N~<action>Other</action>\r\n"             // own action element
      "D~6~2~0~N~N~a\\rb\\nc~more\r\n"                     // "~" inside the defaults
      "E~7~" + std::string(600, '9') + "\r\n";           // longer than a row may be
  const ActionCatalog catalog = ActionCatalog::FromResource(text);
  ActionInfo a = Look(catalog, "a");
  EXPECT_EQ(a.category, 3);
  EXPECT_EQ(a.image, 0);
  EXPECT_EQ(a.primaryField, 0);
  EXPECT_TRUE(a.hasOutput);
  EXPECT_FALSE(a.canFail);
  EXPECT_EQ(a.defaultText, "<step><action>a</action></step>");
  ActionInfo b = Look(catalog, "B");
  EXPECT_EQ(b.category, 4);
  EXPECT_EQ(b.image, -7);
  EXPECT_EQ(b.defaultText, "<step><action>B</action><text>t</text></step>");
  EXPECT_EQ(Look(catalog, "C").defaultText, "<step><action>Other</action></step>");
  EXPECT_EQ(Look(catalog, "D").defaultText, "<step><action>D</action>a\rb\nc~more</step>");
  EXPECT_EQ(Look(catalog, "E").image, INT32_MAX);
}

TEST(ActionCatalog, NamesWithSeparatorsAreSearchedInTheText) {
  const ActionCatalog catalog = ActionCatalog::FromResource("\r\nStart~2~239~0~@~#\r\nX~3~1~0~N~N\r\n");
  // The search string is LF + name + "~", so a name holding separators matches from a row's
  // start across its columns, and even across a line end.
  EXPECT_EQ(Look(catalog, "Start~2").image, 239);
  EXPECT_EQ(Look(catalog, "start~2~239").image, 239);
  EXPECT_EQ(Look(catalog, "Start~2~239~0~@~#\r\nX").image, 239);
  EXPECT_EQ(Look(catalog, "Start~3").image, 0);
  EXPECT_EQ(Look(catalog, "0~N~N\r\nX").image, 0);
}

TEST(ActionCatalog, PlainAndPackedFormsLoadAlike) {
  const ActionCatalog plain = ActionCatalog::FromResource(PlainText());
  ASSERT_TRUE(plain.available());
  EXPECT_EQ(plain.text(), Shipped().text());
  for (const auto& r : kRows) EXPECT_EQ(Look(plain, r.name).defaultText, Look(Shipped(), r.name).defaultText);
  // Plain text is recognised by its first byte, even without the leading line end.
  EXPECT_TRUE(ActionCatalog::FromResource("Type~4~23~0~N~N\r\n").available());
  EXPECT_TRUE(ActionCatalog::FromResource(" \r\nType~4~23~0~N~N\r\n").available());
}

TEST(ActionCatalog, OnlyTheFirst64KOfAResourceAreRead) {
  std::string text = "\r\n" + std::string(65536, ' ') + "\r\nLate~2~1~0~N~N\r\n";
  const ActionCatalog catalog = ActionCatalog::FromResource(text);
  EXPECT_EQ(catalog.text().size(), 65536u);
  EXPECT_EQ(Look(catalog, "Late").category, 0);
}

TEST(ActionCatalog, UnusableResourcesGiveAnUnavailableCatalogue) {
  const std::string packed = ShippedCatalogBytes();
  for (const std::string& bytes : {std::string(), std::string("\x01\x02", 2), std::string("\0\0\0\0\4", 5),
                                   std::string("zzzz") + std::string(100, 'q')}) {
    const ActionCatalog catalog = ActionCatalog::FromResource(bytes);
    EXPECT_FALSE(catalog.available());
    ActionInfo info;
    EXPECT_FALSE(catalog.Lookup("Type", &info));
    EXPECT_EQ(info.category, 0);
  }
  // A truncated block still gives its first rows.
  const ActionCatalog part = ActionCatalog::FromResource(packed.substr(0, packed.size() / 3));
  EXPECT_EQ(Look(part, "Start").image, 239);
  EXPECT_EQ(Look(part, "Windows API").category, 0);
}

TEST(ActionCatalog, RowsInFileOrderWithLineNumbers) {
  const auto rows = Shipped().Rows();
  ASSERT_EQ(rows.size(), 217u);
  EXPECT_EQ(rows.front().line, 1);
  EXPECT_EQ(rows.front().name, "Start");
  EXPECT_EQ(rows[12].name, "Use Window");
  EXPECT_EQ(rows[12].line, 14) << "an empty line separates the categories";
  EXPECT_EQ(rows.back().name, "Windows API");
  EXPECT_EQ(rows.back().line, 231);
  int category = 2;
  for (const auto& r : rows) {
    EXPECT_GE(r.category, category) << r.name;
    category = r.category;
    EXPECT_GE(r.image, 1) << r.name;
    ActionInfo info = Look(Shipped(), r.name);
    EXPECT_EQ(info.category, r.category) << r.name;
    EXPECT_EQ(info.image, r.image) << r.name;
  }
}

TEST(ActionCatalog, RowsStopAtThreeHundredLines) {
  std::string text = "\r\n";
  for (int i = 1; i < 400; ++i) text += "Row" + std::to_string(i) + "~2~1~0~N~N\r\n";
  const auto rows = ActionCatalog::FromResource(text).Rows();
  ASSERT_EQ(rows.size(), 299u);
  EXPECT_EQ(rows.back().line, 299);
}

TEST(ActionCategories, NumbersNamesAndHelpTopics) {
  EXPECT_EQ(FindActionCategory(0), nullptr);
  EXPECT_EQ(FindActionCategory(17), nullptr);
  for (int n = 1; n <= 16; ++n) EXPECT_EQ(FindActionCategory(n)->number, n);
  EXPECT_EQ(FindActionCategory(9)->name, "Files & Folders");
  EXPECT_EQ(FindActionCategory(8)->helpTopic, "::/action_msg.htm");
  EXPECT_EQ(FindActionCategory(1)->helpTopic, "");
}

TEST(LookUpAction, FillsTheStepOrZeroesItForUnknownActions) {
  Step s;
  s.action = "Read File";
  LookUpAction(Shipped(), s);
  EXPECT_EQ(s.category, 9);
  EXPECT_EQ(s.image, 36);
  EXPECT_EQ(s.primaryField, 1);
  EXPECT_EQ(s.hasOutput, 1);
  EXPECT_EQ(s.canFail, 1);

  s.action = "My Own Action";
  LookUpAction(Shipped(), s);
  EXPECT_EQ(s.category, 0);
  EXPECT_EQ(s.image, 0);
  EXPECT_EQ(s.action, "My Own Action");

  s.action = "Type";
  LookUpAction(ActionCatalog(), s);
  EXPECT_EQ(s.category, 0) << "no catalogue: Steps load with category 0";
}

// Counts reads, to show each catalogue is loaded once.
class CountingResources : public MemoryResources {
 public:
  OsError ReadData(const std::string& modulePath, uint32_t id, std::string* out) override {
    ++reads;
    return MemoryResources::ReadData(modulePath, id, out);
  }
  int reads = 0;
};

TEST(ActionCatalogs, DllScriptsUseTheirOwnCatalogue) {
  CountingResources res;
  res.Add("", kActionCatalogResource, ShippedCatalogBytes());
  res.Add("C:\\Tools\\Helper.DLL", kActionCatalogResource, "\r\nType~4~99~0~N~N\r\n");
  ActionCatalogs catalogs(res);
  EXPECT_EQ(Look(catalogs.For("C:\\Scripts\\a.vxm"), "Type").image, 23);
  EXPECT_EQ(Look(catalogs.For(""), "Type").image, 23);
  EXPECT_EQ(Look(catalogs.For("C:\\Tools\\Helper.DLL"), "Type").image, 99);
  EXPECT_EQ(Look(catalogs.For("c:\\tools\\helper.dll"), "Type").image, 99);
  EXPECT_EQ(res.reads, 2);
  // A folder named like a DLL does not count; a DLL without the resource has no catalogue.
  EXPECT_EQ(Look(catalogs.For("C:\\x.dll\\b.vxm"), "Type").image, 23);
  EXPECT_FALSE(catalogs.For("C:\\Other.dll").available());
}

TEST(ActionCatalogs, MissingResourceMeansEveryLookupFails) {
  MemoryResources empty;
  ActionCatalogs catalogs(empty);
  ActionInfo info;
  EXPECT_FALSE(catalogs.For("a.vxm").Lookup("Type", &info));
  EXPECT_EQ(info.category, 0);
}

}  // namespace
}  // namespace plumo
