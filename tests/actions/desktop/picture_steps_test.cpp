#include "actions/desktop/picture_steps.h"

#include <gtest/gtest.h>

#include "actions/desktop/bmp_file.h"
#include "actions/desktop/image_search.h"
#include "engine/flow_test_support.h"

namespace plumo {
namespace {

constexpr uint32_t kRed = 0xC00000, kGreen = 0x00C000, kBlue = 0x0000C0, kPink = 0xFF00FF;

class PictureStepsTest : public FlowTest {
 protected:
  PictureStepsTest() {
    RegisterPictureSteps(session);
    desktop.screenPicture = *Picture::Allocate(160, 120);
  }

  // A picture of distinct colours, its first pixel red.
  static Picture Sample(int32_t w, int32_t h) {
    Picture p = *Picture::Allocate(w, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) p.Row(y)[x] = x + y == 0 ? kRed : static_cast<uint32_t>(0x101010 * (x + 1) + 0x30 * y);
    return p;
  }
  void Draw(const Picture& p, int32_t x0, int32_t y0) {
    for (int32_t y = 0; y < p.height(); ++y)
      for (int32_t x = 0; x < p.width(); ++x) desktop.screenPicture.Row(y0 + y)[x0 + x] = p.At(x, y);
  }
  void File(const std::string& path, const Picture& p) { files.Put(path, WriteBmp(p)); }

  Step& One(const std::string& action, const std::string& text, const std::string& options = "") {
    LoadRows({{action, text, options}});
    return StepAt(0);
  }
  SearchResult Search() { return SearchFromStep(session, 0, 0); }
};

TEST_F(PictureStepsTest, PercentageRulesDecideAPictureThatHalfMatches) {
  Picture p = Sample(4, 4);
  File("C:\\Scripts\\half.bmp", p);
  Draw(p, 30, 20);
  for (int i = 9; i < 16; ++i) desktop.screenPicture.Row(20 + i / 4)[30 + i % 4] = 0;  // 9 of 16 match
  struct {
    const char* percentage;
    bool found;
  } rows[] = {{"-50", true}, {"50", true}, {"59", true}, {"60", false}, {"0", false}, {"", false}, {"250", false}};
  for (auto r : rows) {
    One("IF Image is Visible", "half.bmp").value4 = r.percentage;
    const SearchResult got = Search();
    EXPECT_EQ(got.found(), r.found) << r.percentage;
    if (r.found) {
      EXPECT_EQ(got.x, 30);
      EXPECT_EQ(got.y, 20);
    }
    EXPECT_EQ(got.width, 4);
  }
}

TEST_F(PictureStepsTest, EqualCornersTestTheSinglePixel) {
  desktop.pixels[{100, 100}] = 0x0080FF;  // orange
  for (auto [text, found] : {std::pair{"#ff8000", true}, {"FF8000", true}, {"#FF8001", false}}) {
    Step& s = One("IF Pixel is Visible", text);
    s.value2 = s.value3 = "100,100";
    EXPECT_EQ(Search().found(), found) << text;
  }
  EXPECT_TRUE(desktop.captures.empty());
}

TEST_F(PictureStepsTest, PictureListTriesEachEntryAndAMissingFileFails) {
  Picture a = Sample(3, 3), b = Sample(5, 2);
  b.Row(1)[4] = kGreen;
  Draw(b, 70, 60);
  File("C:\\Pics\\b.bmp", b);
  One("IF Image is Visible", " a.bmp ; ;C:\\Pics\\b.bmp");
  SearchResult r = Search();
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(session.run.errorText, "Unable to open file 'C:\\Scripts\\a.bmp'");

  File("C:\\Scripts\\a.bmp", a);
  r = Search();
  EXPECT_TRUE(r.found());
  EXPECT_EQ(r.x, 70);
  EXPECT_TRUE(OutputHas("    Searching for image (#1) \"C:\\Scripts\\a.bmp\""));
  EXPECT_TRUE(OutputHas("    Searching for image (#2) \"C:\\Pics\\b.bmp\""));
}

TEST_F(PictureStepsTest, MaskedPicturePixelsMatchAnything) {
  Picture p = Sample(3, 3);
  Draw(p, 12, 14);
  desktop.screenPicture.Row(15)[13] = kBlue;
  p.Row(1)[1] = kPink;
  File("C:\\Scripts\\p.bmp", p);
  One("IF Image is Visible", "p.bmp");
  EXPECT_FALSE(Search().found());
  One("IF Image is Visible", "p.bmp", "Masked");
  EXPECT_TRUE(Search().found());
  settings.WriteNumber("*\\MaskColor", kGreen);  // a Windows colour value: green is green either way
  EXPECT_FALSE(Search().found());
  p.Row(1)[1] = kGreen;
  File("C:\\Scripts\\p.bmp", p);
  EXPECT_TRUE(Search().found());
}

TEST_F(PictureStepsTest, WindowFormScansTheCurrentWindowFromItsOffsets) {
  Picture p = Sample(3, 3);
  Draw(p, 5, 5);
  Draw(p, 60, 45);
  File("C:\\Scripts\\p.bmp", p);
  desktop.SetWindows({{0x100, "Target"}});
  desktop.facts[0x100] = WindowFacts{"Target", "", 0, 0, 40, 30, 50, 40};
  session.currentWindow = 0x100;
  struct {
    const char* upperLeft;
    const char* lowerRight;
    bool found;
    const char* line;
  } rows[] = {
      // First, since the log is checked for a line, and later rows log the same one.
      {"Full Screen", "full screen", true, "    \"ScanLastWin\": Scanning rectangle (40, 30) - (90, 70)"},
      {"", "", true, "    \"ScanLastWin\": Scanning rectangle (40, 30) - (90, 70)"},
      {"20,15", "", true, "    \"ScanLastWin\": Scanning rectangle (60, 45) - (90, 70)"},
      {"21,0", "", false, "    \"ScanLastWin\": Scanning rectangle (61, 30) - (90, 70)"},
      {"0,0", "23,18", true, "    \"ScanLastWin\": Scanning rectangle (40, 30) - (63, 48)"},
      {"0,0", "22,", false, "    \"ScanLastWin\": Scanning rectangle (40, 30) - (62, 70)"},
      {"99,0", "99,99", true, "    \"ScanLastWin\": Scanning rectangle (40, 30) - (90, 70)"},
  };
  for (auto r : rows) {
    Step& s = One("IF Image is Visible", "p.bmp", "ScanLastWin");
    s.value2 = r.upperLeft;
    s.value3 = r.lowerRight;
    const SearchResult got = Search();
    EXPECT_EQ(got.found(), r.found) << r.upperLeft << " " << r.lowerRight;
    if (r.found) {
      EXPECT_EQ(got.x, 60);
    }
    EXPECT_TRUE(OutputHas(r.line)) << r.line;
  }
}

TEST_F(PictureStepsTest, ScreenFormStartsAtTheUpperLeftCorner) {
  Picture p = Sample(3, 3);
  Draw(p, 5, 5);
  Draw(p, 60, 45);
  File("C:\\Scripts\\p.bmp", p);
  for (auto [upperLeft, x] : {std::pair{"", 5}, {"6,0", 60}, {"-4,-4", 5}}) {
    One("IF Image is Visible", "p.bmp").value2 = upperLeft;
    EXPECT_EQ(Search().x, x) << upperLeft;
  }
}

TEST_F(PictureStepsTest, InlinePatternsAreFoundWithinFifteen) {
  Picture p = *Picture::Allocate(2, 2);
  for (int i = 0; i < 4; ++i) p.Row(i / 2)[i % 2] = 0xF8060E;
  Draw(p, 90, 9);
  One("IF Image is Visible", "F00,F00,F00*2");
  const SearchResult r = Search();
  EXPECT_TRUE(r.found());
  EXPECT_EQ(r.x, 90);
  One("IF Image is Visible", "F00,F00,F00,E00");
  EXPECT_FALSE(Search().found());
}

TEST_F(PictureStepsTest, FastCaptureFailureFallsBackToTheSlowForm) {
  Picture p = Sample(3, 3);
  Draw(p, 50, 50);
  File("C:\\Scripts\\p.bmp", p);
  desktop.fastCaptureWorks = false;
  One("IF Image is Visible", "p.bmp");
  EXPECT_TRUE(Search().found());
  EXPECT_EQ(desktop.captures, (std::vector<std::string>{"fast", "slow"}));
  EXPECT_TRUE(OutputContains("Fast Scan (Video Memory) failed (BitBlt failed (50): needs a desktop session); trying Slow Scan"));
  desktop.canCapture = false;
  EXPECT_FALSE(Search().found());
}

TEST_F(PictureStepsTest, LogLevelTwoExplainsAMissOnceAndKeepsTheClosestMatch) {
  session.run.logLevel = 2;
  // The run log itself is written to disk; the crop goes through the fake files beside it.
  const std::string log = ::testing::TempDir() + "picture_steps_run.txt";
  const std::string crop = ::testing::TempDir() + "picture_steps_run [Step 1] CLOSEST MATCH.bmp";
  settings.WriteText("*\\Logfile", log);
  files.AddFolder(::testing::TempDir().substr(0, ::testing::TempDir().size() - 1));
  Picture p = Sample(4, 2);
  File("C:\\Scripts\\p.bmp", p);
  Draw(p, 20, 30);
  desktop.screenPicture.Row(31)[22] = 0x010203;  // 6 of 8 match
  desktop.screen.bitsPerPixel = 16;
  Step& s = One("IF Image is Visible", "p.bmp");
  s.value2 = "10,10";
  s.value3 = "100,100";
  s.runCount = 1;
  EXPECT_FALSE(Search().found());
  const std::vector<std::string> want = {
      "    \"C:\\Scripts\\p.bmp\" not matched (6 of 8 pixels matched)",
      "    Image parameters: 2 x 4, 32-bit, first pixel #C00000",
      "    Scanned (10, 10) -> (100, 100)",
      "    Match Method: Fast Scan (Video Memory), RGB Tolerance: 0, Required Percentage: 100%",
      "    Closest match at (20, 30) which was good thru pixel #6 of 8  (all coordinates are 0-based)",
      "    Last matching pixel: Screen (21, 31) RGB[32, 32, 80] vs. Image (1, 1) RGB[32, 32, 80]",
      "    Closest match saved as \"" + crop + "\"",
      " ",
      "    NOTE: Color bit depth is 16 bits per pixel; raise \"RGB Color Tolerance\" to 8 or more to increase accuracy",
  };
  std::vector<std::string> out = Output();
  ASSERT_GE(out.size(), want.size());
  EXPECT_EQ(std::vector<std::string>(out.end() - static_cast<ptrdiff_t>(want.size()), out.end()), want);
  std::string error;
  std::optional<Picture> closest = ReadBmp(files.Content(crop), &error);
  ASSERT_TRUE(closest) << error;
  EXPECT_EQ(closest->At(2, 1), 0x010203u);

  // A wait polling again logs the same closest match no more.
  s.runCount = 2;
  const size_t before = Output().size();
  EXPECT_FALSE(Search().found());
  EXPECT_EQ(Output().size(), before + 2);  // the file searched and the note
  std::remove(log.c_str());
}

TEST_F(PictureStepsTest, IfChecksStoreThePlaceFoundAndPixelEqualsLogsBothColours) {
  desktop.screenPicture.Row(70)[33] = 0xFF8000;
  desktop.pixels[{5, 6}] = 0x0080FF;
  LoadRows({{"IF Pixel is Visible", "#ff8000", "Quick", "", "", "%where"},
             {"IF Pixel Equals", "FF8000", "Quick", "5,6"},
             {"IF Pixel Equals", "FF0000", "Quick", "5,6"}});
  for (int i = 0; i < 3; ++i) StepAt(i).onfail = "Ignore Error and Continue";
  Run();
  EXPECT_EQ(vars.Get("where"), "33, 70");
  EXPECT_TRUE(OutputHas("    Searching for pixel color #ff8000"));
  EXPECT_TRUE(OutputHas("    #FF8000 = FF8000"));
  EXPECT_EQ(StepAt(0).ranFlag, ran::kSucceeded);
  EXPECT_EQ(StepAt(1).ranFlag, ran::kSucceeded);
  EXPECT_NE(StepAt(2).ranFlag, ran::kSucceeded);
}

// The waits look on the main queue's real timers, first after a second; their time-out and
// stop handling is the engine's, tested with the engine.
TEST_F(PictureStepsTest, WaitsEndWhenThePictureAppearsAFileIsMissingOrTheTimeRunsOut) {
  Picture p = Sample(3, 3);
  File("C:\\Scripts\\p.bmp", p);
  struct {
    const char* action;
    const char* text;
    const char* timeout;
    bool appears;
    const char* recorded;
    const char* error;
  } cases[] = {
      {"Wait for Image", "p.bmp", "10", true, "after", ""},
      {"Wait for Pixel", "#C00000", "10", true, "after", ""},
      {"Wait for Image", "gone.bmp", "10", true, "", "Unable to open file 'C:\\Scripts\\gone.bmp'"},
      {"Wait for Pixel", "#C00000", "1.5", false, "", ""},
  };
  for (const auto& c : cases) {
    desktop.screenPicture = *Picture::Allocate(160, 120);
    if (c.appears) Draw(p, 40, 40);
    desktop.captures.clear();
    LoadRows({{c.action, c.text}, {"Record", "after"}});
    StepAt(0).timeout = c.timeout;
    StepAt(0).onfail = "Stop Silently";
    // The run's own time-out check follows the fake clock: move it on once the wait has ended.
    queue.SetTimer(901, 1700, [this] {
      queue.KillTimer(901);
      clock.Advance(3600000);
    });
    EXPECT_EQ(Joined(RunRecording()), c.recorded) << c.action << c.text;
    EXPECT_EQ(StepAt(0).runCount, 1) << c.action << c.text;
    if (*c.error) {
      EXPECT_TRUE(OutputContains(std::string("Error:  ") + c.error)) << c.text;
    }
  }
}

TEST_F(PictureStepsTest, ImageCaptureWritesTheScreenAWindowOrAnArea) {
  Picture& screen = desktop.screenPicture;
  files.AddFolder("C:\\Shots");
  screen.Row(35)[45] = kRed;
  desktop.SetWindows({{0x200, "Target"}});
  desktop.facts[0x200] = WindowFacts{"Target", "", 0, 0, 40, 30, 20, 10};
  struct {
    const char* options;
    const char* point;
    const char* size;
    int32_t width, height, redX, redY;
  } rows[] = {{"", "", "", 160, 120, 45, 35}, {"Window", "", "", 20, 10, 5, 5}, {"Area", "44,34", "4,3", 4, 3, 1, 1}};
  for (auto r : rows) {
    LoadRows({{"Image Capture", "", r.options, r.point, r.size}});
    StepAt(0).output = "File";
    StepAt(0).outputValue = "C:\\Shots\\shot.bmp";
    Run();
    std::string error;
    std::optional<Picture> shot = ReadBmp(files.Content("C:\\Shots\\shot.bmp"), &error);
    ASSERT_TRUE(shot) << r.options << error;
    EXPECT_EQ(shot->width(), r.width) << r.options;
    EXPECT_EQ(shot->height(), r.height) << r.options;
    EXPECT_EQ(shot->At(r.redX, r.redY), kRed) << r.options;
    // Without a Current Window the foreground window becomes it.
    EXPECT_EQ(session.currentWindow, r.options == std::string("Window") ? 0x200u : 0u) << r.options;
  }

  LoadRows({{"Image Capture", "", "Area", "45,35", "1,1"}});
  StepAt(0).output = "Clipboard";
  Run();
  ASSERT_TRUE(clipboard.HeldPicture());
  EXPECT_EQ(clipboard.HeldPicture()->At(0, 0), kRed);

  desktop.canCapture = false;
  LoadRows({{"Image Capture"}});
  StepAt(0).output = "File";
  StepAt(0).outputValue = "C:\\Shots\\other.bmp";
  StepAt(0).onfail = "Stop Silently";
  Run();
  EXPECT_FALSE(files.Has("C:\\Shots\\other.bmp"));
}

}  // namespace
}  // namespace plumo
