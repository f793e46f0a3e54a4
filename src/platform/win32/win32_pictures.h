// Pictures on Windows: DIB sections that pictures live in, packed DIBs for the clipboard, and
// picture files through the system's picture services.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/os_error.h"
#include "platform/picture.h"

namespace plumo {

// A picture whose pixels are a 32-bit top-down DIB section; *bitmap gets the section for
// drawing into it while the picture lives.
std::optional<Picture> NewDibPicture(int32_t width, int32_t height, HBITMAP* bitmap);

// The picture as a packed 24-bit DIB in movable global memory (CF_DIB); null on failure.
HGLOBAL PackedDib(const Picture& picture);

// A picture file through the Windows Imaging Component; *noWic when the system has none.
std::optional<Picture> ReadPictureWithWic(const std::string& path, OsError* error, bool* noWic);
// The same through OleLoadPicture ("OLEPRO32.DLL", else "OLEAUT32.DLL"), drawn at its
// natural size on this screen.
std::optional<Picture> ReadPictureWithOle(const std::string& path, OsError* error);

}  // namespace plumo
