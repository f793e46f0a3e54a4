#include "platform/win32/win32_pictures.h"

#include <ole2.h>
#include <olectl.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

// Releases a COM interface when it goes.
template <class T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p_) p_->Release();
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** out() { return &p_; }
  void** outVoid() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

// COM for the calling thread (the run thread has none of its own), undone if this started it.
class ComApartment {
 public:
  ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }

 private:
  HRESULT hr_;
};

OsError ComError(const char* call, HRESULT hr) {
  return OsError(call, static_cast<uint32_t>(hr), Win32Message(static_cast<uint32_t>(hr)));
}

std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), n);
  out.resize(wcslen(out.c_str()));
  return out;
}

uint16_t WicBitsPerPixel(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame) {
  WICPixelFormatGUID format;
  Com<IWICComponentInfo> info;
  Com<IWICPixelFormatInfo> pixelInfo;
  UINT bits = 0;
  if (SUCCEEDED(frame->GetPixelFormat(&format)) && SUCCEEDED(factory->CreateComponentInfo(format, info.out())) &&
      SUCCEEDED(info->QueryInterface(IID_IWICPixelFormatInfo, pixelInfo.outVoid())) &&
      SUCCEEDED(pixelInfo->GetBitsPerPixel(&bits)))
    return static_cast<uint16_t>(bits);
  return 32;
}

std::optional<Picture> TooLarge(OsError* error) {
  *error = OsError("ReadPictureFile", ERROR_NOT_ENOUGH_MEMORY, "the picture is too large");
  return std::nullopt;
}

}  // namespace

std::optional<Picture> NewDibPicture(int32_t width, int32_t height, HBITMAP* bitmap) {
  if (width <= 0 || height <= 0 || int64_t{width} * height > Picture::kMaxPixels) return std::nullopt;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section || !bits) return std::nullopt;
  *bitmap = section;
  std::shared_ptr<void> keeper(section, [](void* b) { DeleteObject(static_cast<HBITMAP>(b)); });
  return Picture(width, height, width, static_cast<uint32_t*>(bits), std::move(keeper));
}

HGLOBAL PackedDib(const Picture& picture) {
  const uint32_t w = static_cast<uint32_t>(picture.width()), h = static_cast<uint32_t>(picture.height());
  const uint32_t stride = (w * 3 + 3) & ~3u;
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = static_cast<LONG>(w);
  header.biHeight = static_cast<LONG>(h);  // bottom-up, as DIBs are read everywhere
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = stride * h;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof header + size_t{stride} * h);
  if (!mem) return nullptr;
  auto* out = static_cast<uint8_t*>(GlobalLock(mem));
  std::memcpy(out, &header, sizeof header);
  uint8_t* row = out + sizeof header;
  for (uint32_t y = h; y-- > 0; row += stride) {
    const uint32_t* src = picture.Row(static_cast<int32_t>(y));
    for (uint32_t x = 0; x < w; ++x) std::memcpy(row + 3 * x, &src[x], 3);
    std::memset(row + 3 * w, 0, stride - 3 * w);
  }
  GlobalUnlock(mem);
  return mem;
}

std::optional<Picture> ReadPictureWithWic(const std::string& path, OsError* error, bool* noWic) {
  ComApartment com;
  Com<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.outVoid());
  if (FAILED(hr)) {
    *noWic = true;
    *error = ComError("CoCreateInstance", hr);
    return std::nullopt;
  }
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  Com<IWICBitmapSource> converted;
  const std::wstring wide = Wide(path);
  if (FAILED(hr = factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                     decoder.out()))) {
    *error = ComError("CreateDecoderFromFilename", hr);
    return std::nullopt;
  }
  if (FAILED(hr = decoder->GetFrame(0, frame.out())) ||
      FAILED(hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.get(), converted.out()))) {
    *error = ComError("IWICBitmapDecoder::GetFrame", hr);
    return std::nullopt;
  }
  UINT w = 0, h = 0;
  converted->GetSize(&w, &h);
  if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX || uint64_t{w} * h > Picture::kMaxPixels) return TooLarge(error);
  std::optional<Picture> picture = Picture::Allocate(static_cast<int32_t>(w), static_cast<int32_t>(h));
  if (!picture) return TooLarge(error);
  if (FAILED(hr = converted->CopyPixels(nullptr, w * 4, w * 4 * h, reinterpret_cast<BYTE*>(picture->Row(0))))) {
    *error = ComError("IWICBitmapSource::CopyPixels", hr);
    return std::nullopt;
  }
  picture->bitsPerPixel = WicBitsPerPixel(factory.get(), frame.get());
  return picture;
}

std::optional<Picture> ReadPictureWithOle(const std::string& path, OsError* error) {
  using OleLoadPictureFn = HRESULT(WINAPI*)(LPSTREAM, LONG, BOOL, REFIID, LPVOID*);
  HMODULE lib = LoadLibraryA("OLEPRO32.DLL");
  auto* load = lib ? reinterpret_cast<OleLoadPictureFn>(reinterpret_cast<void*>(GetProcAddress(lib, "OleLoadPicture"))) : nullptr;
  if (!load) {
    if (lib) FreeLibrary(lib);
    lib = LoadLibraryA("OLEAUT32.DLL");
    load = lib ? reinterpret_cast<OleLoadPictureFn>(reinterpret_cast<void*>(GetProcAddress(lib, "OleLoadPicture"))) : nullptr;
  }
  std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> keep(lib, &FreeLibrary);
  if (!load) {
    *error = LastWin32Error("GetProcAddress");
    return std::nullopt;
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = LastWin32Error("CreateFileA");
    return std::nullopt;
  }
  const DWORD size = GetFileSize(file, nullptr);
  HGLOBAL mem = size != INVALID_FILE_SIZE && size > 0 ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
  DWORD got = 0;
  const bool read = mem && ReadFile(file, GlobalLock(mem), size, &got, nullptr) && got == size;
  if (mem) GlobalUnlock(mem);
  CloseHandle(file);
  if (!read) {
    if (mem) GlobalFree(mem);
    *error = OsError("ReadFile", ERROR_READ_FAULT, "cannot read " + path);
    return std::nullopt;
  }
  ComApartment com;
  Com<IStream> stream;
  Com<IPicture> ole;
  HRESULT hr = CreateStreamOnHGlobal(mem, TRUE, stream.out());
  if (FAILED(hr)) {
    GlobalFree(mem);
    *error = ComError("CreateStreamOnHGlobal", hr);
    return std::nullopt;
  }
  if (FAILED(hr = load(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture, ole.outVoid()))) {
    *error = ComError("OleLoadPicture", hr);
    return std::nullopt;
  }
  OLE_XSIZE_HIMETRIC hmWidth = 0;
  OLE_YSIZE_HIMETRIC hmHeight = 0;
  ole->get_Width(&hmWidth);
  ole->get_Height(&hmHeight);
  HDC screen = GetDC(nullptr);
  const int32_t w = MulDiv(hmWidth, GetDeviceCaps(screen, LOGPIXELSX), 2540);
  const int32_t h = MulDiv(hmHeight, GetDeviceCaps(screen, LOGPIXELSY), 2540);
  HBITMAP section = nullptr;
  std::optional<Picture> picture = NewDibPicture(w, h, &section);
  HDC mem2 = picture ? CreateCompatibleDC(screen) : nullptr;
  ReleaseDC(nullptr, screen);
  if (!mem2) return TooLarge(error);
  HGDIOBJ old = SelectObject(mem2, section);
  hr = ole->Render(mem2, 0, 0, w, h, 0, hmHeight, hmWidth, -hmHeight, nullptr);
  GdiFlush();
  SelectObject(mem2, old);
  DeleteDC(mem2);
  if (FAILED(hr)) {
    *error = ComError("IPicture::Render", hr);
    return std::nullopt;
  }
  return picture;
}

ScreenRect Win32Desktop::VirtualScreen() {
  int32_t x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int32_t w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w <= 0 || h <= 0) {
    x = y = 0;
    w = GetSystemMetrics(SM_CXSCREEN);
    h = GetSystemMetrics(SM_CYSCREEN);
  }
  return {x, y, x + w, y + h};
}

std::optional<Picture> Win32Desktop::CaptureScreen(const ScreenRect& area, bool slow, OsError* error) {
  const ScreenRect v = VirtualScreen();
  const ScreenRect a{std::max(area.left, v.left), std::max(area.top, v.top), std::min(area.right, v.right),
                     std::min(area.bottom, v.bottom)};
  if (a.Width() <= 0 || a.Height() <= 0) {
    *error = OsError("BitBlt", ERROR_INVALID_PARAMETER, "the area lies outside the screen");
    return std::nullopt;
  }
  HDC screen = GetDC(nullptr);
  if (!screen) {
    *error = LastWin32Error("GetDC");
    return std::nullopt;
  }
  const int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  std::optional<Picture> out;
  if (slow) {
    out = Picture::Allocate(a.Width(), a.Height());
    if (!out) *error = OsError("GetPixel", ERROR_NOT_ENOUGH_MEMORY, "not enough memory for the picture");
    for (int32_t y = 0; out && y < a.Height(); ++y)
      for (int32_t x = 0; x < a.Width(); ++x) {
        const COLORREF c = GetPixel(screen, a.left + x, a.top + y);
        if (c == CLR_INVALID) {
          *error = OsError("GetPixel", ERROR_INVALID_PARAMETER, "a pixel of the screen cannot be read");
          out.reset();
          break;
        }
        out->Row(y)[x] = PixelOfColor(c);
      }
  } else {
    HBITMAP section = nullptr;
    out = NewDibPicture(a.Width(), a.Height(), &section);
    HDC mem = out ? CreateCompatibleDC(screen) : nullptr;
    if (!mem) {
      *error = LastWin32Error(out ? "CreateCompatibleDC" : "CreateDIBSection");
      out.reset();
    } else {
      HGDIOBJ old = SelectObject(mem, section);
      const BOOL copied = BitBlt(mem, 0, 0, a.Width(), a.Height(), screen, a.left, a.top, SRCCOPY | CAPTUREBLT);
      if (!copied) *error = LastWin32Error("BitBlt");
      GdiFlush();
      SelectObject(mem, old);
      DeleteDC(mem);
      if (!copied) out.reset();
    }
  }
  ReleaseDC(nullptr, screen);
  if (!out) return std::nullopt;
  out->left = a.left;
  out->top = a.top;
  out->bitsPerPixel = static_cast<uint16_t>(depth);
  return out;
}

std::optional<Picture> Win32Desktop::ReadPictureFile(const std::string& path, OsError* error) {
  bool noWic = false;
  std::optional<Picture> picture = ReadPictureWithWic(path, error, &noWic);
  if (!picture && noWic) picture = ReadPictureWithOle(path, error);
  return picture;
}

}  // namespace plumo
