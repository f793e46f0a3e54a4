// A small PDF writer for the "PDF" destination of Store output: plain text in Helvetica 14 pt
// on 8.5 x 11-inch pages with 0.75-inch margins, wrapped at words and paginated.
#pragma once

#include <string>
#include <string_view>

namespace plumo {

// The whole document for the text: CR LF, CR and LF break lines, tabs become spaces, other
// control characters are left out.
std::string PdfDocument(std::string_view text);

// Writes the document to a file beside the path, then puts it in the path's place, so that a
// failure leaves no half-written file. False when it could not be written.
bool WritePdfFile(const std::string& path, std::string_view text);

}  // namespace plumo
