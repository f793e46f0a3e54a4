// Store output and the variable store: what is written where, and the run-log line of each.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#include "vars/pdf_writer.h"
#include "vars/variables_world.h"

namespace plumo {
namespace {

using testing::Contains;
using testing::HasSubstr;

namespace fs = std::filesystem;

class StoreOutputTest : public testing::Test {
 protected:
  VariablesWorld w_;
};

TEST_F(StoreOutputTest, UserVariablesAreStoredWithTheirLengthRuleAndLogged) {
  struct Case {
    std::string option;
    std::string value;
    size_t length;
    std::string storedName;
    std::string storedBytes;
    std::string line;
  };
  const std::string nul("abc\0defghi", 10);
  const Case cases[] = {
      {"%total", "abc", 3, "total", std::string("abc\0", 4), "    total = \"abc\" (3 bytes)"},
      {"%total", "12", 2, "total", std::string("12\0", 3), "    total = \"12\""},
      {"%total", "12 apples", 9, "total", std::string("12 apples\0", 10), "    total = \"12 apples\" (9 bytes)"},
      {"%n", nul, 10, "n", nul, "    n = \"abc\" (10 bytes)"},
      {"%b", std::string("ab\x01" "cd", 5), 5, "b", std::string("ab\x01" "cd\0", 6), "    b = 5 bytes (binary)"},
      {"%e", "", 0, "e", std::string(1, '\0'), "    e = \"\""},
      {"%my var", "v", 1, "my", std::string("v\0", 2), "    my = \"v\" (1 bytes)"},
      {"total", "-1.5", 4, "total", std::string("-1.5\0", 5), "    total = \"-1.5\""},
      {"%long", std::string(300, 'x'), 300, "long", std::string(300, 'x') + '\0',
       "    long = \"" + std::string(228, 'x') + "...\" (300 bytes)"},
  };
  for (const Case& c : cases) {
    w_.Store("Variable", c.option, c.value, c.length);
    EXPECT_EQ(w_.Raw(c.storedName).data, c.storedBytes) << c.option;
    EXPECT_EQ(w_.Raw(c.storedName).kind, RegKind::kString) << c.option;
    EXPECT_EQ(w_.LastLine(), c.line) << c.option;
  }
  EXPECT_EQ(w_.variables.Read("total"), "-1.5");
  EXPECT_EQ(w_.variables.Read("%TOTAL"), "-1.5");
  EXPECT_EQ(w_.variables.Read("n"), nul);
}

TEST_F(StoreOutputTest, IndirectDestinationNames) {
  w_.Set("pointer", "target");
  w_.Set("i", "2");
  w_.Store("Variable", "%%pointer", "via pointer");
  EXPECT_EQ(w_.variables.Read("target"), "via pointer");
  w_.Store("Variable", "%list[%i]", "second");
  EXPECT_EQ(w_.variables.Read("list[2]"), "second");
  w_.Store("Variable", "{year}", "named by a system variable");
  EXPECT_EQ(w_.variables.Read("2026"), "named by a system variable");
  EXPECT_EQ(w_.variables.Probe("pointer"), 7u);  // the pointer itself is untouched
}

TEST_F(StoreOutputTest, NothingIsStoredWithoutADestinationOrForARepeatedZero) {
  w_.Store("", "%x", "1");
  EXPECT_EQ(w_.variables.Count(), 0u);
  w_.StepAt(0).runCount = 2;
  w_.Store("Variable", "%x", "0", 1);
  EXPECT_EQ(w_.variables.Probe("x"), 0u);
  w_.Store("Variable", "%x", "5", 1);
  EXPECT_EQ(w_.variables.Read("x"), "5");
  w_.StepAt(0).runCount = 1;
  w_.Store("Variable", "%x", "0", 1);
  EXPECT_EQ(w_.variables.Read("x"), "0");
}

TEST_F(StoreOutputTest, AGivenDestinationNeedsNoStepFields) {
  w_.output.StoreInto(0, 0, "Variable", "%counter", "3", 1);
  EXPECT_EQ(w_.variables.Read("counter"), "3");
  EXPECT_EQ(w_.LastLine(), "    counter = \"3\"");
  w_.output.StoreInto(7, 99, "Variable", "%elsewhere", "x", 1);  // no such Step: still stored
  EXPECT_EQ(w_.variables.Read("elsewhere"), "x");
}

TEST_F(StoreOutputTest, MemorySlotsLeaveTheRegistryAlone) {
  w_.Store("Memory Variable", "{3}", "in three");
  EXPECT_EQ(w_.slots.Text(3), "in three");
  EXPECT_EQ(w_.LastLine(), "    {3} = \"in three\" (9 bytes)");
  EXPECT_EQ(w_.variables.Count(), 0u);
  w_.Store("Variable", "{4}", "in four");
  EXPECT_EQ(w_.slots.Text(4), "in four");
  EXPECT_EQ(w_.X("{3}/{4}"), "in three/in four");
  w_.output.Delete(0, 0, "{3}");
  EXPECT_FALSE(w_.slots.Text(3).has_value());
  EXPECT_EQ(w_.slots.Text(4), "in four");

  w_.Store("Memory Variable", "total", "x");
  EXPECT_EQ(w_.LastLine(), "    WARNING: Invalid \"Save Output\" destination for [Step 1]");
  w_.Store("Nowhere", "x", "x");
  EXPECT_EQ(w_.LastLine(), "    WARNING: Invalid \"Save Output\" destination for [Step 1]");
  w_.Store("File", "", "x");
  EXPECT_EQ(w_.LastLine(), "    WARNING: Invalid \"Save Output\" destination for [Step 1]");
}

TEST(MemorySlots, BuffersGrowOnlyWhenTheValueDoesNotFit) {
  MemorySlots slots;
  slots.Store(1, "abc", 3);
  EXPECT_EQ(slots.Capacity(1), 65539u);
  slots.Store(1, std::string(1000, 'y'), 1000);
  EXPECT_EQ(slots.Capacity(1), 65539u);
  slots.Store(1, "z", 1);
  EXPECT_EQ(slots.Text(1), "z");  // the old value was zeroed
  slots.Store(1, std::string(70000, 'q'), 70000);
  EXPECT_EQ(slots.Capacity(1), 135536u);
  slots.Store(2, std::string("a\0b", 3), 3);
  EXPECT_EQ(slots.Text(2), "a");
  slots.FreeAll();
  EXPECT_EQ(slots.Capacity(1), 0u);
  EXPECT_FALSE(slots.Text(2).has_value());
  EXPECT_EQ(SlotNumber("{9}"), 9);
  EXPECT_EQ(SlotNumber("{0}"), 0);
  EXPECT_EQ(SlotNumber("{10}"), 0);
}

TEST_F(StoreOutputTest, BinaryValuesGoThroughTheStoreAndComeBack) {
  // A Set keeps the references as text; the final expansion makes them bytes.
  size_t length = 0;
  std::string kept = w_.expander.Expand("A{\\01}B{\\FF}", 0, 0, expansion::kKeepBinary, &length);
  w_.Store("Variable", "%bin", kept, length);
  EXPECT_EQ(w_.X("%bin"), "A\x01" "B\xFF");
  // Bytes that were already binary stay binary.
  std::string raw("x\x02y\xFFz", 5);
  w_.Store("Variable", "%raw", raw);
  EXPECT_EQ(w_.LastLine(), "    raw = 5 bytes (binary)");
  EXPECT_EQ(w_.X("[%raw]"), "[" + raw + "]");
}

TEST_F(StoreOutputTest, EnvironmentInTheProcessAndBothRegistryPlaces) {
  w_.Store("Environment Variable", "%PLUMO_TEST%", "on");
  EXPECT_EQ(w_.environment.Get("PLUMO_TEST"), "on");
  EXPECT_EQ(w_.settings.ReadText("HKEY_CURRENT_USER\\Environment\\PLUMO_TEST", 64), "on");
  EXPECT_EQ(w_.settings.ReadText(
                "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment\\PLUMO_TEST", 64),
            "on");
  EXPECT_EQ(w_.system.announcements, 1);
  EXPECT_EQ(w_.clock.TickCount(), 2000u);  // the 1000 ms wait
  w_.Store("Environment Variable", "PLUMO_TEST", "");
  EXPECT_FALSE(w_.environment.Get("PLUMO_TEST").has_value());
  EXPECT_EQ(w_.settings.Probe("HKEY_CURRENT_USER\\Environment\\PLUMO_TEST"), 0u);
  // Without a name nothing is touched, least of all the whole Environment key.
  w_.settings.WriteText("HKEY_CURRENT_USER\\Environment\\Keep", "me");
  w_.Store("Environment Variable", "%%", "");
  EXPECT_EQ(w_.settings.ReadText("HKEY_CURRENT_USER\\Environment\\Keep", 64), "me");
}

TEST_F(StoreOutputTest, ClipboardOutputAndMessageDestinations) {
  w_.Store("Clipboard", "", "copied");
  EXPECT_EQ(w_.clipboard.Text(), "copied");
  EXPECT_EQ(w_.LastLine(), "    Saving 6 byte(s) to clipboard: \"copied\"");

  w_.run.lines.clear();
  w_.Store("Display in Output", "", "one\r\ntwo\nthree");
  EXPECT_THAT(w_.run.lines, testing::ElementsAre("one  ", "two ", "three"));
  EXPECT_THAT(w_.run.debug, testing::ElementsAre("one  \r\n", "two \r\n", "three\r\n"));

  w_.run.lines.clear();
  w_.Store("Display in Output", "", std::string(600, 'o'));
  // One line of 487 characters and the mark, cut to 255.
  EXPECT_THAT(w_.run.lines, testing::ElementsAre(std::string(255, 'o')));
  w_.run.lines.clear();
  w_.Store("Display in Output", "", std::string(300, 'p') + "\n" + std::string(200, 'q'));
  EXPECT_THAT(w_.run.lines, testing::ElementsAre(std::string(255, 'p'), std::string(186, 'q') +
                                                 "  <<< DATA TRUNCATED >>>  "));

  w_.dialogs.answer = 1;
  w_.Store("Display in Message", "", "look");
  ASSERT_EQ(w_.dialogs.shown.size(), 1u);
  EXPECT_EQ(w_.dialogs.shown[0].text, "look");
  EXPECT_EQ(w_.dialogs.shown[0].caption, "[Step 1] Data Result  (Press Cancel to Stop)");
  EXPECT_EQ(w_.dialogs.shown[0].style, 0x52001u);
  EXPECT_EQ(w_.run.stops, 0);
  w_.dialogs.answer = 2;
  w_.Store("Display in Message", "", "stop now");
  EXPECT_EQ(w_.run.stops, 1);
}

TEST_F(StoreOutputTest, FilesGetExactlyTheBytesAndLogLines) {
  w_.files.AddFolder("C:\\out");
  w_.Set("dir", "C:\\out\\");
  const std::string bytes("a\0b\0c", 5);
  w_.Store("File", "%dir" "out.bin", bytes, 5);
  const std::string path = "C:\\out\\out.bin";
  EXPECT_EQ(w_.files.Content(path), bytes);
  EXPECT_EQ(w_.LastLine(), "    Saving 5 byte(s) to file [" + path + "]: \"a\"");

  w_.Store("File", path, "", 0);
  EXPECT_FALSE(w_.files.Has(path));  // deleted, and nothing written

  const std::string bad = "C:\\out\\missing\\out.txt";
  w_.Store("File", bad, "x", 1);
  EXPECT_EQ(w_.LastLine(), "    ERROR saving 1 byte(s) to file \"" + bad + "\"");
}

TEST_F(StoreOutputTest, AFailedWriteKeepsTheOldFileAndSaysSo) {
  w_.files.AddFolder("C:\\out");
  for (const char* kind : {"File", "Adobe PDF Document"}) {
    w_.files.Put("C:\\out\\kept", "old content");
    w_.files.FailNextWrite();  // a full disk
    w_.Store(kind, "C:\\out\\kept", "new content");
    EXPECT_EQ(w_.files.Content("C:\\out\\kept"), "old content") << kind;
    EXPECT_EQ(w_.LastLine(), "    ERROR saving 11 byte(s) to file \"C:\\out\\kept\"") << kind;
  }
  w_.Store("Adobe PDF Document", "C:\\out\\kept", "new content");
  EXPECT_EQ(w_.files.Content("C:\\out\\kept").rfind("%PDF-1.4", 0), 0u);
}

TEST_F(StoreOutputTest, ExcelIsNotAvailableAndStoresNothing) {
  ScratchFolder folder;
  std::string path = folder.File("book.xls");
  w_.Store("Excel Spreadsheet", path, "cell");
  EXPECT_THAT(w_.LastLine(), HasSubstr("not available"));
  EXPECT_THAT(w_.LastLine(), HasSubstr(path));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(w_.variables.Count(), 0u);
}

TEST(PdfWriter, CrossReferenceOffsetsPointAtTheirObjects) {
  std::string doc = PdfDocument("short");
  size_t xref = doc.rfind("startxref\n");
  ASSERT_NE(xref, std::string::npos);
  size_t table = std::stoul(doc.substr(xref + 10));
  ASSERT_EQ(doc.compare(table, 4, "xref"), 0);
  size_t entry = doc.find("0000000000 65535 f \n", table) + 20;
  for (int obj = 1; obj <= 5; ++obj, entry += 20) {
    size_t offset = std::stoul(doc.substr(entry, 10));
    EXPECT_EQ(doc.compare(offset, std::to_string(obj).size() + 6, std::to_string(obj) + " 0 obj"), 0) << obj;
  }
}

TEST_F(StoreOutputTest, ThePaletteHearsAtMostEveryHundredMilliseconds) {
  w_.Store("Variable", "%n", "12");
  EXPECT_EQ(w_.run.rows["n"], std::make_pair(std::string("12"), ShownAs::kNumber));
  w_.Store("Variable", "%t", "text");
  EXPECT_EQ(w_.run.rows.count("t"), 0u);  // too soon
  w_.clock.Advance(100);
  w_.Store("Variable", "%t", std::string(300, 'v'));
  EXPECT_EQ(w_.run.rows["t"], std::make_pair(std::string(193, 'v'), ShownAs::kText));
  w_.clock.Advance(100);
  w_.Store("Variable", "%b", "\x05");
  EXPECT_EQ(w_.run.rows["b"].second, ShownAs::kBinary);
  w_.clock.Advance(100);
  w_.Store("Variable", "%_hidden", "x");
  w_.Store("Variable", "%login_password", "x");
  EXPECT_EQ(w_.run.rows.count("_hidden") + w_.run.rows.count("login_password"), 0u);
  EXPECT_EQ(w_.run.paletteUpdates, 3);
}

TEST_F(StoreOutputTest, DeleteFormsAndTheResets) {
  w_.Set("i", "2");
  w_.Set("list[2]", "two");
  w_.Set("list[3]", "three");
  w_.run.rows["list[2]"] = {"two", ShownAs::kText};
  w_.output.Delete(0, 0, "%list[%i]");
  EXPECT_EQ(w_.variables.Probe("list[2]"), 0u);
  EXPECT_EQ(w_.run.rows.count("list[2]"), 0u);
  EXPECT_EQ(w_.variables.Read("list[3]"), "three");
  w_.output.Delete(0, 0, "absent");  // nothing happens

  w_.slots.Store(1, "s", 1);
  w_.output.Delete(0, 0, "All");
  EXPECT_EQ(w_.variables.Count(), 0u);
  EXPECT_FALSE(w_.slots.Text(1).has_value());

  w_.Set("keep", "1");
  w_.output.ResetAtRunStart(false, true);  // the setting is off
  EXPECT_EQ(w_.variables.Count(), 1u);
  w_.settings.WriteNumber("*\\ResetUserVariables", 1);
  w_.output.ResetAtRunStart(true, true);  // nested run
  w_.output.ResetAtRunStart(false, false);  // another studio runs
  w_.output.ResetAtStudioClose(false);
  EXPECT_EQ(w_.variables.Count(), 1u);
  EXPECT_THAT(w_.run.debug, Contains("WM_DESTROY: ResetUserVariables: 1\r\n"));
  w_.run.rows["keep"] = {"1", ShownAs::kNumber};
  w_.output.ResetAtRunStart(false, true);
  EXPECT_EQ(w_.variables.Count(), 0u);
  EXPECT_TRUE(w_.run.rows.empty());
  w_.Set("keep", "1");
  w_.output.ResetAtStudioClose(true);
  EXPECT_EQ(w_.variables.Count(), 0u);
}

TEST(VariableNames, HiddenNamesAndBinaryValues) {
  for (const char* hidden : {"login_username", "login_password", "SavedMousePosition_X", "parameter3", "a (File=x)",
                             "x_loop_1", "DLL_result", "_private"})
    EXPECT_TRUE(IsHiddenVariable(hidden)) << hidden;
  for (const char* shown : {"total", "Parameter", "loop_count", "dll"}) EXPECT_FALSE(IsHiddenVariable(shown)) << shown;
  EXPECT_TRUE(IsBinaryValue(std::string("a\x08", 2)));
  EXPECT_TRUE(IsBinaryValue("\xFF"));
  EXPECT_FALSE(IsBinaryValue(std::string("a\0\t\x7F\x80", 5)));
  EXPECT_EQ(VariableName("%" + std::string(70, 'n')), std::string(63, 'n'));
  EXPECT_EQ(DestinationName("abc.d[1]{x}%y z"), "abc.d[1]{x}%y");
  EXPECT_EQ(DestinationName(std::string(80, 'q')), std::string(63, 'q'));
}

TEST(VariableStore, LongValuesSpillAndComeBackWhole) {
  VariablesWorld w;
  w.files.AddFolder("C:\\Temp");  // where the fake environment's temporary folder is
  w.memory.SetValueSizeLimit(512);
  std::string big(5000, 'b');
  w.Store("Variable", "%big", big);
  EXPECT_EQ(w.variables.Read("big"), big);
  EXPECT_EQ(w.X("<%big>"), "<" + big + ">");
  EXPECT_TRUE(w.variables.Delete("big"));
  EXPECT_FALSE(w.variables.Read("big").has_value());
  EXPECT_FALSE(w.variables.Delete("big"));
}

TEST(VariableStore, NamesAndValuesFollowTheRegistry) {
  VariablesWorld w;
  EXPECT_EQ(w.variables.Count(), 0u);
  EXPECT_EQ(w.variables.LongestExistingPrefix("abc"), 0u);
  w.Set("a", "1");
  w.Set("AB", "2");
  EXPECT_EQ(w.variables.Count(), 2u);
  EXPECT_EQ(w.variables.LongestExistingPrefix("abc"), 2u);
  EXPECT_EQ(w.variables.LongestExistingPrefix("ax"), 1u);
  // Written behind the store's back, as another program would.
  EXPECT_TRUE(w.registry.WriteValue(RegRoot::kCurrentUser, "SOFTWARE\\Plumo\\UserVariables", "a", RegValue::Text("changed")).ok());
  EXPECT_EQ(w.variables.Read("a"), "changed");
  w.settings.SetKeyOverride("Other");
  EXPECT_EQ(w.variables.Count(), 0u);  // the override moves the whole key
}

// Counts the listings of the variables key and lets a test act between a write and its return,
// as another program would.
class WatchedRegistry : public Registry {
 public:
  OsError CreateKey(RegRoot r, const std::string& k) override { return inner.CreateKey(r, k); }
  bool KeyExists(RegRoot r, const std::string& k) override { return inner.KeyExists(r, k); }
  OsError DeleteKeyTree(RegRoot r, const std::string& k) override { return inner.DeleteKeyTree(r, k); }
  OsError ReadValue(RegRoot r, const std::string& k, const std::string& n, RegValue* out) override {
    return inner.ReadValue(r, k, n, out);
  }
  OsError WriteValue(RegRoot r, const std::string& k, const std::string& n, const RegValue& v) override {
    OsError e = inner.WriteValue(r, k, n, v);
    if (duringWrite) std::exchange(duringWrite, nullptr)();
    return e;
  }
  OsError DeleteValue(RegRoot r, const std::string& k, const std::string& n) override { return inner.DeleteValue(r, k, n); }
  OsError ListValues(RegRoot r, const std::string& k, std::vector<std::string>* names) override {
    ++listings;
    return inner.ListValues(r, k, names);
  }
  OsError ListSubkeys(RegRoot r, const std::string& k, std::vector<std::string>* names) override {
    return inner.ListSubkeys(r, k, names);
  }
  uint64_t ChangeStamp(RegRoot r, const std::string& k) override { return inner.ChangeStamp(r, k); }

  MemoryRegistry inner;
  int listings = 0;
  std::function<void()> duringWrite;
};

TEST(VariableStore, OwnWritesKeepTheCacheAndAnotherProgramsWriteInBetweenShowsWithinABound) {
  WatchedRegistry registry;
  VariablesWorld w(&registry);
  w.Set("i", "0");
  const int listed = registry.listings;
  for (int i = 1; i <= 100; ++i) {
    ASSERT_GT(w.variables.Write("i", std::to_string(i)), 0u);
    ASSERT_EQ(w.variables.Read("i"), std::to_string(i));
    ASSERT_EQ(w.variables.LongestExistingPrefix("i*2"), 1u);
  }
  EXPECT_LE(registry.listings, listed + 1);

  // Another program writes while this one's write is under way: its change hides behind the
  // stamp taken after the own write, for a bounded number of reads at most.
  registry.duringWrite = [&] {
    EXPECT_TRUE(registry.inner.WriteValue(RegRoot::kCurrentUser, "SOFTWARE\\Plumo\\UserVariables", "other", RegValue::Text("x")).ok());
  };
  w.variables.Write("i", "101");
  int reads = 0;
  while (!w.variables.Read("other") && reads < 5000) ++reads;
  EXPECT_LT(reads, 1001);
  EXPECT_EQ(w.variables.Read("other"), "x");
}

}  // namespace
}  // namespace plumo
