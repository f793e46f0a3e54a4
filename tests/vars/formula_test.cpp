#include "vars/formula.h"

#include <gtest/gtest.h>

#include <cmath>

#include "vars/dates.h"
#include "vars/formula_world.h"

namespace plumo {
namespace {

struct Case {
  const char* formula;
  const char* text;
  double number;
};

void ExpectFormulas(FormulaWorld& w, std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    std::string out = "stale";
    double n = w.engine.Evaluate(c.formula, &out);
    EXPECT_EQ(out, c.text) << c.formula;
    EXPECT_NEAR(n, c.number, 1e-9 * std::max(1.0, std::fabs(c.number))) << c.formula;
  }
}

TEST(FormulaEngine, OperatorsPrecedenceAndAssociativity) {
  FormulaWorld w;
  ExpectFormulas(w, {
      {"=1+2*3", "7", 7},
      {"=2^3^2", "512", 512},
      {"=10-2-3", "5", 5},
      {"=5--3", "8", 8},
      {"=2++", "3", 3},
      {"=5--", "4", 4},
      {"=-2^2", "4", 4},
      {"=2*-3", "-6", -6},
      {"=(1+2)*3", "9", 9},
      {"=12/4/3", "1", 1},
      {"=1/0", "", 0},
      {"=10%3", "1", 1},
      {"=10%0", "", 0},
      {"=7.5%2", "1.5", 1.5},
      {"=2&3", "2", 2},
      {"=2|3", "3", 3},
      {"=2~3", "1", 1},
      {"=2147483648|1", "2147483649", 2147483649.0},
      {"=-1&255", "255", 255},
      {"=(1<2)", "1", 1},
      {"=2<1", "", 0},
      {"=2>=2", "1", 1},
      {"=2<=1", "", 0},
      {"=3<>3", "", 0},
      {"=3!=4", "1", 1},
      {"=3==3", "1", 1},
      {"=1=1", "1", 1},
      {"=1&&0", "", 0},
      {"=1&&2", "1", 1},
      {"=0||0", "", 0},
      {"=0||3", "1", 1},
      {"=!0", "1", 1},
      {"=!5", "", 0},
      {"=1+2>2&&1", "1", 1},
      {"=0.1+0.2", "0.3", 0.3},
      {"=1/3", "0.333333333333333", 1.0 / 3},
      {"=10^20", "1.00000000000000e+020", 1e20},
      {"= 1 + 2 ;", "3", 3},
      {"=1 2+3", "15", 15},
  });
}

TEST(FormulaEngine, TextsAndConcatenation) {
  FormulaWorld w;
  ExpectFormulas(w, {
      {"=\"A\" & \"b\"", "Ab", 0},
      {"=\"n=\" & 5", "n=5", 0},
      {"=\"n=\" & 0", "n=", 0},
      {"='a b' & 'c'", "a bc", 0},
      {"=(\"abc\"<\"abd\")", "1", 1},
      {"=(\"a\"==\"A\")", "", 0},
      {"=(\"b\">\"A\")", "1", 1},
      {"=\"5\"==5", "1", 1},
      {"=IF(\"Ab\"==\"cd\", \"Yes\", \"No\")", "No", 0},
      {"=IF(1<2, Yes, No)", "Yes", 0},
      {"=IF(1, Hello   World , x)", "Hello World", 0},
      {"=IF(0, a, well-done)", "well-done", 0},
      {"=IF(\"x\", 1, 2)", "1", 1},
      {"=IF(\"\", 1, 2)", "2", 2},
      {"=abc1", "abc1", 0},
      {"=\"ab(c\"", "ab(c", 0},
      {"=\"a,b\"&\"c)\"", "a,bc)", 0},
      {"=\x02text\x02 & \x02\x02\"1\"", "text1", 0},
  });
}

TEST(FormulaEngine, TextFunctions) {
  FormulaWorld w;
  ExpectFormulas(w, {
      {"=MID(\"Abc\", 1, 2)", "Ab", 0},
      {"=MID(\"Abc\", 0, 9)", "Abc", 0},
      {"=MID(\"Abc\", 4, 1)", "", 0},
      {"=MID(\"Abc\", 2, -1)", "", 0},
      {"=RIGHT(\"Abc\", 2)", "bc", 0},
      {"=RIGHT(\"Abc\", 9)", "Abc", 0},
      {"=LEFT(\"Abc\", 2)", "Ab", 0},
      {"=LEFT(\"Abc\", -2)", "", 0},
      {"=LEFT(12345, 2)", "12", 0},
      {"=FIND(\"bc\", \"Abc\")", "2", 2},
      {"=FIND(\"BC\", \"Abc\")", "", 0},
      {"=SEARCH(\"bc\", \"ABC\")", "2", 2},
      {"=CHOOSE(2, \"A;B;C\", \";\")", "B", 0},
      {"=CHOOSE(0, \"A;B;C\", \";\")", "A", 0},
      {"=CHOOSE(4, \"A;B;C\", \";\")", "", 0},
      {"=CHOOSE(3, \"A--B--C\", \"--\")", "C", 0},
      {"=PAD(\"Ab\", 5, \"cd\")", "Abcdc", 0},
      {"=PAD(\"Abcdef\", 3, \"x\")", "Abc", 0},
      {"=PAD(\"Ab\", 5, \"\")", "Ab", 0},
      {"=REPLACE(\"Abc\", 1, 2, \"*\")", "*c", 0},
      {"=REPLACE(\"Abc\", 2, 0, \"*\")", "A*bc", 0},
      {"=REPLACE(\"Abc\", 9, 1, \"*\")", "Abc*", 0},
      {"=REPLACE(\"Abc\", 2, 99, \"\")", "A", 0},
      {"=LEN(\"abc\")", "3", 3},
      {"=LEN(12.5)", "4", 4},
      {"=LEN(\"\")", "", 0},
      {"=UPPER(\"abC1\xe9\")", "ABC1\xe9", 0},
      {"=LOWER(\"ABc\")", "abc", 0},
      {"=UPPER(2.5)", "2.5", 0},
      {"=PROPER(\"hello wORLD o'neil\")", "Hello World O'Neil", 0},
      {"=TRIM(\"  a b  \")", "a b", 0},
      {"=TRIMWHITE(\" \ta b\r\n\")", "a b", 0},
      {"=STRREV(\"abc\")", "cba", 0},
      {"=CHAR(65)", "A", 0},
      {"=CHR(321)", "A", 0},
      {"=CODE(\"A\")", "65", 65},
      {"=ASC(\"\xe9\")", "-23", -23},
      {"=CODE(\"\")", "", 0},
      {"=VALUE(\"abc-12.5xyz\")", "-12.5", -12.5},
      {"=VALUE(\"none\")", "", 0},
      {"=LTRIM(\"ababxc\", \"ab\")", "xc", 0},
      {"=RTRIM(\"xcbaab\", \"ab\")", "xc", 0},
      {"=LTRIM(\"  x\", \" \")", "x", 0},
      {"=LTRIM(\"abc\", \"\")", "abc", 0},
      {"=CHOP(\"key=value\", \"=\")", "key", 0},
      {"=CHOP(\"key\", \"=\")", "key", 0},
      {"=REPT(\"ab\", 3)", "ababab", 0},
      {"=REPT(\"\", 1000000000)", "", 0},
      {"=COUNTIF(\"aaaa\", \"aa\")", "2", 2},
      {"=COUNTIF(\"aaaa\", \"\")", "", 0},
      {"=SUBSTITUTE(\"aAa\", \"a\", \"x\")", "xAx", 0},
      {"=SUBSTITUTEI(\"aAa\", \"a\", \"x\")", "xxx", 0},
      {"=SUBSTITUTE(\"a-b-c\", \"-\", \"\")", "abc", 0},
      {"=DEC2HEX(255)", "FF", 0},
      {"=DEC2HEX(-1)", "FFFFFFFF", 0},
      {"=HEX2DEC(\"0xFF\")", "255", 255},
      {"=HEX2DEC(\"\\1a\")", "26", 26},
      {"=HEX2DEC(\"zz\")", "", 0},
      {"=HEX2DEC(\"FFFFFFFFFFFF\")", "4294967295", 4294967295.0},
      {"=FILENAMECLEAN(\"a<b>:c?.txt\")", "a b c.txt", 0},
      {"=FILENAMECLEAN(\"C:\\dir/x|y\")", "C:\\dir/x y", 0},
      {"=FILENAMECLEAN(\"dir\\x/y  \")", "dir x y", 0},
      {"=FILENAMECLEAN(\"\\\\server\\share\")", "\\\\server\\share", 0},
      {"=TYPE(5)", "1", 1},
      {"=TYPE(0)", "2", 2},
      {"=TYPE(\"a\")", "2", 2},
      {"=NUM2WORDS(123)", "One Hundred Twenty Three", 0},
      {"=NUM2WORDS(2000000001)", "(Out of Range)", 0},
  });
}

TEST(FormulaEngine, NumberFunctions) {
  FormulaWorld w;
  ExpectFormulas(w, {
      {"=ABS(-2.5)", "2.5", 2.5},
      {"=CEILING(1.2)", "2", 2},
      {"=CEIL(-1.2)", "-1", -1},
      {"=FLOOR(-1.2)", "-2", -2},
      {"=INT(1.9)", "1", 1},
      {"=SQRT(16)", "4", 4},
      {"=SQR(-4)", "", 0},
      {"=SIN(0)", "", 0},
      {"=COS(0)", "1", 1},
      {"=ATAN(1)*4", "3.14159265358979", 3.14159265358979},
      {"=TAN(0)", "", 0},
      {"=DECIMAL(-2.25)", "-0.25", -0.25},
      {"=PI()", "3.14159265358979", 3.14159265358979},
      {"=MAX(3, 7)", "7", 7},
      {"=MIN(3, 7)", "3", 3},
      {"=QUOTIENT(7, 2)", "3", 3},
      {"=QUOTIENT(-7, 2)", "-3", -3},
      {"=QUOTIENT(3, 0)", "", 0},
      {"=ROUND(1.235, 2)", "1.24", 1.24},
      {"=ROUND(-1.235, 2)", "-1.24", -1.24},
      {"=ROUND(2.5, 0)", "3", 3},
      {"=ROUND(1260, -2)", "1300", 1300},
      {"=ROUND(-1249, -2)", "-1200", -1200},
      {"=ROUND(1.5, 400)", "1.5", 1.5},
      {"=ROUND(5, -400)", "", 0},
      {"=TRUNC(-1.239, 2)", "-1.23", -1.23},
      {"=TRUNC(1.239, -2)", "1.23", 1.23},
      {"=GCD(12, 18)", "6", 6},
      {"=GCD(-12, 18)", "6", 6},
      {"=GCD(0, 0)", "", 0},
      {"=LCM(4, 6)", "12", 12},
      {"=LCM(0, 5)", "", 0},
      {"=LCM(1000000007, 998244353)", "9.98244359987710e+017", 998244359987710471.0},
      {"=MOD(10, 3)", "1", 1},
      {"=MOD(10, 0)", "", 0},
      {"=ISODD(3)", "1", 1},
      {"=ISODD(-3)", "1", 1},
      {"=ISODD(4)", "", 0},
      {"=ROUND(12.5*3+SQRT(16)/2, 2)", "39.5", 39.5},
  });
}

TEST(FormulaEngine, DatesAndTimes) {
  FormulaWorld w;
  double today = DateSerial(2026, 12, 7);
  ExpectFormulas(w, {
      {"=DATE(2009,8,22)", "40047", 40047},
      {"=WEEKDAY(DATE(2009,8,22))", "7", 7},
      {"=DAYSINMONTH(DATE(2009,2,1))", "28", 28},
      {"=MONTHLEN(0)", "", 0},
      {"=DATE(1900,2,29)", "60", 60},
      {"=DATE(2009,13,1)", "40179", 40179},
      {"=YEAR(40047)", "2009", 2009},
      {"=MONTH(40047)", "8", 8},
      {"=DAY(40047)", "22", 22},
      {"=DAYOFYEAR(DATE(2009,3,1))", "60", 60},
      {"=DAYSINYEAR(DATE(2008,1,1))", "366", 366},
      {"=HOUR(0.5)", "12", 12},
      {"=MINUTE(TIME(1,2,3))", "2", 2},
      {"=SECOND(TIME(1,2,3))", "3", 3},
      {"=TIME(23, 30-10, 59+1)", "0.972916666666667", 84060 / 86400.0},
      {"=DATEVALUE(\"8/22/2009\")", "40047", 40047},
      {"=DATEVALUE(\"nonsense\")", "", 0},
      {"=TIMEVALUE(\"11:30 PM\")", "0.979166666666667", 23.5 / 24},
      {"=TEXT(1234.567, \"#,##0.00\")", "1,234.57", 0},
      {"=TEXT(123.456, \"0.00\")", "123.46", 0},
      {"=TEXT(-5, \"(0.00)\")", "(5.00)", 0},
      {"=TEXT(0.5, \".00\")", ".50", 0},
      {"=TEXT(1234, \"$#,##0\")", "$1,234", 0},
      {"=TEXT(\"1,234.5\", \"0.0\")", "1234.5", 0},
      {"=TEXT(\"12abc\", \"0.0\")", "12.0", 0},
      {"=TEXT(DATE(2009,8,22), \"yyyy-mm-dd\")", "2009-08-22", 0},
      {"=TEXT(TIME(13,5,0), \"h:mm AM/PM\")", "1:05 PM", 0},
      {"=TEXT(NOW(), \"hh:mm:ss\")", "10:30:15", 0},
      {"=TEXT(NOW(), \"dddd\")", "Monday", 0},
      {"=TODAY()", "46363", today},
      {"=NOW()-TODAY()>0.43", "1", 1},
      {"=GETTICKCOUNT()", "1000", 1000},
  });
}

TEST(FormulaEngine, KeyTokensAndTruthWords) {
  FormulaWorld w;
  w.desktop.keysDown = {20};
  ExpectFormulas(w, {
      {"=TRUE()+TRUE()", "2", 2},
      {"=FALSE()", "", 0},
      {"={Enter}+1", "14", 14},
      {"={A}+0", "65", 65},
      {"=TRUE()", "", 1},  // a plain number once prepared
      {"=ISKEYPRESSED({CapsLock})", "1", 1},
      {"=ISKEYPRESSED({NumLock})", "", 0},
  });
}

TEST(FormulaEngine, ErrorsBecomeTheTextResult) {
  FormulaWorld w;
  std::string big(5000, 'x');
  ExpectFormulas(w, {
      {"=ABS()", "Formula Error: \"ABS\" requires 1 parameters", 0},
      {"=1+", "Formula Error: \"+\" requires 2 parameters", 0},
      {"=MID(\"a\",1)", "Formula Error: \"MID\" requires 3 parameters", 0},
      {"=1<=", "Formula Error: \"<=\" requires 2 parameters", 0},
      {"=1+(2+(3+(4+(5+(6+(7+(8+(9+(10)))))))))", "Formula Error: Too many nested parameters/calculations", 0},
      {"=1+(2+(3+(4+(5+(6+(7+(8+(9))))))))", "45", 45},
      {"=SUBSTITUTE(REPT(\"a\",100), \"a\", REPT(\"b\",41))", "Expression too big", 0},
      {"=SUBSTITUTE(REPT(\"a\",100), \"a\", REPT(\"b\",40))", std::string(4000, 'b').c_str(), 0},
  });
  EXPECT_EQ(w.Text("=(\"" + big + "\")"), "Parameter too big");
  EXPECT_EQ(w.Text("=LEN(\"" + std::string(4095, 'x') + "\")"), "4095");
  // A concatenation that would reach 4096 characters keeps its left side.
  EXPECT_EQ(w.Text("=REPT(\"a\",4000) & REPT(\"b\",96)"), std::string(4000, 'a'));
  EXPECT_EQ(w.Text("=REPT(\"a\",4000) & REPT(\"b\",95)"), std::string(4000, 'a') + std::string(95, 'b'));
  EXPECT_EQ(w.Text("=REPT(\"ab\",5000)").size(), 4094u);
}

TEST(FormulaEngine, TextsThatAreNoFormulaPassUnchanged) {
  FormulaWorld w;
  std::string out;
  EXPECT_EQ(w.engine.Evaluate("hello world", &out), 0);
  EXPECT_EQ(out, "hello world");
  EXPECT_EQ(w.engine.Evaluate("=abc", &out), 0);
  EXPECT_EQ(out, "=abc");
  EXPECT_EQ(w.engine.Evaluate("=42", &out), 42);
  EXPECT_EQ(out, "");
  EXPECT_EQ(w.engine.Evaluate(" = 4.5 ", &out), 4.5);
  EXPECT_EQ(out, "");
  EXPECT_EQ(w.engine.Evaluate("=()", &out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(w.engine.Evaluate("=2*3", nullptr), 6);
}

TEST(FormulaEngine, NoResultLeaksIntoTheNextEvaluation) {
  FormulaWorld w;
  EXPECT_EQ(w.Text("=ABS()"), "Formula Error: \"ABS\" requires 1 parameters");
  EXPECT_EQ(w.Text("=1+1"), "2");
  EXPECT_EQ(w.Text("=(\"long text\")"), "long text");
  EXPECT_EQ(w.Text("=()"), "");
}

TEST(FormulaEngine, RandomNumbersStayInTheirRange) {
  FormulaWorld w;
  for (int i = 0; i < 200; ++i) {
    double r = w.engine.Evaluate("=RAND()", nullptr);
    EXPECT_GE(r, 0);
    EXPECT_LT(r, 1);
    double d = w.engine.Evaluate("=RANDBETWEEN(1, 6)", nullptr);
    EXPECT_GE(d, 1);
    EXPECT_LE(d, 6);
    EXPECT_EQ(d, std::floor(d));
  }
  EXPECT_EQ(w.engine.Evaluate("=RANDBETWEEN(6, 1)", nullptr), 0);
}

TEST(FormulaEngine, DesktopFunctionsGoThroughThePort) {
  FormulaWorld w;
  w.desktop.SetWindows({{100, "Untitled - Notepad"}, {200, "Calculator"}, {300, "calculator", false},
                        {400, "My Calculator Pro"}});
  w.desktop.pixels[{10, 20}] = 0x00332211;
  ExpectFormulas(w, {
      {"=TOPWINDOW()", "100", 100},
      {"=ISWINDOW(200)", "1", 1},
      {"=ISWINDOW(999)", "", 0},
      {"=FINDWINDOW(\"Calculator\")", "200", 200},
      {"=GETPIXEL(10, 20)", "#112233", 0},
      {"=GETPIXEL(0, 0)", "", 0},
  });
  // Without the system's own lookup, the rounds go exact, then prefix, then substring.
  w.desktop.exactLookupWorks = false;
  ExpectFormulas(w, {
      {"=FINDWINDOW(\"Calculator\")", "200", 200},
      {"=FINDWINDOW(\"untitled\")", "100", 100},
      {"=FINDWINDOW(\"calc\")", "200", 200},
      {"=FINDWINDOW(\"Pro\")", "400", 400},
      {"=FINDWINDOW(\"absent\")", "", 0},
  });
  ExpectFormulas(w, {{"=SETFOCUS(200)", "1", 1}, {"=CLOSEWINDOW(400)", "1", 1}, {"=ISWINDOW(400)", "", 0}});
  EXPECT_EQ(w.desktop.activated, std::vector<uint32_t>{200});
  EXPECT_EQ(w.desktop.closed, std::vector<uint32_t>{400});
}

TEST(FormulaEngine, MessageBoxesAndProgramsAct) {
  FormulaWorld w;
  w.dialogs.answer = 6;
  EXPECT_EQ(w.engine.Evaluate("=MSGBOX(\"Go on?\", 36)", nullptr), 6);
  ASSERT_EQ(w.dialogs.shown.size(), 1u);
  EXPECT_EQ(w.dialogs.shown[0].text, "Go on?");
  EXPECT_EQ(w.dialogs.shown[0].caption, " ");
  EXPECT_EQ(w.dialogs.shown[0].style, 36u);
  EXPECT_EQ(w.engine.Evaluate("=RUN(\"notepad.exe\")", nullptr), 42);
  EXPECT_EQ(w.system.opened, std::vector<std::string>{"notepad.exe"});
}

TEST(FormulaEngine, ActionsUnderIfRunOnlyOnTheChosenBranch) {
  FormulaWorld w;
  w.desktop.SetWindows({{77, "Target"}});
  w.dialogs.answer = 1;
  EXPECT_EQ(w.engine.Evaluate("=IF(1>2, MSGBOX(\"big\",0), MSGBOX(\"small\",0))", nullptr), 1);
  ASSERT_EQ(w.dialogs.shown.size(), 1u);
  EXPECT_EQ(w.dialogs.shown[0].text, "small");
  EXPECT_EQ(w.dialogs.shown[0].style, 0u);

  EXPECT_EQ(w.engine.Evaluate("=IF(1, RUN(\"a.exe\"), RUN(\"b.exe\"))", nullptr), 42);
  EXPECT_EQ(w.system.opened, std::vector<std::string>{"a.exe"});

  EXPECT_EQ(w.engine.Evaluate("=IF(0, SETFOCUS(77), CLOSEWINDOW(77))", nullptr), 1);
  EXPECT_TRUE(w.desktop.activated.empty());
  EXPECT_EQ(w.desktop.closed, std::vector<uint32_t>{77});
  EXPECT_EQ(w.Text("=IF(0, RUN(\"x\"), \"plain\")"), "plain");
  EXPECT_TRUE(w.system.opened.size() == 1);
}

TEST(FormulaEngine, FilesAndSystemInformation) {
  FormulaWorld w;
  w.files.AddFile("C:\\data\\a.txt", 1234);
  w.files.AddFolder("C:\\data");
  ExpectFormulas(w, {
      {"=FILEEXIST(\"C:\\data\\a.txt\")", "1", 1},
      {"=FILEEXIST(\"C:\\data\")", "", 0},
      {"=FILEEXIST(\"C:\\data\\*.txt\")", "1", 1},
      {"=FILEEXIST(\"C:\\data\\?.doc\")", "", 0},
      {"=FOLDEREXIST(\"C:\\data\")", "1", 1},
      {"=FOLDEREXIST(\"C:\\data\\a.txt\")", "", 0},
      {"=FILESIZE(\"C:\\data\\a.txt\")", "1234", 1234},
      {"=FILESIZE(\"C:\\none\")", "", 0},
      {"=INFO(\"osname\")", "Windows 7", 0},
      {"=INFO(\"osversionex\")", "6.1.7601", 0},
      {"=INFO(\"OSVersion\")", "6.1", 0},
      {"=INFO(\"directory\")", "C:\\Work", 0},
      {"=INFO(\"bpp\")", "32", 32},
      {"=INFO(\"maxcolor\")", "16777216", 16777216},
      {"=INFO(\"monitors\")", "2", 2},
      {"=INFO(\"screenx\")", "1920", 1920},
      {"=INFO(\"screeny\")", "1080", 1080},
      {"=INFO(\"memfree\")", "1073741824", 1073741824.0},
      {"=INFO(\"totmem\")", "4294967296", 4294967296.0},
      {"=INFO(\"memused\")", "3221225472", 3221225472.0},
      {"=INFO(\"other\")", "", 0},
  });
}

TEST(OsName, NamesWindowsVersions) {
  struct Case {
    uint32_t major, minor;
    bool workstation;
    const char* name;
  } cases[] = {
      {5, 1, true, "Windows XP"},   {6, 0, false, "Windows Server 2008"}, {6, 1, false, "Windows Server 2008"},
      {6, 0, true, "Windows Vista"}, {6, 1, true, "Windows 7"},           {5, 2, false, "Windows 2003"},
      {5, 0, true, "Windows 2000"}, {4, 90, true, "Windows ME"},          {4, 10, true, "Windows 98"},
      {4, 0, true, "Windows NT"},   {10, 0, true, "Unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(OsName({c.major, c.minor, 0, c.workstation, true}), c.name);
  EXPECT_EQ(OsName({6, 1, 0, true, false}), "Linux");
}

}  // namespace
}  // namespace plumo
