#include "actions/desktop/image_scan.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "actions/desktop/image_scan_kernel.h"
#include "actions/desktop/image_scan_reference.h"

namespace plumo {
namespace {

constexpr uint32_t kPink = 0xFF00FF;

// A picture whose rows lie `pad` pixels apart beyond its width, at a screen position.
Picture Blank(int32_t w, int32_t h, int32_t pad = 0, int32_t left = 0, int32_t top = 0) {
  auto pixels = std::make_shared<std::vector<uint32_t>>(static_cast<size_t>((w + pad) * h + 1));
  Picture p(w, h, w + pad, pixels->data(), pixels);
  p.left = left;
  p.top = top;
  return p;
}

Picture Filled(int32_t w, int32_t h, uint32_t pixel) {
  Picture p = Blank(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) p.Row(y)[x] = pixel;
  return p;
}

ScreenRect Whole(const Picture& s) { return {s.left, s.top, s.left + s.width(), s.top + s.height()}; }

TEST(ImageScan, AllowedMissesFollowTheRequiredPercentage) {
  struct Row {
    int percentage;
    int64_t pixels;
    int allowed;
  } rows[] = {{90, 100, 10}, {100, 100, 0}, {0, 100, 0}, {150, 100, 0}, {1, 1, 1}, {50, 3, 1}, {99, 1024, 10}};
  for (const Row& r : rows) EXPECT_EQ(AllowedMisses(r.percentage, r.pixels), r.allowed) << r.percentage << " " << r.pixels;
}

// A 10 × 10 picture at 90 %: a place with 10 wrong pixels qualifies, one with 11 does not;
// every instruction set agrees.
TEST(ImageScan, NinetyPercentAllowsTenMissesOfAHundred) {
  for (const scan::ScanKernels* k : scan::AvailableKernels()) {
    Picture screen = Filled(60, 30, 0x101010);
    Picture picture = Filled(10, 10, 0x808080);
    for (int wrong : {11, 10}) {
      const int32_t at = wrong == 11 ? 5 : 35;
      for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x) screen.Row(8 + y)[at + x] = y * 10 + x < 100 - wrong ? 0x808080 : 0x202020;
    }
    const ImageScan scan{0, AllowedMisses(90, 100), std::nullopt};
    EXPECT_EQ(scan::FindImageWith(*k, screen, Whole(screen), picture, scan), (ScanPoint{35, 8})) << k->name;
    const ScanReport report = scan::ExplainWith(*k, screen, Whole(screen), picture, scan);
    EXPECT_TRUE(report.found) << k->name;
    EXPECT_EQ(report.matches, 90) << k->name;
  }
}

TEST(ImageScan, MaskedKeyMakesEveryPositionACandidate) {
  Picture screen = Filled(40, 20, 0x000000);
  screen.Row(13)[30] = 0x00FF00;
  Picture picture = Filled(3, 3, kPink);
  picture.Row(1)[1] = 0x00FF00;
  for (const scan::ScanKernels* k : scan::AvailableKernels()) {
    EXPECT_EQ(scan::FindImageWith(*k, screen, Whole(screen), picture, {0, 0, kPink}), (ScanPoint{29, 12})) << k->name;
    EXPECT_FALSE(scan::FindImageWith(*k, screen, Whole(screen), picture, {0, 0, std::nullopt})) << k->name;
  }
}

TEST(ImageScan, TopByteOfScreenPixelsIsIgnored) {
  Picture screen = Filled(20, 4, 0xFF123456);
  Picture picture = Filled(2, 2, 0x123456);
  EXPECT_EQ(FindImageIn(screen, Whole(screen), picture, {}), (ScanPoint{0, 0}));
  EXPECT_EQ(FindPixelIn(screen, Whole(screen), 0x123456, 0), (ScanPoint{0, 0}));
}

TEST(ImageScan, ClipToCaptureKeepsTheOverlap) {
  Picture screen = Blank(100, 50, 0, -20, 10);
  EXPECT_EQ(ClipToCapture(screen, {-50, 0, 10, 200}), (ScreenRect{-20, 10, 10, 60}));
  EXPECT_EQ(ClipToCapture(screen, {200, 0, 300, 5}).Width(), 0);
}

// Generated screens of few, close colours, so that candidates, near misses and tolerance
// all occur; pictures cut from the screen (sometimes spoilt) or made up, masked or not, at
// edges, larger than the area, 1 × 1; screens with padded rows, an origin off (0, 0) and
// noise in the top byte.
class Generated {
 public:
  explicit Generated(uint32_t seed) : rng_(seed) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  template <class T>
  T Pick(std::initializer_list<T> items) {
    return items.begin()[Int(0, static_cast<int>(items.size()) - 1)];
  }

  void Make() {
    palette_.clear();
    const int colours = Int(1, 5);
    const uint32_t base = static_cast<uint32_t>(Int(0, 0xFFFFFF));
    for (int i = 0; i < colours; ++i) palette_.push_back(Int(0, 1) ? base ^ static_cast<uint32_t>(Int(0, 7)) : static_cast<uint32_t>(Int(0, 0xFFFFFF)));
    screen = Blank(Int(1, 70), Int(1, 24), Int(0, 3), Int(-40, 40), Int(-40, 40));
    for (int32_t y = 0; y < screen.height(); ++y)
      for (int32_t x = 0; x < screen.width(); ++x) screen.Row(y)[x] = Colour() | static_cast<uint32_t>(Int(0, 255)) << 24;

    const bool cut = Int(0, 9) < 6;
    picture = Blank(Int(1, cut ? std::min(screen.width(), 12) : 14), Int(1, cut ? std::min(screen.height(), 6) : 8));
    const int32_t cx = Int(0, std::max(0, screen.width() - picture.width()));
    const int32_t cy = Int(0, std::max(0, screen.height() - picture.height()));
    for (int32_t y = 0; y < picture.height(); ++y)
      for (int32_t x = 0; x < picture.width(); ++x) {
        const bool inside = cut && cx + x < screen.width() && cy + y < screen.height();
        picture.Row(y)[x] = inside && Int(0, 19) ? screen.At(cx + x, cy + y) : Colour();
      }
    scan.tolerance = Pick({0, 1, 8, 255});
    scan.allowedMisses = AllowedMisses(Pick({1, 50, 90, 100}), int64_t{picture.width()} * picture.height());
    scan.maskPixel.reset();
    if (Int(0, 2) == 0) {
      scan.maskPixel = Int(0, 1) ? kPink : picture.At(0, 0);
      for (int i = Int(0, 4); i > 0; --i) picture.Row(Int(0, picture.height() - 1))[Int(0, picture.width() - 1)] = *scan.maskPixel;
    }
    // Key-coloured screen pixels where the picture was cut: misses around the allowance.
    if (cut && Int(0, 1))
      for (int i = Int(0, scan.allowedMisses + 1); i > 0; --i) {
        const int32_t x = cx + Int(0, picture.width() - 1), y = cy + Int(0, picture.height() - 1);
        if (x < screen.width() && y < screen.height()) screen.Row(y)[x] = picture.At(0, 0);
      }
    area = Whole(screen);
    if (Int(0, 1)) {
      area.left += Int(0, screen.width() - 1);
      area.top += Int(0, screen.height() - 1);
      area.right = Int(area.left + 1, screen.left + screen.width());
      area.bottom = Int(area.top + 1, screen.top + screen.height());
    }
  }

  Picture screen, picture;
  ImageScan scan;
  ScreenRect area;

 private:
  uint32_t Colour() { return palette_[static_cast<size_t>(Int(0, static_cast<int>(palette_.size()) - 1))]; }
  std::mt19937 rng_;
  std::vector<uint32_t> palette_;
};

TEST(ImageScan, FastScansGiveTheReferenceAnswerOnGeneratedScreens) {
  Generated g(17);
  int found = 0;
  const std::vector<const scan::ScanKernels*> kernels = scan::AvailableKernels();
  for (int round = 0; round < 4000; ++round) {
    g.Make();
    const ReferenceSearch want = ReferenceFindImage(g.screen, g.area, g.picture, g.scan);
    found += want.found;
    for (const scan::ScanKernels* k : kernels) {
      SCOPED_TRACE(testing::Message() << k->name << " round " << round << " tolerance " << g.scan.tolerance
                                      << " allowed " << g.scan.allowedMisses << " masked " << g.scan.maskPixel.has_value());
      const std::optional<ScanPoint> got = scan::FindImageWith(*k, g.screen, g.area, g.picture, g.scan);
      ASSERT_EQ(got.has_value(), want.found);
      if (got) {
        ASSERT_EQ(*got, want.at);
      }
      const ScanReport report = scan::ExplainWith(*k, g.screen, g.area, g.picture, g.scan);
      ASSERT_EQ(report.found, want.found);
      ASSERT_EQ(report.matches, want.bestMatches);
      if (want.bestMatches > 0) {
        ASSERT_EQ(report.at, want.best);
        ASSERT_EQ(report.lastMatch, want.bestLastMatch);
      }
    }
  }
  // The generator must give both answers often.
  EXPECT_GT(found, 800);
  EXPECT_LT(found, 3200);
}

TEST(ImageScan, FastPixelSearchGivesTheReferenceAnswer) {
  Generated g(4);
  const std::vector<const scan::ScanKernels*> kernels = scan::AvailableKernels();
  for (int round = 0; round < 2000; ++round) {
    g.Make();
    const uint32_t wanted = g.picture.At(0, 0);
    std::optional<ScanPoint> start;
    if (g.Int(0, 1)) start = ScanPoint{g.area.left + g.Int(-2, g.area.Width() + 1), g.area.top + g.Int(-1, g.area.Height())};
    const std::optional<ScanPoint> want = ReferenceFindPixel(g.screen, g.area, wanted, g.scan.tolerance, start);
    for (const scan::ScanKernels* k : kernels)
      ASSERT_EQ(scan::FindPixelWith(*k, g.screen, g.area, wanted, g.scan.tolerance, start), want) << k->name << " " << round;
  }
}

}  // namespace
}  // namespace plumo
