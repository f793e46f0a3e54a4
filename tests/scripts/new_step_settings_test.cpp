#include "scripts/new_step_settings.h"

#include <gtest/gtest.h>

#include "fakes/fake_files.h"
#include "fakes/fake_environment.h"
#include "platform/memory/memory_registry.h"
#include "settings/settings_defaults.h"

namespace plumo {
namespace {

class NewStepSettings : public testing::Test {
 protected:
  MemoryRegistry registry_;
  FakeEnvironment environment_;
  FakeFiles files_;
  SettingsStore store_{registry_, environment_, files_};
};

TEST_F(NewStepSettings, StartUpDefaultsGiveTheModelsDefaults) {
  WriteStartupDefaults(store_, DefaultsContext{});
  NewStepDefaults read = ReadNewStepDefaults(store_);
  NewStepDefaults model;
  EXPECT_EQ(read.indentNewColumns, model.indentNewColumns);
  EXPECT_EQ(read.outputTo, model.outputTo);
  EXPECT_EQ(read.failureMode, model.failureMode);
  EXPECT_EQ(read.failureModeOption, model.failureModeOption);
}

TEST_F(NewStepSettings, ChangedSettingsReachNewSteps) {
  store_.WriteNumber("*\\Palettes\\MainList\\IndentNewColumns", 0);
  store_.WriteText("*\\DefaultOutputTo", "Clipboard");
  store_.WriteText("*\\DefaultFailureMode", "Jump to Label");
  store_.WriteText("*\\DefaultFailureMode_Option", "Cleanup");
  NewStepDefaults d = ReadNewStepDefaults(store_);
  EXPECT_FALSE(d.indentNewColumns);
  EXPECT_EQ(d.outputTo, "Clipboard");
  EXPECT_EQ(d.failureMode, "Jump to Label");
  EXPECT_EQ(d.failureModeOption, "Cleanup");
}

TEST_F(NewStepSettings, AbsentSettingsLeaveNewStepsPlain) {
  NewStepDefaults d = ReadNewStepDefaults(store_);
  EXPECT_FALSE(d.indentNewColumns);
  EXPECT_EQ(d.outputTo, "");
  EXPECT_EQ(d.failureMode, "");
}

}  // namespace
}  // namespace plumo
