#include "fakes/fake_environment.h"
#include "platform/port_conformance.h"

namespace plumo {
namespace {

TEST_P(EnvironmentConformance, SetGetAndRemove) {
  auto env = GetParam().make();
  ASSERT_TRUE(env->Set("PLUMO_PORT_TEST", std::string("a value")).ok());
  EXPECT_EQ(env->Get("PLUMO_PORT_TEST"), "a value");
  ASSERT_TRUE(env->Set("PLUMO_PORT_TEST", std::nullopt).ok());
  EXPECT_EQ(env->Get("PLUMO_PORT_TEST"), std::nullopt);
  EXPECT_FALSE(env->Set("BAD=NAME", std::string("x")).ok());
}

TEST_P(EnvironmentConformance, ExpandsKnownNamesAndKeepsTheRest) {
  auto env = GetParam().make();
  ASSERT_TRUE(env->Set("PLUMO_X", std::string("[x]")).ok());
  EXPECT_TRUE(env->Set("PLUMO_UNSET", std::nullopt).ok());
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"%PLUMO_X%", "[x]"},
      {"a%PLUMO_X%b%PLUMO_X%c", "a[x]b[x]c"},
      {"%PLUMO_UNSET%", "%PLUMO_UNSET%"},
      {"%PLUMO_UNSET%%PLUMO_X%", "%PLUMO_UNSET%[x]"},
      {"100% and %PLUMO_X%", "100% and %PLUMO_X%"},  // "% and %" is the unknown name
      {"100%% and %PLUMO_X%", "100%% and [x]"},
      {"trailing %", "trailing %"},
      {"%%", "%%"},
      {"no names", "no names"},
  };
  for (const auto& c : cases) EXPECT_EQ(env->ExpandStrings(c.in), c.out) << c.in;
  EXPECT_TRUE(env->Set("PLUMO_X", std::nullopt).ok());
}

TEST_P(EnvironmentConformance, FoldersEndWithASeparator) {
  auto env = GetParam().make();
  for (const std::string& folder : {env->TempFolder(), env->DocumentsFolder(), env->AppDataFolder()}) {
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.back() == '\\' || folder.back() == '/') << folder;
  }
  EXPECT_FALSE(env->ProgramPath().empty());
  // Folders a system may lack are empty rather than a guess.
  for (const std::string& folder : {env->DesktopFolder(), env->StartMenuFolder()})
    EXPECT_TRUE(folder.empty() || folder.back() == '\\' || folder.back() == '/') << folder;
}

INSTANTIATE_TEST_SUITE_P(Fake, EnvironmentConformance,
                         testing::Values(PortFactory<Environment>{
                             "Fake", [] { return std::make_unique<FakeEnvironment>(); }}),
                         PortName<Environment>);

}  // namespace
}  // namespace plumo
