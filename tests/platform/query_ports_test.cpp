// The ports the formulas query: locale, system and files, shared behaviour and helpers.
#include "fakes/fake_files.h"
#include "fakes/fake_locale.h"
#include "fakes/fake_system.h"
#include "platform/dialogs.h"
#include "platform/port_conformance.h"

namespace plumo {
namespace {

TEST_P(LocaleConformance, NamesEveryMonthAndDay) {
  auto locale = GetParam().make();
  const LocaleValues& v = locale->Values();
  for (int i = 0; i < 12; ++i) {
    EXPECT_FALSE(v.monthNames[i].empty()) << i;
    EXPECT_FALSE(v.monthAbbrevs[i].empty()) << i;
  }
  for (int i = 0; i < 7; ++i) {
    EXPECT_FALSE(v.dayNames[i].empty()) << i;
    EXPECT_FALSE(v.dayAbbrevs[i].empty()) << i;
  }
  EXPECT_NE(v.monthNames[0], v.monthNames[1]);
  EXPECT_FALSE(v.decimalSeparator.empty());
  EXPECT_NE(v.decimalSeparator, v.thousandsSeparator);
  EXPECT_EQ(&v, &locale->Values()) << "read once";
}

TEST_P(LocaleConformance, ShortDateOrderMatchesItsPicture) {
  auto locale = GetParam().make();
  const LocaleValues& v = locale->Values();
  EXPECT_NE(v.shortDateFormat.find('d'), std::string::npos) << v.shortDateFormat;
  EXPECT_NE(v.shortDateFormat.find('M'), std::string::npos) << v.shortDateFormat;
  EXPECT_EQ(v.dateOrder, DateOrderOfPicture(v.shortDateFormat)) << v.shortDateFormat;
  EXPECT_FALSE(v.timeFormat.empty());
}

TEST_P(LocaleConformance, ComparisonSortsAndKeepsCase) {
  auto locale = GetParam().make();
  EXPECT_EQ(locale->CompareText("abc", "abc"), 0);
  EXPECT_LT(locale->CompareText("abc", "abd"), 0);
  EXPECT_GT(locale->CompareText("abd", "abc"), 0);
  EXPECT_LT(locale->CompareText("ab", "abc"), 0);
  EXPECT_NE(locale->CompareText("a", "A"), 0);
  EXPECT_EQ(locale->CompareText("a", "A") < 0, locale->CompareText("A", "a") > 0);
  EXPECT_LT(locale->CompareText("", "a"), 0);
  std::string longA(300, 'a'), longB = std::string(299, 'a') + "b";
  EXPECT_LT(locale->CompareText(longA, longB), 0);
}

TEST_P(SystemConformance, DescribesTheMachine) {
  auto system = GetParam().make();
  OsVersion v = system->Version();
  EXPECT_GT(v.major, 0u);
  MemoryStatus m = system->Memory();
  EXPECT_GT(m.total, 0u);
  EXPECT_LE(m.available, m.total);
  EXPECT_FALSE(system->CurrentDirectory().empty());
  EXPECT_FALSE(system->CommandLine().empty());
  EXPECT_FALSE(system->UserName().empty());
  // Time zones lie between UTC-12 and UTC+14.
  EXPECT_GE(system->TimeZoneBias(), -14 * 60);
  EXPECT_LE(system->TimeZoneBias(), 12 * 60);
  for (const std::string& folder : {system->SystemFolder(), system->WindowsFolder()})
    EXPECT_TRUE(folder.empty() || (folder.back() != '\\' && folder.back() != '/')) << folder;
}

TEST_P(FilesConformance, TellsFilesFromFolders) {
  std::string root;
  auto files = GetParam().make(&root);
  EXPECT_EQ(files->Kind(root + "a.txt"), PathKind::kFile);
  EXPECT_EQ(files->Kind(root + "sub"), PathKind::kFolder);
  EXPECT_EQ(files->Kind(root + "none"), PathKind::kNone);
  EXPECT_EQ(files->FileSize(root + "a.txt"), 5u);
  EXPECT_EQ(files->FileSize(root + "b.log"), 0u);
  EXPECT_EQ(files->FileSize(root + "sub"), std::nullopt);
  EXPECT_EQ(files->FileSize(root + "none"), std::nullopt);
  EXPECT_TRUE(files->AnyMatch(root + "*.txt"));
  EXPECT_TRUE(files->AnyMatch(root + "?.log"));
  EXPECT_TRUE(files->AnyMatch(root + "s*"));
  EXPECT_FALSE(files->AnyMatch(root + "*.doc"));
  EXPECT_FALSE(files->AnyMatch(root + "none\\*.txt"));
}

TEST(DateOrderOfPicture, ReadsTheFieldOrder) {
  EXPECT_EQ(DateOrderOfPicture("M/d/yyyy"), DateOrder::kMonthDayYear);
  EXPECT_EQ(DateOrderOfPicture("dd.MM.yyyy"), DateOrder::kDayMonthYear);
  EXPECT_EQ(DateOrderOfPicture("yyyy-MM-dd"), DateOrder::kYearMonthDay);
  EXPECT_EQ(DateOrderOfPicture(""), DateOrder::kMonthDayYear);
}

TEST(SplitCommand, SeparatesTheQuotedFile) {
  std::string file, params;
  SplitCommand("\"C:\\a b\\x.exe\" -p 1", &file, &params);
  EXPECT_EQ(file, "C:\\a b\\x.exe");
  EXPECT_EQ(params, "-p 1");
  SplitCommand("  notepad.exe ", &file, &params);
  EXPECT_EQ(file, "notepad.exe");
  EXPECT_EQ(params, "");
  SplitCommand("\"unclosed", &file, &params);
  EXPECT_EQ(file, "unclosed");
}

TEST(ButtonsOfStyle, FollowTheMessageBoxStyles) {
  MessageButtons b = ButtonsOfStyle(4 | 0x100);  // Yes/No, second button default
  EXPECT_EQ(b.count, 2);
  EXPECT_EQ(b.answers[0], 6);
  EXPECT_EQ(b.answers[b.defaultIndex], 7);
  EXPECT_EQ(ButtonsOfStyle(0).answers[0], 1);
  EXPECT_EQ(ButtonsOfStyle(15).count, 1);    // unknown sets are OK only
  EXPECT_EQ(ButtonsOfStyle(0x300).defaultIndex, 0);
}

INSTANTIATE_TEST_SUITE_P(Fake, LocaleConformance,
                         testing::Values(PortFactory<Locale>{"Fake", [] { return std::make_unique<FakeLocale>(); }},
                                         PortFactory<Locale>{"FakeGerman",
                                                             [] {
                                                               return std::make_unique<FakeLocale>(
                                                                   GermanLocaleValues());
                                                             }}),
                         PortName<Locale>);

INSTANTIATE_TEST_SUITE_P(Fake, SystemConformance,
                         testing::Values(PortFactory<System>{"Fake", [] { return std::make_unique<FakeSystem>(); }}),
                         PortName<System>);

INSTANTIATE_TEST_SUITE_P(Fake, FilesConformance,
                         testing::Values(FilesSetup{"Fake",
                                                    [](std::string* root) {
                                                      auto f = std::make_unique<FakeFiles>();
                                                      *root = "C:\\t\\";
                                                      f->AddFolder("C:\\t");
                                                      f->Put("C:\\t\\a.txt", "12345");
                                                      f->AddFile("C:\\t\\b.log", 0);
                                                      f->AddFolder("C:\\t\\sub");
                                                      return f;
                                                    }}),
                         FilesSetupName);

}  // namespace
}  // namespace plumo
