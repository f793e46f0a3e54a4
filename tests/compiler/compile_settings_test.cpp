#include "compiler/compile_settings.h"

#include <gtest/gtest.h>

#include "fakes/fake_files.h"
#include "fakes/fake_environment.h"
#include "platform/memory/memory_registry.h"

namespace plumo {
namespace {

class CompileSettingsTest : public testing::Test {
 protected:
  MemoryRegistry registry_;
  FakeEnvironment environment_;
  FakeFiles files_;
  SettingsStore store_{registry_, environment_, files_};
};

TEST_F(CompileSettingsTest, RoundTripUnderTheDialogsNames) {
  BuildRequest r;
  r.output = "C:\\out\\demo.dll";
  r.icon = "C:\\a.ico";
  r.version = "2.5.1";
  r.copyright = "(c) Me";
  r.description = "Demo";
  r.compress = r.encrypt = true;
  r.packaging = packaging::kDataFiles;
  r.platform = Platform::kDll;
  SaveCompileSettings(store_, r);
  EXPECT_EQ(store_.ReadText("*\\Compile\\OutputEXE", 260), "C:\\out\\demo.dll");
  EXPECT_EQ(store_.ReadNumber("*\\Compile\\Platform"), 2);
  EXPECT_EQ(store_.ReadNumber("*\\Compile\\EmbedTypes"), 2);
  EXPECT_EQ(store_.ReadNumber("*\\Compile\\SingleInstance"), 0);

  BuildRequest back;
  back.quiet = true;
  LoadCompileSettings(store_, back);
  EXPECT_EQ(back.output, r.output);
  EXPECT_EQ(back.icon, r.icon);
  EXPECT_EQ(back.version, r.version);
  EXPECT_EQ(back.copyright, r.copyright);
  EXPECT_EQ(back.description, r.description);
  EXPECT_TRUE(back.compress);
  EXPECT_FALSE(back.singleInstance);
  EXPECT_TRUE(back.encrypt);
  EXPECT_EQ(back.packaging, packaging::kDataFiles);
  EXPECT_EQ(back.platform, Platform::kDll);
  EXPECT_TRUE(back.quiet);  // not the dialog's
}

TEST_F(CompileSettingsTest, OddStoredValuesGiveAWindowsProgramAndKnownBits) {
  store_.WriteNumber("*\\Compile\\Platform", 7);
  store_.WriteNumber("*\\Compile\\EmbedTypes", 0xFF);
  BuildRequest r;
  LoadCompileSettings(store_, r);
  EXPECT_EQ(r.platform, Platform::kWindows);
  EXPECT_EQ(r.packaging, 3);
}

TEST(IconChoice, TheStoredFileNamesTheChoice) {
  constexpr const char* kStudio = "C:\\Plumo\\Plumo.exe";
  const struct {
    const char* file;
    IconChoice choice;
  } cases[] = {
      {"", IconChoice::kStandard},
      {"  ", IconChoice::kStandard},
      {"C:\\Plumo\\Plumo.exe", IconChoice::kStudio},
      {"c:\\PLUMO\\plumo.EXE", IconChoice::kStudio},
      {"C:\\Plumo\\Plumo.exe.ico", IconChoice::kFile},
      {"C:\\icons\\a.ico", IconChoice::kFile},
  };
  for (const auto& c : cases) EXPECT_EQ(IconChoiceOf(c.file, kStudio), c.choice) << c.file;
}

}  // namespace
}  // namespace plumo
