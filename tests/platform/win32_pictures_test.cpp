// Pictures through the Win32 port on a real desktop: captures of a window painted in known
// colours (both forms), picture files written by the system's own encoders and read back by
// the system's decoders, and a picture on the clipboard.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincodec.h>

#include <cstdlib>
#include <string>

#include "fakes/wait_for.h"
#include "fixtures/picture_blocks.h"
#include "platform/win32/win32_clipboard.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_pictures.h"

namespace plumo {
namespace {

constexpr COLORREF kLeft = RGB(200, 30, 40), kRight = RGB(20, 160, 90);
constexpr int kX = 120, kY = 90, kW = 64, kH = 40;

// A topmost pop-up whose left half is one colour and right half another.
LRESULT CALLBACK PaintHalves(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT left{0, 0, kW / 2, kH}, right{kW / 2, 0, kW, kH};
    HBRUSH a = CreateSolidBrush(kLeft), b = CreateSolidBrush(kRight);
    FillRect(dc, &left, a);
    FillRect(dc, &right, b);
    DeleteObject(a);
    DeleteObject(b);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class Halves {
 public:
  Halves() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PaintHalves;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PlumoPictureTest";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Halves", WS_POPUP | WS_VISIBLE, kX, kY, kW, kH, nullptr,
                            nullptr, wc.hInstance, nullptr);
    UpdateWindow(hwnd_);
  }
  ~Halves() { DestroyWindow(hwnd_); }
  // Lets the window paint and the desktop show it.
  void Settle() {
    for (int i = 0; i < 20; ++i) {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
      Sleep(10);
    }
  }

 private:
  HWND hwnd_;
};

TEST(Win32Pictures, BothCaptureFormsSeeWhatAWindowPainted) {
  Halves window;
  window.Settle();
  Win32Desktop desktop;
  const ScreenRect screen = desktop.VirtualScreen();
  EXPECT_GT(screen.Width(), kX + kW);
  OsError error;
  std::optional<Picture> shot = desktop.CaptureScreen({kX - 4, kY - 4, kX + kW + 4, kY + kH + 4}, false, &error);
  ASSERT_TRUE(shot) << error.ToString();
  EXPECT_EQ(shot->left, kX - 4);
  EXPECT_EQ(shot->width(), kW + 8);
  EXPECT_EQ(shot->At(4 + 2, 4 + 2), PixelOfColor(kLeft));
  EXPECT_EQ(shot->At(4 + kW - 3, 4 + kH - 3), PixelOfColor(kRight));
  // The slow form reads pixel by pixel: a few across the middle.
  std::optional<Picture> slow = desktop.CaptureScreen({kX + kW / 2 - 2, kY + 5, kX + kW / 2 + 2, kY + 7}, true, &error);
  ASSERT_TRUE(slow) << error.ToString();
  EXPECT_EQ(slow->top, kY + 5);
  EXPECT_EQ(slow->At(1, 1), PixelOfColor(kLeft));
  EXPECT_EQ(slow->At(2, 1), PixelOfColor(kRight));
  EXPECT_EQ(desktop.PixelColor(kX + 1, kY + 1), kLeft);
  EXPECT_FALSE(desktop.CaptureScreen({screen.right + 10, 0, screen.right + 20, 10}, false, &error));
  EXPECT_FALSE(error.ok());
}

// The test picture as a GIF written by hand: a four-colour table, and LZW codes of three bits
// with a clear code before every pixel, so that the code table never grows.
std::string HandGif() {
  std::string g = "GIF89a";
  g += std::string("\x20\x00\x20\x00\xF1\x00\x00", 7);  // 32 × 32, global table of 4
  for (uint32_t c : kBlocks) g += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
  g += std::string("\x2C\x00\x00\x00\x00\x20\x00\x20\x00\x00\x02", 11);
  std::string data;
  uint32_t bits = 0;
  int count = 0;
  auto code = [&](uint32_t c) {
    bits |= c << count;
    for (count += 3; count >= 8; count -= 8, bits >>= 8) data += static_cast<char>(bits & 0xFF);
  };
  for (int i = 0; i < kPixels; ++i) {
    code(4);  // clear
    code(static_cast<uint32_t>(Block(i)));
  }
  code(5);  // end
  if (count > 0) data += static_cast<char>(bits & 0xFF);
  for (size_t at = 0; at < data.size(); at += 255) {
    const std::string block = data.substr(at, 255);
    g += static_cast<char>(block.size());
    g += block;
  }
  g += std::string("\x00\x3B", 2);
  return g;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

TEST(Win32Pictures, PictureFilesOfTheSystemsFormatsReadBack) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  struct Row {
    const char* name;
    GUID format;
    int tolerance;
    bool ole;  // the OLE picture loader reads it too
  } rows[] = {{"png", GUID_ContainerFormatPng, 0, false},
              {"jpg", GUID_ContainerFormatJpeg, 12, true},
              {"gif", GUID_NULL, 0, true}};
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  Win32Desktop desktop;
  for (const Row& r : rows) {
    const std::string path = std::string(temp) + "plumo_picture." + r.name;
    if (r.format == GUID_NULL) {
      const std::string gif = HandGif();
      HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      WriteFile(f, gif.data(), static_cast<DWORD>(gif.size()), &written, nullptr);
      CloseHandle(f);
    } else {
      ASSERT_TRUE(Encode(r.format, std::wstring(path.begin(), path.end()))) << r.name;
    }
    OsError error;
    std::optional<Picture> read = desktop.ReadPictureFile(path, &error);
    std::optional<Picture> ole = r.ole ? ReadPictureWithOle(path, &error) : std::nullopt;
    for (const std::optional<Picture>* p : {&read, &ole}) {
      if (p == &ole && !r.ole) continue;
      ASSERT_TRUE(*p) << r.name << ": " << error.ToString();
      EXPECT_EQ((*p)->width(), kSide) << r.name;
      EXPECT_EQ((*p)->height(), kSide) << r.name;
      for (int i : {8 * kSide + 8, 8 * kSide + 24, 24 * kSide + 8, 24 * kSide + 24})
        EXPECT_TRUE(Near((*p)->At(i % kSide, i / kSide), kBlocks[Block(i)], r.tolerance))
            << r.name << std::hex << " " << (*p)->At(i % kSide, i / kSide);
    }
    DeleteFileA(path.c_str());
  }
  OsError error;
  EXPECT_FALSE(desktop.ReadPictureFile(std::string(temp) + "no such picture.png", &error));
  EXPECT_FALSE(error.ok());
  CoUninitialize();
}

TEST(Win32Pictures, APictureOnTheClipboardIsADib) {
  Picture p = *Picture::Allocate(3, 2);
  p.Row(1)[2] = 0x123456;
  Win32Clipboard clipboard;
  ASSERT_TRUE(clipboard.SetPicture(p).ok());
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE h = GetClipboardData(CF_DIB);
  ASSERT_NE(h, nullptr);
  const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(h));
  EXPECT_EQ(header->biWidth, 3);
  EXPECT_EQ(header->biHeight, 2);
  const auto* bits = reinterpret_cast<const uint8_t*>(header + 1);  // bottom-up: row 1 first
  EXPECT_EQ(bits[6] | bits[7] << 8 | bits[8] << 16, 0x123456);
  GlobalUnlock(h);
  CloseClipboard();
}

}  // namespace
}  // namespace plumo
