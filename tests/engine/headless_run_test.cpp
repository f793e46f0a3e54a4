#include "engine/headless_run.h"

#include "engine/engine_actions.h"
#include "engine_harness.h"

namespace plumo {
namespace {

class HeadlessRunTest : public EngineTest {
 protected:
  std::string Printed(bool show, std::vector<Step> steps, int* code) {
    const std::string path = logPath + ".out";
    std::FILE* out = std::fopen(path.c_str(), "w+b");
    StreamOutputView stream(queue, out, show);
    session.SetView(&stream);
    Load(std::move(steps));
    *code = RunHidden(session, 0, 0);
    std::rewind(out);
    std::string printed;
    for (int c; (c = std::fgetc(out)) != EOF;) printed.push_back(static_cast<char>(c));
    std::fclose(out);
    std::remove(path.c_str());
    session.SetView(&view);
    return printed;
  }
};

TEST_F(HeadlessRunTest, ShowsOutputLinesOnlyWhenAskedAndEndsWithTheReturnCode) {
  settings.WriteNumber("*\\Palettes\\Output\\AlwaysGenerateOutput", 1);
  settings.WriteNumber("*\\DefaultReturnCode", 3);
  int code = 0;
  std::string shown = Printed(true, {MakeStep("Comment", 16, "hi")}, &code);
  EXPECT_EQ(code, 3);
  EXPECT_NE(shown.find("[STEP 1]: Comment \"hi\"\n    Unknown Action (16) \"Comment\"\n"), std::string::npos) << shown;
  EXPECT_EQ(shown.rfind("---- START OF RUN ", 0), 0u);  // no blank line before the first entry
  EXPECT_EQ(shown.substr(shown.size() - 4), "=\n \n");
  EXPECT_EQ(Printed(false, {MakeStep("Comment", 16, "hi")}, &code), "");
}

TEST_F(HeadlessRunTest, ExitCodesTellHowTheRunEnded) {
  RegisterEngineActions(session);
  auto onfail = [](Step step, const char* mode) {
    step.onfail = mode;
    return step;
  };
  const Step fails = onfail(MakeStep("Use Window", kTestCategory), "Stop Silently");
  const Step failsAndGoesOn = onfail(MakeStep("Use Window", kTestCategory), "Ignore");
  const Step stops = MakeStep("Click", kTestCategory, "stop");
  const Step exit7 = MakeStep("Exit Run", 13, "7");
  struct {
    const char* name;
    std::vector<Step> steps;
    int code;
  } cases[] = {
      {"finished: the default code", {MakeStep("Comment", 16, "hi")}, 5},
      {"Exit Run", {exit7}, 7},
      {"a failed Step stops the run", {fails, exit7}, exitcode::kStepFailed},
      {"a failure passed over, then Exit Run", {failsAndGoesOn, exit7}, 7},
      {"stopped", {stops, exit7}, exitcode::kStopped},
      {"refused: an empty Script", {}, exitcode::kStepFailed},
  };
  OnTestStep([](int, Step& step) { return step.text == "stop" ? result::kStop : result::kFailure; });
  for (auto& c : cases) {
    settings.WriteNumber("*\\DefaultReturnCode", 5);
    int code = -1;
    Printed(false, c.steps, &code);
    EXPECT_EQ(code, c.code) << c.name;
    // The code belongs to this run: the default of later runs stays.
    EXPECT_EQ(settings.ReadNumber("*\\DefaultReturnCode"), 5) << c.name;
  }
}

}  // namespace
}  // namespace plumo
