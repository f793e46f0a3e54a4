// Hardware Steps run one at a time over the real ports of the platform.
#pragma once

#include "actions/integration/hardware/hardware_actions.h"
#include "engine/engine_harness.h"
#include "engine/fake_variables.h"

namespace plumo {

struct HardwareRow {
  const char* action;
  const char* options = "";
  const char* text = "";
  const char* value1 = "";
  const char* timeout = "";
};

class HardwareTest : public EngineTest {
 public:
  // Memory and versions come from the session's (fake) System.
  void Register(Hardware& hardware, SerialPorts& serial) { RegisterHardwareActions(session, hardware, serial); }
  static Step StepOf(const HardwareRow& r) {
    Step s = MakeStep(r.action, 15, r.text);
    s.options = r.options;
    s.value1 = r.value1;
    s.timeout = r.timeout;
    s.output = "Variable";
    s.outputValue = "result";
    return s;
  }
  // Its result, or "FAIL: " and its failure text.
  std::string Result(const Step& step) {
    Load({step});
    session.run.errorText.clear();
    const int rc = (*session.executors.Find(15, step.action.str()))(session, 0, 0, false);
    return rc == result::kSuccess ? variables.Get("result") : "FAIL: " + session.run.errorText;
  }
  std::string Do(const HardwareRow& r) { return Result(StepOf(r)); }

  FakeVariables& variables = session.AttachVariables(std::make_unique<FakeVariables>(session.scripts));
};

}  // namespace plumo
