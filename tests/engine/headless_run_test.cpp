#include "engine/headless_run.h"

#include "engine_harness.h"

namespace plumo {
namespace {

class HeadlessRunTest : public EngineTest {
 protected:
  std::string Printed(bool show, std::vector<Step> steps, int* code) {
    char buf[4096] = {};
    std::FILE* out = fmemopen(buf, sizeof buf - 1, "w");
    StreamOutputView stream(queue, out, show);
    session.SetView(&stream);
    Load(std::move(steps));
    *code = RunHidden(session, 0, 0);
    std::fclose(out);
    session.SetView(&view);
    return buf;
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

TEST_F(HeadlessRunTest, RefusedRunEndsWithZero) {
  settings.WriteNumber("*\\DefaultReturnCode", 3);
  int code = -1;
  Printed(true, {}, &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

}  // namespace
}  // namespace plumo
