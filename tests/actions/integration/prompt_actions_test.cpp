#include "actions/integration/prompts/prompt_actions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "actions/desktop/bmp_file.h"
#include "actions/integration/prompts/prompt_rules.h"
#include "engine/flow_test_support.h"
#include "scripts/action_catalog.h"
#include "vars/system_variables.h"

namespace plumo {
namespace {

TEST(PromptRules, MessageStylesFollowTheActionAndItsOptions) {
  struct Case {
    const char* action;
    const char* options;
    bool keptOnTop;
    uint32_t style;
  } cases[] = {
      {"Display Message", "", false, 0x10040},
      {"Display Warning", "", false, 0x10030},
      {"Ask Yes/No Question", "", false, 0x10024},
      {"Ask Yes/No Question", "", true, 0x50024},
      {"Custom Message", "Yes + No + Cancel,QUESTION", false, 0x10023},
      {"Custom Message", "Abort + Retry + Ignore,Stop", false, 0x51012},  // "Stop" holds "top"
      {"Custom Message", "OK + Cancel,Information", false, 0x10041},
      {"Custom Message", "OK,Warning", false, 0x10030},
      {"Custom Message", "Retry + Cancel", false, 0x10005},
      {"Custom Message", "Yes + No", false, 0x10004},
      {"Custom Message", "", false, 0x10000},
      {"Display Message", "Topmost", false, 0x51040},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MessageStyleOf(c.action, c.options, c.keptOnTop), c.style) << c.action << " / " << c.options;
}

TEST(PromptRules, LongMessagesAreCutAndMarked) {
  EXPECT_EQ(CutMessage(std::string(4095, 'a')).size(), 4095u);
  const std::string cut = CutMessage(std::string(5000, 'a'));
  EXPECT_EQ(cut, std::string(3840, 'a') + "<<MESSAGE TRUNCATED>>");
}

TEST(PromptRules, AnswerNamesCoverTheButtons) {
  EXPECT_EQ(AnswerName(1), "OK");
  EXPECT_EQ(AnswerName(7), "No");
  EXPECT_EQ(AnswerName(9), "Help");
  EXPECT_EQ(AnswerName(0), "");
  EXPECT_EQ(AnswerName(10), "");
}

TEST(PromptRules, ListTextsSplitAtTheFirstSeparatorThatOccursTwice) {
  struct Case {
    const char* text;
    const char* prompt;
    std::vector<std::string> items;
  } cases[] = {
      {"Pick one:\nRed\nGreen\nBlue", "Pick one:", {"Red", "Green", "Blue"}},
      {"Please choose from the list:\r\nOption #1\r\nOption #2\r\n", "Please choose from the list:", {"Option #1", "Option #2"}},
      {"Pick;a,b;c;d", "Pick", {"a,b", "c", "d"}},
      {"Pick:,x,y", "Pick:", {"x", "y"}},
      {"Only;one", "Only", {"one"}},
      {"Nothing to choose", "Nothing to choose", {}},
  };
  for (const Case& c : cases) {
    ListText list = SplitListText(c.text);
    EXPECT_EQ(list.prompt, c.prompt) << c.text;
    EXPECT_EQ(list.items, c.items) << c.text;
  }
}

TEST(PromptRules, ShortOneLinePromptsGetALeadingLineFeed) {
  EXPECT_EQ(WithLeadingLine("Your name?"), "\nYour name?");
  EXPECT_EQ(WithLeadingLine(std::string(55, 'x')), std::string(55, 'x'));
  EXPECT_EQ(WithLeadingLine("Two\nlines"), "Two\nlines");
}

TEST(PromptRules, EntryKindsAndFlags) {
  EXPECT_EQ(EntryKindOf("Login Prompt", "Multi"), EntryKind::kLogin);
  EXPECT_EQ(EntryKindOf("Select Date", ""), EntryKind::kDate);
  EXPECT_EQ(EntryKindOf("Select from List", "Multi"), EntryKind::kMultiList);
  EXPECT_EQ(EntryKindOf("Select Drive", ""), EntryKind::kList);
  EXPECT_EQ(EntryKindOf("Input Value", "Multi"), EntryKind::kMultiLine);
  EXPECT_EQ(EntryKindOf("Input Value", ""), EntryKind::kLine);
  EXPECT_EQ(EntryFlagsOf("Input Value", "Topmost,Courier,Read-Only,2x3"), 1u | 2u | 4u | 1024u);
  EXPECT_EQ(EntryFlagsOf("Select Drive", "Fixed"), 32u | 64u);
}

TEST(PromptRules, CustomDialogWordsTextsAndControls) {
  const std::pair<const char*, std::optional<CustomKind>> words[] = {
      {" edit ", CustomKind::kEdit}, {"CHECK", CustomKind::kCheckBox}, {"CHECKBOX", CustomKind::kCheckBox},
      {"(none)", CustomKind::kNone}, {"", CustomKind::kNone},         {"SLIDER", std::nullopt},
  };
  for (const auto& [word, kind] : words) EXPECT_EQ(CustomKindOf(word), kind) << word;

  EXPECT_EQ(CustomTexts("a|b"), (std::vector<std::string>{"a", "b", "", "", ""}));
  EXPECT_EQ(CustomTexts("1|2|3|4|5|6"), (std::vector<std::string>{"1", "2", "3", "4", "5|6"}));

  const CustomControl list = CustomControlOf(CustomKind::kList, "Pick:\r\nA\r\n\r\nB\r\n");
  EXPECT_EQ(list.text, "Pick:");
  EXPECT_EQ(list.items, (std::vector<std::string>{"A", "B"}));
  const struct {
    const char* text;
    const char* words;
    const char* target;
  } links[] = {
      {"<a href=\"http://example.com/\">This is a Sample Link</a>", "This is a Sample Link", "http://example.com/"},
      {"<A HREF='x.txt'>File</A>", "File", "x.txt"},
      {"<a href=http://y/>", "http://y/", "http://y/"},
      {" http://z/ ", "http://z/", "http://z/"},
  };
  for (const auto& l : links) {
    const CustomControl c = CustomControlOf(CustomKind::kLink, l.text);
    EXPECT_EQ(c.text, l.words) << l.text;
    EXPECT_EQ(c.target, l.target) << l.text;
  }

  CustomRequest r;
  for (CustomKind k : {CustomKind::kEdit, CustomKind::kCheckBox, CustomKind::kList, CustomKind::kNone})
    r.controls.push_back(CustomControlOf(k, "L\nfirst\nsecond"));
  const CustomAnswer a = DefaultCustomAnswer(r);
  EXPECT_EQ(a.pressed, 1);
  EXPECT_EQ(a.values, (std::vector<std::string>{"", "0", "first", ""}));
}

class PromptSteps : public FlowTest {
 protected:
  PromptSteps() { RegisterPromptActions(session); }

  // One prompt Step run on a real run thread; its answer lands in %out.
  Step& One(const std::string& action, const std::string& text = "", const std::string& options = "") {
    Load({MakeStep(action, category::kUserPrompts, text)});
    Step& s = StepAt(0);
    s.options = options;
    s.output = "Variable";
    s.outputValue = "%out";
    return s;
  }
  void RunIt() { ASSERT_TRUE(Run()); }
  static PromptAnswer Ok(std::string text) { return {true, std::move(text)}; }
};

TEST_F(PromptSteps, CustomMessageStoresTheButtonAndLeavesItsName) {
  One("Custom Message", "Go on?", "Yes + No + Cancel,QUESTION").value1 = "Question";
  dialogs.answer = 2;
  RunIt();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].style, 0x10023u);
  EXPECT_EQ(dialogs.shown[0].caption, "Question");
  EXPECT_EQ(vars.Get("out"), "2");
  EXPECT_EQ(session.PromptResult(), 2);
  EXPECT_EQ(session.PromptCommand(), "Cancel");
}

TEST_F(PromptSteps, AskStoresOneUnlessNoOrNoAnswer) {
  for (auto [answer, stored] : {std::pair{6, "1"}, {7, "0"}, {0, "0"}}) {
    One("Ask Yes/No Question", "Sure?");
    dialogs.answer = answer;
    RunIt();
    EXPECT_EQ(vars.Get("out"), stored) << answer;
  }
}

TEST_F(PromptSteps, ATimeLimitReachesTheBoxAndTheLog) {
  One("Display Message", std::string(5000, 'm')).timeout = "2";
  RunIt();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].timeoutMs, 2000u);
  EXPECT_EQ(dialogs.shown[0].text.size(), 3840u + kTruncatedMark.size());
  EXPECT_TRUE(OutputContains("2 second(s) allowed for message to close"));
  EXPECT_EQ(vars.Get("out"), "<absent>");  // Display Message stores nothing
}

TEST_F(PromptSteps, InputValueStoresOkAndKeepsTheVariableOnCancel) {
  vars.Set("out", "old");
  One("Input Value", "Your name?").value1 = std::string(10000, 'c');
  dialogs.answers = {Ok("Ann")};
  RunIt();
  ASSERT_EQ(dialogs.entries.size(), 1u);
  const EntryRequest& r = dialogs.entries[0];
  EXPECT_EQ(r.kind, EntryKind::kLine);
  EXPECT_EQ(r.prompt, "\nYour name?");
  EXPECT_EQ(r.initial, "old");
  EXPECT_EQ(r.caption.size(), 259u);
  EXPECT_EQ(vars.Get("out"), "Ann");
  EXPECT_EQ(session.PromptResult(), 1);

  dialogs.answers.clear();  // cancelled
  RunIt();
  EXPECT_EQ(vars.Get("out"), "Ann");
  EXPECT_EQ(session.PromptResult(), 0);
  EXPECT_EQ(session.PromptCommand(), "Cancel");
}

TEST_F(PromptSteps, ReadOnlyAnswersAreNotStored) {
  One("Input Value", "x", "Read-Only");
  dialogs.answers = {Ok("typed")};
  RunIt();
  EXPECT_EQ(vars.Get("out"), "<absent>");
  EXPECT_EQ(session.PromptResult(), 1);
}

TEST_F(PromptSteps, ListsOfferTheirItemsAndJoinSeveralChoices) {
  One("Select from List", "Pick:\nRed\nGreen\nBlue", "Multi");
  dialogs.answers = {Ok("Red\nBlue")};
  RunIt();
  ASSERT_EQ(dialogs.entries.size(), 1u);
  EXPECT_EQ(dialogs.entries[0].items, (std::vector<std::string>{"Red", "Green", "Blue"}));
  EXPECT_EQ(dialogs.entries[0].prompt, "\nPick:");
  EXPECT_EQ(vars.Get("out"), "Red\r\nBlue");

  One("Select from List", "Pick;a;b;c", "Multi");
  dialogs.answers = {Ok("a\nc")};
  RunIt();
  EXPECT_EQ(vars.Get("out"), "a;c");
}

TEST_F(PromptSteps, LoginKeepsTheUserAndScramblesThePassword) {
  settings.WriteText("*\\UserVariables\\login_username", "ann");
  settings.WriteText("*\\UserVariables\\login_password", "stale");
  One("Login Prompt", "Please log in").output = "";
  bool staleGone = false;
  dialogs.whileShown = [&] { staleGone = settings.Probe("*\\UserVariables\\login_password") == 0; };
  dialogs.answers = {Ok("bob;s3cret;x")};
  RunIt();
  ASSERT_EQ(dialogs.entries.size(), 1u);
  EXPECT_EQ(dialogs.entries[0].initial, "ann");
  EXPECT_EQ(dialogs.entries[0].prompt, "Please log in");  // no leading line for a login
  EXPECT_TRUE(staleGone);
  EXPECT_EQ(settings.ReadText("*\\UserVariables\\login_username", 64), "bob");
  const std::string scrambled = settings.ReadText("*\\UserVariables\\login_password", 64);
  EXPECT_NE(scrambled, "s3cret;x");
  EXPECT_EQ(UnscrambleLogin(scrambled), "s3cret;x");
}

TEST_F(PromptSteps, DatesComeBackInTheLocaleShortDate) {
  vars.Set("out", "3/4/2026");
  One("Select Date", "When?");
  dialogs.answers = {Ok("2026-12-25")};
  RunIt();
  ASSERT_EQ(dialogs.entries.size(), 1u);
  EXPECT_EQ(dialogs.entries[0].initial, "2026-03-04");
  EXPECT_EQ(vars.Get("out"), "12/25/2026");
}

TEST_F(PromptSteps, UnattendedRunsAnswerTheDefaultAndLogIt) {
  settings.WriteNumber(kUnattendedSetting, 1);
  One("Ask Yes/No Question", "Delete everything?");
  RunIt();
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(vars.Get("out"), "1");
  EXPECT_TRUE(OutputContains("Unattended: \"Delete everything?\" answered \"Yes\""));

  settings.WriteNumber(kUnattendedSetting, 0);
  dialogs.canAsk = false;  // no terminal: the same rule
  One("Select from List", "Pick:\nRed\nGreen");
  RunIt();
  EXPECT_TRUE(dialogs.entries.empty());
  EXPECT_EQ(vars.Get("out"), "Red");
}

TEST_F(PromptSteps, AStopClosesTheOpenPrompt) {
  One("Input Value", "Waiting");
  dialogs.whileShown = [&] {
    session.RequestStop();
    while (dialogs.cancels == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  RunIt();
  EXPECT_GE(dialogs.cancels, 1);
  EXPECT_EQ(StepAt(0).ranFlag, ran::kRun);
  EXPECT_EQ(vars.Get("out"), "<absent>");
}

TEST_F(PromptSteps, BigListsAndAnswersPassWhole) {
  std::string text = "Pick:";
  for (int i = 0; i < 100000; ++i) text += "\nitem " + std::to_string(i);
  One("Select from List", text);
  dialogs.answers = {Ok("item 99999")};
  RunIt();
  ASSERT_EQ(dialogs.entries.size(), 1u);
  EXPECT_EQ(dialogs.entries[0].items.size(), 100000u);
  EXPECT_EQ(vars.Get("out"), "item 99999");

  One("Input Value", "Paste", "Multi");
  dialogs.answers = {Ok(std::string(16u << 20, 'z'))};
  RunIt();
  EXPECT_EQ(vars.Get("out").size(), 16u << 20);
}

TEST_F(PromptSteps, PopupsStayUpAndGoWithTheRun) {
  Load({MakeStep("Status Popup", category::kUserPrompts, "Copying files"),
        MakeStep("Progress Bar Popup", category::kUserPrompts, "150% Complete"),
        MakeStep("Balloon Popup", category::kUserPrompts, "Done"), MakeStep("Screen Message", category::kUserPrompts, ""),
        MakeStep("Tray Icon", category::kUserPrompts)});
  StepAt(0).value1 = "Backup";
  StepAt(0).value2 = "10,20";
  StepAt(0).value3 = "300";
  StepAt(0).timeout = "3";
  StepAt(2).options = "Floating Track,Topmost";
  StepAt(4).value1 = "Backup running";
  RunIt();
  ASSERT_EQ(dialogs.popups.size(), 3u);
  const PopupRequest& status = dialogs.popups[0];
  EXPECT_EQ(status.kind, PopupKind::kStatus);
  EXPECT_EQ(status.caption, "Backup");
  EXPECT_EQ(status.timeoutMs, 3000u);
  EXPECT_FALSE(status.centered);
  EXPECT_EQ(status.x * 1000 + status.y, 10020);
  EXPECT_EQ(status.width, 300);
  EXPECT_FALSE(status.topmost);
  EXPECT_EQ(dialogs.popups[1].percent, 100);
  EXPECT_EQ(dialogs.popups[2].kind, PopupKind::kTrackingBalloon);
  EXPECT_TRUE(dialogs.popups[2].topmost);
  EXPECT_EQ(dialogs.closed, (std::vector<PopupKind>{PopupKind::kScreenMessage}));  // no text: taken down
  EXPECT_EQ(dialogs.allClosed, 1);  // the end of the run
  EXPECT_EQ(dialogs.trayTitle, "(removed)");
}

TEST_F(PromptSteps, DisplayImageShowsThePictureOrSaysWhyNot) {
  std::optional<Picture> picture = Picture::Allocate(3, 2);
  ASSERT_TRUE(picture);
  files.Put("C:\\Pictures\\logo.bmp", WriteBmp(*picture));
  files.Put("C:\\Pictures\\broken.bmp", "BM not a picture");
  Load({MakeStep("Display Image", category::kUserPrompts, "C:\\Pictures\\logo.bmp"),
        MakeStep("Display Image", category::kUserPrompts, "C:\\Pictures\\broken.bmp")});
  StepAt(0).value3 = "200";
  StepAt(0).timeout = "3";
  RunIt();
  ASSERT_EQ(dialogs.popups.size(), 1u);
  const PopupRequest& shown = dialogs.popups[0];
  EXPECT_EQ(shown.kind, PopupKind::kImage);
  ASSERT_TRUE(shown.picture);
  EXPECT_EQ(shown.picture->width() * 10 + shown.picture->height(), 32);
  EXPECT_EQ(shown.zoomPercent, 200);
  EXPECT_EQ(StepAt(1).ranFlag, ran::kFailed);
  EXPECT_TRUE(OutputContains("Cannot read the picture \"C:\\Pictures\\broken.bmp\""));
}

TEST_F(PromptSteps, ATrayIconTheSystemRefusesFailsTheStep) {
  One("Tray Icon").options = "Show";
  dialogs.trayWorks = false;
  RunIt();
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
}

// Name:|Agree|Next: there|Pick: A B, then Steps to tell a jump from going on.
class CustomDialogSteps : public PromptSteps {
 protected:
  CustomDialogSteps() {
    Load({MakeStep("Custom Dialog", category::kUserPrompts, "Name:|Agree|Next: there|Pick:\r\nA\r\nB|"),
          MakeStep("Record", kTestCategory, "next"), MakeStep("Label", 13, "there"), MakeStep("Record", kTestCategory, "there")});
    Step& s = StepAt(0);
    s.value1 = "Details";
    s.value2 = "EDIT";
    s.value3 = "check";
    s.value4 = "BUTTON";
    s.value5 = "LIST";
    s.value6 = "(none)";
    s.output = "Variable";
    s.outputValue = "%out";
  }
};

TEST_F(CustomDialogSteps, OkAndButtonsStoreOneLinePerSlotAndAButtonGoesToItsLabel) {
  vars.Set("out", "old");
  const std::vector<std::string> values{"Ann", "1", "", "B", ""};
  const struct {
    int pressed;
    const char* out;
    const char* command;
    const char* recorded;
  } cases[] = {
      {1, "Ann\r\n1\r\n\r\nB", "OK", "next there"},
      {kCustomButton + 3, "Ann\r\n1\r\n\r\nB", "Next", "there"},
      {0, "old", "Cancel", "next there"},  // cancelled: nothing stored
  };
  for (const auto& c : cases) {
    vars.Set("out", "old");
    dialogs.customAnswer = {c.pressed, values};
    EXPECT_EQ(Joined(RunRecording()), c.recorded) << c.pressed;
    EXPECT_EQ(vars.Get("out"), c.out) << c.pressed;
    EXPECT_EQ(session.PromptCommand(), c.command);
    EXPECT_EQ(session.PromptResult(), c.pressed);
  }
  ASSERT_FALSE(dialogs.customs.empty());
  const CustomRequest& r = dialogs.customs.back();
  EXPECT_EQ(r.caption, "Details");
  ASSERT_EQ(r.controls.size(), 5u);
  EXPECT_EQ(r.controls[1].kind, CustomKind::kCheckBox);
  EXPECT_EQ(r.controls[2].text, "Next");  // the label part goes
  EXPECT_EQ(r.controls[3].items, (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(OutputContains("Jumping to label \"there\" at [Step 3]"));
}

TEST_F(CustomDialogSteps, AButtonWithoutALabelKeepsItsTextAndUnknownWordsFail) {
  StepAt(0).text = "Name:|Agree|Ratio 1:2";
  RunRecording();
  ASSERT_EQ(dialogs.customs.size(), 1u);
  EXPECT_EQ(dialogs.customs[0].controls[2].text, "Ratio 1:2");

  StepAt(0).value3 = "SLIDER";
  RunRecording();
  EXPECT_EQ(dialogs.customs.size(), 1u);
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
  EXPECT_TRUE(OutputContains("Unknown control type \"SLIDER\" in [2] Control Type"));
}

TEST_F(CustomDialogSteps, UnattendedRunsTakeEveryFieldAsItOpens) {
  settings.WriteNumber(kUnattendedSetting, 1);
  EXPECT_EQ(Joined(RunRecording()), "next there");
  EXPECT_TRUE(dialogs.customs.empty());
  EXPECT_EQ(vars.Get("out"), "\r\n0\r\n\r\nA");
  EXPECT_TRUE(OutputContains("Unattended: \"Details\" answered \"OK\""));
}

}  // namespace
}  // namespace plumo
