// The studio's icons: drawn from small shape tables at the size asked for (16 or 24 pixels),
// so every toolbar and list icon shares one look and scales without blur.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

namespace plumo {

// Toolbar images by command id; -1 when the command has none.
int ToolbarImageOf(uint16_t command);
// All toolbar images, in the order ToolbarImageOf counts.
HIMAGELIST MakeToolbarImages(int size);

// One image per catalogue category (index category - 1), then the Comment note and the
// unknown action.
inline constexpr int kCommentImage = 16;
inline constexpr int kUnknownActionImage = 17;
HIMAGELIST MakeActionImages(int size);
int ActionImageOf(int category, bool isComment);

// An image list's images composed once over each background they are drawn on, then copied:
// Wine draws an image list's image some fifty times slower than it copies a bitmap, which made
// the images most of a Step list page's paint.
class ImageStrips {
 public:
  ImageStrips() = default;
  ImageStrips(const ImageStrips&) = delete;
  ImageStrips& operator=(const ImageStrips&) = delete;
  ~ImageStrips() { Clear(); }

  // The images to compose, `size` pixels square; forgets what was composed before.
  void Use(HIMAGELIST images, int size);
  void Draw(HDC dc, int image, int x, int y, COLORREF background);
  int size() const { return size_; }

 private:
  struct Strip {
    COLORREF background;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
  };
  void Clear();
  const Strip* Compose(COLORREF background);

  HIMAGELIST images_ = nullptr;
  int size_ = 0;
  int count_ = 0;
  std::vector<Strip> strips_;
};

}  // namespace plumo
