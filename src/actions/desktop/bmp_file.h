// .bmp files, read by our own reader and written as 24-bit files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/picture.h"

namespace plumo {

// Every uncompressed depth (1, 2, 4, 8, 16, 24 and 32 bits per pixel, palettes and bit
// fields), top-down and bottom-up, with any of the header versions. Compressed files (RLE,
// embedded JPEG or PNG) and files that do not hold what their header says are refused with
// the reason in *error. No header decides an allocation beyond the pixels the file holds.
std::optional<Picture> ReadBmp(std::string_view file, std::string* error);

// A bottom-up 24-bit file of the picture.
std::string WriteBmp(const Picture& picture);

// Writes the picture as a .bmp file; a failure leaves an old file as it was.
OsError SaveBmp(Files& files, const std::string& path, const Picture& picture);

}  // namespace plumo
