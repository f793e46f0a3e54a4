#include "engine/headless_run.h"

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

TEST_F(HeadlessRunTest, RefusedRunEndsWithZero) {
  settings.WriteNumber("*\\DefaultReturnCode", 3);
  int code = -1;
  Printed(true, {}, &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

}  // namespace
}  // namespace plumo
