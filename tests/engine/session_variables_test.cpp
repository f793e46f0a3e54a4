// Flow control and the System actions over the real variable store and expansion.
#include "engine/session_variables.h"

#include "engine/engine_actions.h"
#include "flow_test_support.h"

namespace plumo {
namespace {

class RealVariablesTest : public EngineTest {
 protected:
  RealVariablesTest() : variables(session.AttachVariables(std::make_unique<SessionVariables>(session, palette))) {
    RegisterEngineActions(session);
  }
  Script& LoadRows(const std::vector<StepRow>& masks) {
    std::vector<Step> steps;
    for (const StepRow& mask : masks) steps.push_back(Build(mask));
    return Load(std::move(steps));
  }
  std::string Variable(std::string_view name) { return variables.store().Read(name).value_or("<absent>"); }

  NoVariablesPalette palette;
  SessionVariables& variables;
};

TEST_F(RealVariablesTest, LoopsFormulasConditionsAndCountersWorkTogether) {
  LoadRows({{"Start 'For' Loop", "5", "", "1", "1", "%i"},
             {"Set Variable", "=%i*10", "", "", "", "%x"},
             {"Write to Output", "value %x at {loop}"},
             {"IF Expression", "%i = 3"},
             {"Break out of Loop"},
             {"END IF"},
             {"NEXT LOOP"},
             {"Increment Variable", "", "", "", "", "%count"},
             {"Increment Variable", "", "", "", "", "%count"},
             {"IF Variable", "%count", "Is Defined (Exists)"},
             {"Write to Output", "count is %count"},
             {"END IF"},
             {"Delete Variable", "", "", "", "", "%x"}});
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas("value 10 at 1"));
  EXPECT_TRUE(OutputHas("value 30 at 3"));
  EXPECT_FALSE(OutputHas("value 40 at 4"));
  EXPECT_TRUE(OutputHas("count is 2"));
  EXPECT_EQ(Variable("i"), "3");
  EXPECT_EQ(Variable("x"), "<absent>");
}

TEST_F(RealVariablesTest, AFailureModeIncrementsARealVariable) {
  LoadRows({{"GOTO Label", "nowhere"}, {"Write to Output", "misses: %misses"}});
  StepAt(0).onfail = "Increment Variable";
  StepAt(0).onfailValue = "%misses";
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas("misses: 1"));
}

TEST_F(RealVariablesTest, SetVariableWithoutANameStillStoresToKindsThatNeedNone) {
  LoadRows({{"Set Variable", "to the clipboard"}, {"Set Variable", "lost"}});
  StepAt(0).output = "Clipboard";
  StepAt(1).output = "Variable";
  ASSERT_TRUE(Run());
  EXPECT_EQ(clipboard.Text().value_or(""), "to the clipboard");
  EXPECT_TRUE(OutputHas("    WARNING: No variable name provided"));
  EXPECT_EQ(variables.store().Count(), 0u);
}

}  // namespace
}  // namespace plumo
