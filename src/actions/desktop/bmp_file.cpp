#include "actions/desktop/bmp_file.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include <string>

namespace plumo {
namespace {

constexpr uint32_t kFileHeaderSize = 14;

uint32_t Get(std::string_view s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
  return v;
}

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A channel of a bit-field pixel, scaled to 0-255.
struct Field {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Field(uint32_t m) : mask(m) {
    if (m) {
      shift = std::countr_zero(m);
      bits = std::popcount(m >> shift);
    }
  }
  uint32_t Of(uint32_t v) const {
    if (!bits) return 0;
    const uint32_t x = (v & mask) >> shift;
    if (bits >= 8) return x >> (bits - 8);
    return x * 255 / ((1u << bits) - 1);
  }
};

struct Layout {
  int32_t width = 0, height = 0;
  bool topDown = false;
  uint32_t bpp = 0, compression = 0, colours = 0;
  uint32_t paletteAt = 0, paletteEntry = 4;
  uint32_t masks[3] = {};
  uint32_t pixelsAt = 0;
};

bool Fail(std::string* error, std::string text) {
  *error = std::move(text);
  return false;
}

bool ReadLayout(std::string_view f, Layout* l, std::string* error) {
  if (f.size() < kFileHeaderSize + 4 || f[0] != 'B' || f[1] != 'M') return Fail(error, "not a bitmap file");
  const uint32_t headerSize = Get(f, kFileHeaderSize, 4);
  const bool core = headerSize == 12;
  if (!core && headerSize != 16 && headerSize < 40) return Fail(error, "unknown bitmap header of " + std::to_string(headerSize) + " bytes");
  if (headerSize > f.size() - kFileHeaderSize) return Fail(error, "the bitmap file is truncated");
  const size_t h = kFileHeaderSize + 4;
  uint32_t planes;
  if (core) {
    l->width = static_cast<int32_t>(Get(f, h, 2));
    l->height = static_cast<int32_t>(Get(f, h + 2, 2));
    planes = Get(f, h + 4, 2);
    l->bpp = Get(f, h + 6, 2);
    l->paletteEntry = 3;
  } else {
    l->width = static_cast<int32_t>(Get(f, h, 4));
    l->height = static_cast<int32_t>(Get(f, h + 4, 4));
    planes = Get(f, h + 8, 2);
    l->bpp = Get(f, h + 10, 2);
    if (headerSize >= 40) {
      l->compression = Get(f, h + 12, 4);
      l->colours = Get(f, h + 28, 4);
    }
  }
  (void)planes;  // files written with other plane counts read fine elsewhere
  if (l->height < 0) {
    if (l->height == INT32_MIN) return Fail(error, "the bitmap's height is out of range");
    l->height = -l->height;
    l->topDown = true;
  }
  if (l->width <= 0 || l->height <= 0) return Fail(error, "the bitmap has no pixels");
  if (int64_t{l->width} * l->height > Picture::kMaxPixels)
    return Fail(error, "the bitmap is larger than " + std::to_string(Picture::kMaxPixels) + " pixels");
  switch (l->bpp) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: break;
    default: return Fail(error, "bitmaps of " + std::to_string(l->bpp) + " bits per pixel are not supported");
  }

  uint32_t after = kFileHeaderSize + headerSize;
  // 0 plain, 3 bit fields, 6 bit fields with alpha (ignored); OS/2 headers of 64 bytes give
  // 3 and 4 other meanings, which are compressed too.
  const bool os2 = headerSize == 64;
  if (l->compression == 1 || l->compression == 2 || (os2 && l->compression == 4))
    return Fail(error, "RLE-compressed bitmaps are not supported");
  const bool fields = !os2 && (l->compression == 3 || l->compression == 6);
  if (l->compression != 0 && !fields) return Fail(error, "bitmap compression " + std::to_string(l->compression) + " is not supported");
  if (fields) {
    if (l->bpp != 16 && l->bpp != 32) return Fail(error, "bit fields need 16 or 32 bits per pixel");
    // Headers shorter than 52 bytes are followed by the masks; later versions hold them.
    const uint32_t masksAt = kFileHeaderSize + 40;
    if (headerSize < 52) after = std::max(after, masksAt + (l->compression == 6 ? 16u : 12u));
    if (after > f.size()) return Fail(error, "the bitmap file is truncated");
    for (int i = 0; i < 3; ++i) l->masks[i] = Get(f, masksAt + 4u * static_cast<uint32_t>(i), 4);
  } else if (l->bpp == 16) {
    l->masks[0] = 0x7C00, l->masks[1] = 0x03E0, l->masks[2] = 0x001F;
  } else if (l->bpp >= 24) {
    l->masks[0] = 0xFF0000, l->masks[1] = 0xFF00, l->masks[2] = 0xFF;
  }
  if (l->bpp <= 8) {
    const uint32_t full = 1u << l->bpp;
    if (l->colours == 0 || l->colours > full) l->colours = full;
    l->paletteAt = after;
    if (after + uint64_t{l->colours} * l->paletteEntry > f.size()) return Fail(error, "the bitmap file is truncated");
    after += l->colours * l->paletteEntry;
  } else {
    l->colours = 0;  // a colour table beside true colours only advises
  }
  const uint32_t offBits = Get(f, 10, 4);
  // Writers that leave the offset 0 put the pixels right after the palette.
  l->pixelsAt = offBits == 0 ? after : offBits;
  const uint64_t stride = (uint64_t{static_cast<uint32_t>(l->width)} * l->bpp + 31) / 32 * 4;
  if (l->pixelsAt > f.size() || stride * static_cast<uint32_t>(l->height) > f.size() - l->pixelsAt)
    return Fail(error, "the bitmap file is truncated");
  return true;
}

}  // namespace

std::optional<Picture> ReadBmp(std::string_view f, std::string* error) {
  Layout l;
  if (!ReadLayout(f, &l, error)) return std::nullopt;
  std::optional<Picture> picture = Picture::Allocate(l.width, l.height);
  if (!picture) {
    *error = "not enough memory for the bitmap";
    return std::nullopt;
  }
  picture->bitsPerPixel = static_cast<uint16_t>(l.bpp);
  std::vector<uint32_t> palette(l.colours);
  for (uint32_t i = 0; i < l.colours; ++i) palette[i] = Get(f, l.paletteAt + i * l.paletteEntry, 3);
  const Field red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
  const size_t stride = (static_cast<size_t>(l.width) * l.bpp + 31) / 32 * 4;
  for (int32_t y = 0; y < l.height; ++y) {
    const size_t rowAt = l.pixelsAt + stride * static_cast<size_t>(l.topDown ? y : l.height - 1 - y);
    const uint8_t* src = reinterpret_cast<const uint8_t*>(f.data() + rowAt);
    uint32_t* out = picture->Row(y);
    for (int32_t x = 0; x < l.width; ++x) {
      const size_t ux = static_cast<size_t>(x);
      switch (l.bpp) {
        case 1: case 2: case 4: case 8: {
          const size_t bit = ux * l.bpp;
          const uint32_t index = (src[bit / 8] >> (8 - l.bpp - bit % 8)) & ((1u << l.bpp) - 1);
          out[x] = index < palette.size() ? palette[index] : 0;  // past the palette: black
          break;
        }
        case 16: {
          const uint32_t v = src[2 * ux] | uint32_t{src[2 * ux + 1]} << 8;
          out[x] = red.Of(v) << 16 | green.Of(v) << 8 | blue.Of(v);
          break;
        }
        case 24: out[x] = src[3 * ux] | uint32_t{src[3 * ux + 1]} << 8 | uint32_t{src[3 * ux + 2]} << 16; break;
        default: {
          const uint32_t v = src[4 * ux] | uint32_t{src[4 * ux + 1]} << 8 | uint32_t{src[4 * ux + 2]} << 16 |
                             uint32_t{src[4 * ux + 3]} << 24;
          out[x] = red.Of(v) << 16 | green.Of(v) << 8 | blue.Of(v);
        }
      }
    }
  }
  return picture;
}

std::string WriteBmp(const Picture& picture) {
  const uint32_t w = static_cast<uint32_t>(picture.width()), h = static_cast<uint32_t>(picture.height());
  const uint32_t stride = (w * 3 + 3) & ~3u;
  const uint32_t pixelsAt = kFileHeaderSize + 40;
  std::string out;
  out.reserve(pixelsAt + size_t{stride} * h);
  out += "BM";
  Put(out, pixelsAt + stride * h, 4);
  Put(out, 0, 4);
  Put(out, pixelsAt, 4);
  Put(out, 40, 4);
  Put(out, w, 4);
  Put(out, h, 4);
  Put(out, 1, 2);
  Put(out, 24, 2);
  Put(out, 0, 4);
  Put(out, stride * h, 4);
  Put(out, 2835, 4);  // 72 dots per inch
  Put(out, 2835, 4);
  Put(out, 0, 4);
  Put(out, 0, 4);
  for (uint32_t y = h; y-- > 0;) {
    const uint32_t* row = picture.Row(static_cast<int32_t>(y));
    for (uint32_t x = 0; x < w; ++x) Put(out, row[x], 3);
    out.append(stride - w * 3, '\0');
  }
  return out;
}

OsError SaveBmp(Files& files, const std::string& path, const Picture& picture) {
  bool created = false;
  return files.ReplaceContent(path, WriteBmp(picture), &created);
}

}  // namespace plumo
