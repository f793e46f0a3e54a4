// Scripts of flow-control Steps for the engine tests: Steps by name with the category the
// catalogue gives them, and a "Record" Step whose expanded text the test collects.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_actions.h"
#include "engine/flow_control.h"
#include "engine_harness.h"
#include "fake_variables.h"

namespace plumo {

inline int CategoryOf(std::string_view action) {
  if (StartsWithNoCase(action, "IF ") || EqualsNoCase(action, "ELSE") || EqualsNoCase(action, "END IF")) return 14;
  if (EqualsNoCase(action, "Record")) return kTestCategory;
  static const char* const kWaits[] = {"Delay", "Freeze", "Wait for"};
  for (const char* w : kWaits)
    if (StartsWithNoCase(action, w)) return 7;
  static const char* const kFlow[] = {"Start", "NEXT LOOP", "Break", "Label", "GOTO", "GOSUB", "Return", "Set Run", "Exit"};
  for (const char* f : kFlow)
    if (StartsWithNoCase(action, f)) return 13;
  return 16;
}

struct StepRow {
  StepRow(std::string a, std::string t = "", std::string o = "", std::string v1 = "", std::string v2 = "",
           std::string out = "")
      : action(std::move(a)), text(std::move(t)), options(std::move(o)), value1(std::move(v1)), value2(std::move(v2)),
        outputValue(std::move(out)) {}
  StepRow(const char* a) : StepRow(std::string(a)) {}  // NOLINT: a bare name is a Step
  std::string action;
  std::string text;
  std::string options;
  std::string value1;
  std::string value2;
  std::string outputValue;
};

inline Step Build(const StepRow& mask) {
  Step s = MakeStep(mask.action, CategoryOf(mask.action), mask.text);
  s.options = mask.options;
  s.value1 = mask.value1;
  s.value2 = mask.value2;
  if (!mask.outputValue.empty()) {
    s.output = "Variable";
    s.outputValue = mask.outputValue;
  }
  return s;
}

class FlowTest : public EngineTest {
 protected:
  FlowTest() : vars(session.AttachVariables(std::make_unique<FakeVariables>(session.scripts))) {
    RegisterEngineActions(session);
    OnTestStep([this](int index, Step& step) {
      std::lock_guard<std::mutex> lock(recordMu);
      recorded.push_back(session.ExpandStep(step.text, 0, index));
      return result::kSuccess;
    });
  }

  Script& LoadRows(const std::vector<StepRow>& masks, std::string path = "C:\\Scripts\\test.vxm") {
    std::vector<Step> steps;
    for (const StepRow& mask : masks) steps.push_back(Build(mask));
    return Load(std::move(steps), path);
  }
  // Runs the Script and returns what the Record Steps saw.
  std::vector<std::string> RunRecording(int command = runcmd::kRun, int startStep = 0) {
    recorded.clear();
    EXPECT_TRUE(Run(command, startStep));
    return recorded;
  }
  bool OutputContains(std::string_view part) {
    for (const auto& line : Output())
      if (line.find(part) != std::string::npos) return true;
    return false;
  }
  std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& s : items) out += (out.empty() ? "" : " ") + s;
    return out;
  }

  FakeVariables& vars;
  std::mutex recordMu;
  std::vector<std::string> recorded;
};

}  // namespace plumo
