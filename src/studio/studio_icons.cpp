#include "studio/studio_icons.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace plumo {
namespace {

// Shapes on a 16-unit grid; x2/y2 are exclusive for boxes.
enum class Shape : uint8_t { kFill, kFrame, kLine, kDisc, kRing, kTriangle, kLetter };

struct Mark {
  Shape shape;
  COLORREF colour;
  int8_t x1, y1, x2, y2, x3 = 0, y3 = 0;
  char letter = 0;
};

struct Glyph {
  uint16_t command;  // 0 for the list images
  std::span<const Mark> marks;
};

constexpr COLORREF kKey = RGB(255, 0, 255);  // transparent; drawing with it cuts holes
constexpr COLORREF kInk = RGB(64, 64, 64), kPaper = RGB(255, 255, 255), kBlue = RGB(30, 90, 190),
                   kGreen = RGB(30, 150, 60), kRed = RGB(200, 40, 40), kYellow = RGB(240, 200, 80),
                   kBrown = RGB(150, 100, 40), kGrey = RGB(140, 140, 140), kLightBlue = RGB(120, 170, 230);

constexpr Mark kNew[] = {{Shape::kFill, kPaper, 3, 1, 13, 15}, {Shape::kFrame, kInk, 3, 1, 13, 15},
                         {Shape::kTriangle, kGrey, 9, 1, 13, 5, 9, 5}, {Shape::kLine, kGrey, 5, 8, 11, 8},
                         {Shape::kLine, kGrey, 5, 11, 11, 11}};
constexpr Mark kOpen[] = {{Shape::kFill, kBrown, 1, 3, 7, 6}, {Shape::kFill, kYellow, 1, 5, 15, 14},
                          {Shape::kFrame, kBrown, 1, 5, 15, 14}};
constexpr Mark kSave[] = {{Shape::kFill, kBlue, 2, 2, 14, 14}, {Shape::kFill, kPaper, 4, 2, 12, 7},
                          {Shape::kFill, kGrey, 5, 10, 11, 14}, {Shape::kFill, kBlue, 9, 11, 10, 13}};
constexpr Mark kSaveAll[] = {{Shape::kFill, kBlue, 1, 1, 10, 10}, {Shape::kFill, kPaper, 3, 1, 8, 4},
                             {Shape::kFill, kKey, 5, 5, 15, 15},  {Shape::kFill, kBlue, 6, 6, 15, 15},
                             {Shape::kFill, kPaper, 8, 6, 13, 9}, {Shape::kFill, kGrey, 9, 12, 12, 15}};
constexpr Mark kCut[] = {{Shape::kLine, kInk, 5, 10, 11, 1}, {Shape::kLine, kInk, 11, 10, 5, 1},
                         {Shape::kRing, kRed, 1, 9, 7, 15}, {Shape::kRing, kRed, 9, 9, 15, 15}};
constexpr Mark kCopy[] = {{Shape::kFill, kPaper, 2, 1, 10, 11}, {Shape::kFrame, kInk, 2, 1, 10, 11},
                          {Shape::kFill, kPaper, 6, 5, 14, 15}, {Shape::kFrame, kInk, 6, 5, 14, 15},
                          {Shape::kLine, kGrey, 8, 9, 12, 9},   {Shape::kLine, kGrey, 8, 12, 12, 12}};
constexpr Mark kPaste[] = {{Shape::kFill, kBrown, 2, 2, 14, 15}, {Shape::kFill, kPaper, 4, 5, 12, 13},
                           {Shape::kFill, kGrey, 5, 1, 11, 4},   {Shape::kLine, kGrey, 6, 8, 10, 8},
                           {Shape::kLine, kGrey, 6, 10, 10, 10}};
constexpr Mark kUndo[] = {{Shape::kTriangle, kBlue, 1, 6, 6, 1, 6, 11}, {Shape::kFill, kBlue, 6, 5, 12, 8},
                          {Shape::kFill, kBlue, 11, 5, 14, 14}, {Shape::kFill, kBlue, 8, 12, 14, 14}};
constexpr Mark kRedo[] = {{Shape::kTriangle, kBlue, 15, 6, 10, 1, 10, 11}, {Shape::kFill, kBlue, 4, 5, 10, 8},
                          {Shape::kFill, kBlue, 2, 5, 5, 14}, {Shape::kFill, kBlue, 2, 12, 8, 14}};
constexpr Mark kFind[] = {{Shape::kDisc, kBlue, 1, 1, 11, 11}, {Shape::kDisc, kLightBlue, 3, 3, 9, 9},
                          {Shape::kLine, kInk, 9, 9, 14, 14}, {Shape::kLine, kInk, 10, 9, 15, 14}};
constexpr Mark kUp[] = {{Shape::kTriangle, kGreen, 8, 1, 1, 8, 15, 8}, {Shape::kFill, kGreen, 5, 8, 11, 15}};
constexpr Mark kDown[] = {{Shape::kTriangle, kGreen, 8, 15, 1, 8, 15, 8}, {Shape::kFill, kGreen, 5, 1, 11, 8}};
constexpr Mark kOutdent[] = {{Shape::kFill, kInk, 7, 2, 15, 4},   {Shape::kFill, kInk, 7, 7, 15, 9},
                             {Shape::kFill, kInk, 7, 12, 15, 14}, {Shape::kFill, kInk, 1, 2, 6, 4},
                             {Shape::kFill, kInk, 1, 12, 6, 14},  {Shape::kTriangle, kBlue, 1, 8, 5, 5, 5, 11}};
constexpr Mark kIndent[] = {{Shape::kFill, kInk, 7, 2, 15, 4},   {Shape::kFill, kInk, 7, 7, 15, 9},
                            {Shape::kFill, kInk, 7, 12, 15, 14}, {Shape::kFill, kInk, 1, 2, 6, 4},
                            {Shape::kFill, kInk, 1, 12, 6, 14},  {Shape::kTriangle, kBlue, 6, 8, 2, 5, 2, 11}};
constexpr Mark kSkip[] = {{Shape::kFill, kGrey, 1, 12, 15, 14}, {Shape::kFill, kInk, 2, 4, 4, 11},
                          {Shape::kFill, kInk, 2, 4, 11, 6}, {Shape::kTriangle, kInk, 11, 1, 11, 9, 15, 5}};
constexpr Mark kBreakpoint[] = {{Shape::kDisc, RGB(150, 58, 70), 2, 2, 14, 14}, {Shape::kDisc, RGB(210, 110, 120), 4, 4, 8, 8}};
constexpr Mark kBookmark[] = {{Shape::kFill, kInk, 3, 1, 5, 15}, {Shape::kTriangle, kBlue, 5, 1, 14, 5, 5, 9}};
constexpr Mark kComment[] = {{Shape::kFill, RGB(255, 255, 192), 1, 2, 15, 11}, {Shape::kFrame, RGB(0, 160, 0), 1, 2, 15, 11},
                             {Shape::kTriangle, RGB(0, 160, 0), 3, 10, 8, 10, 3, 15},
                             {Shape::kLine, RGB(0, 160, 0), 4, 5, 12, 5}, {Shape::kLine, RGB(0, 160, 0), 4, 8, 10, 8}};
constexpr Mark kRun[] = {{Shape::kTriangle, kGreen, 3, 1, 3, 15, 14, 8}};
constexpr Mark kRunFromHere[] = {{Shape::kFill, kBlue, 1, 2, 4, 14}, {Shape::kTriangle, kGreen, 6, 2, 6, 14, 15, 8}};
constexpr Mark kSingle[] = {{Shape::kTriangle, kGreen, 2, 2, 2, 14, 10, 8}, {Shape::kFill, kGreen, 11, 2, 14, 14}};
constexpr Mark kPause[] = {{Shape::kFill, kBlue, 3, 2, 7, 14}, {Shape::kFill, kBlue, 9, 2, 13, 14}};
constexpr Mark kStop[] = {{Shape::kFill, kRed, 2, 2, 14, 14}};
constexpr Mark kCompile[] = {{Shape::kFill, RGB(200, 160, 100), 1, 5, 15, 15}, {Shape::kFrame, kBrown, 1, 5, 15, 15},
                             {Shape::kTriangle, RGB(230, 190, 130), 1, 5, 4, 1, 15, 5},
                             {Shape::kFill, kBrown, 7, 5, 9, 15}};
constexpr Mark kOptions[] = {{Shape::kFill, kInk, 1, 3, 15, 4},  {Shape::kFill, kBlue, 3, 1, 6, 6},
                             {Shape::kFill, kInk, 1, 8, 15, 9},  {Shape::kFill, kBlue, 9, 6, 12, 11},
                             {Shape::kFill, kInk, 1, 13, 15, 14}, {Shape::kFill, kBlue, 5, 11, 8, 16}};

constexpr Glyph kToolbarGlyphs[] = {
    {1067, kNew},  {1012, kOpen},      {1013, kSave},     {1015, kSaveAll},   {1020, kCut},
    {1021, kCopy}, {1022, kPaste},     {1024, kUndo},     {1061, kRedo},      {1019, kFind},
    {1034, kUp},   {1035, kDown},      {1040, kOutdent},  {1039, kIndent},    {1041, kSkip},
    {1028, kBreakpoint}, {1074, kBookmark}, {1052, kComment}, {1029, kRun}, {1031, kRunFromHere},
    {1030, kSingle}, {1069, kPause},   {1032, kStop},     {1037, kCompile},   {1036, kOptions},
};

// Category badges: a coloured tile with a letter, in category order.
struct Badge {
  COLORREF colour;
  char letter;
};
constexpr Badge kBadges[] = {
    {RGB(220, 170, 0), '*'},  {RGB(30, 150, 60), 'R'},  {RGB(30, 90, 190), 'W'},  {RGB(120, 60, 170), 'K'},
    {RGB(0, 130, 130), 'M'},  {RGB(220, 110, 20), 'C'}, {RGB(150, 100, 40), 'T'}, {RGB(190, 40, 130), '?'},
    {RGB(190, 150, 20), 'F'}, {RGB(20, 115, 50), 'X'},  {RGB(40, 140, 210), '@'}, {RGB(80, 100, 130), 'D'},
    {RGB(70, 60, 160), 'L'},  {RGB(200, 60, 40), 'I'},  {RGB(110, 110, 110), 'H'}, {RGB(60, 60, 60), 'S'},
};

int Scaled(int v, int size) { return static_cast<int>(std::lround(v * size / 16.0)); }

void Draw(HDC dc, const Mark& m, int size, HFONT font) {
  const int x1 = Scaled(m.x1, size), y1 = Scaled(m.y1, size), x2 = Scaled(m.x2, size), y2 = Scaled(m.y2, size);
  const int pen = std::max(1, size / 12);
  HBRUSH brush = CreateSolidBrush(m.colour);
  HPEN outline = CreatePen(PS_SOLID, pen, m.colour);
  HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, outline);
  RECT r = {x1, y1, x2, y2};
  switch (m.shape) {
    case Shape::kFill: FillRect(dc, &r, brush); break;
    case Shape::kFrame:
      for (int i = 0; i < pen; ++i) {
        FrameRect(dc, &r, brush);
        InflateRect(&r, -1, -1);
      }
      break;
    case Shape::kLine:
      MoveToEx(dc, x1, y1, nullptr);
      LineTo(dc, x2, y2);
      break;
    case Shape::kDisc: Ellipse(dc, x1, y1, x2, y2); break;
    case Shape::kRing:
      SelectObject(dc, GetStockObject(NULL_BRUSH));
      Ellipse(dc, x1, y1, x2, y2);
      break;
    case Shape::kTriangle: {
      POINT p[3] = {{x1, y1}, {x2, y2}, {Scaled(m.x3, size), Scaled(m.y3, size)}};
      Polygon(dc, p, 3);
      break;
    }
    case Shape::kLetter: {
      HGDIOBJ oldFont = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, m.colour);
      char text[2] = {m.letter, 0};
      DrawTextA(dc, text, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      SelectObject(dc, oldFont);
      break;
    }
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(outline);
}

// Draws each image into one strip and hands the strip to a new image list, keyed on kKey.
template <class DrawOne>
HIMAGELIST MakeImages(int size, int count, DrawOne drawOne) {
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, count, 4);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP strip = CreateCompatibleBitmap(screen, size * count, size);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, strip);
  RECT all = {0, 0, size * count, size};
  HBRUSH key = CreateSolidBrush(kKey);
  FillRect(dc, &all, key);
  DeleteObject(key);
  for (int i = 0; i < count; ++i) {
    SetViewportOrgEx(dc, i * size, 0, nullptr);
    drawOne(dc, i);
  }
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SelectObject(dc, old);
  ImageList_AddMasked(list, strip, kKey);
  DeleteObject(strip);
  DeleteDC(dc);
  return list;
}

HFONT BadgeFont(int size) {
  return CreateFontA(-Scaled(12, size), 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                     "Tahoma");
}

}  // namespace

int ToolbarImageOf(uint16_t command) {
  for (size_t i = 0; i < std::size(kToolbarGlyphs); ++i)
    if (kToolbarGlyphs[i].command == command) return static_cast<int>(i);
  return -1;
}

HIMAGELIST MakeToolbarImages(int size) {
  return MakeImages(size, static_cast<int>(std::size(kToolbarGlyphs)), [&](HDC dc, int i) {
    for (const Mark& m : kToolbarGlyphs[i].marks) Draw(dc, m, size, nullptr);
  });
}

HIMAGELIST MakeActionImages(int size) {
  HFONT font = BadgeFont(size);
  HIMAGELIST list = MakeImages(size, kUnknownActionImage + 1, [&](HDC dc, int i) {
    if (i == kCommentImage) {
      for (const Mark& m : kComment) Draw(dc, m, size, font);
      return;
    }
    const Badge b = i < kCommentImage ? kBadges[i] : Badge{RGB(170, 170, 170), '?'};
    Draw(dc, {Shape::kDisc, b.colour, 1, 1, 15, 15}, size, font);
    Draw(dc, {Shape::kLetter, RGB(255, 255, 255), 1, 1, 15, 15, 0, 0, b.letter}, size, font);
  });
  DeleteObject(font);
  return list;
}

int ActionImageOf(int category, bool isComment) {
  if (isComment) return kCommentImage;
  return category >= 1 && category <= 16 ? category - 1 : kUnknownActionImage;
}

void ImageStrips::Use(HIMAGELIST images, int size) {
  Clear();
  images_ = images;
  size_ = size;
  count_ = images ? ImageList_GetImageCount(images) : 0;
}

void ImageStrips::Clear() {
  for (const Strip& s : strips_) {
    SelectObject(s.dc, s.old);
    DeleteObject(s.bitmap);
    DeleteDC(s.dc);
  }
  strips_.clear();
}

const ImageStrips::Strip* ImageStrips::Compose(COLORREF background) {
  // A row has a handful of backgrounds; colours changed in the options start afresh.
  constexpr size_t kMostStrips = 16;
  if (strips_.size() >= kMostStrips) Clear();
  HDC screen = GetDC(nullptr);
  Strip s = {background, CreateCompatibleDC(screen), CreateCompatibleBitmap(screen, size_ * count_, size_), nullptr};
  ReleaseDC(nullptr, screen);
  if (!s.dc || !s.bitmap) {
    if (s.bitmap) DeleteObject(s.bitmap);
    if (s.dc) DeleteDC(s.dc);
    return nullptr;
  }
  s.old = SelectObject(s.dc, s.bitmap);
  RECT all = {0, 0, size_ * count_, size_};
  SetBkColor(s.dc, background);
  ExtTextOutA(s.dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
  for (int i = 0; i < count_; ++i) ImageList_Draw(images_, i, s.dc, i * size_, 0, ILD_TRANSPARENT);
  strips_.push_back(s);
  return &strips_.back();
}

void ImageStrips::Draw(HDC dc, int image, int x, int y, COLORREF background) {
  if (image < 0 || image >= count_) return;
  const Strip* strip = nullptr;
  for (const Strip& s : strips_)
    if (s.background == background) strip = &s;
  if (!strip && !(strip = Compose(background))) {
    ImageList_Draw(images_, image, dc, x, y, ILD_TRANSPARENT);
    return;
  }
  BitBlt(dc, x, y, size_, size_, strip->dc, image * size_, 0, SRCCOPY);
}

}  // namespace plumo
