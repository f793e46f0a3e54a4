// A small PDF writer: plain text in one of the standard fonts, wrapped at words (or cut at the
// margin) and paginated, with page and line numbers when asked. Store output's "PDF"
// destination uses Helvetica 14 pt on 8.5 x 11-inch pages with 0.75-inch margins.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace plumo {

// Sizes in points (72 to the inch); the right and bottom margins are those of the left and top.
struct PdfLayout {
  std::string font = "Helvetica";  // Helvetica, Courier or Times-Roman
  double fontSize = 14;
  double leftMargin = 54;
  double topMargin = 54;
  double pageWidth = 612;
  double pageHeight = 792;
  bool wrap = true;          // else a line too long for the page is cut at the margin
  bool pageNumbers = false;  // "Page n of N" under each page's text
  bool lineNumbers = false;  // the number of each line of the text in front of it
};

// The standard font that stands in for a font name ("Arial", "Courier New", "Times New
// Roman"); Helvetica for names it does not know.
std::string PdfFontFor(std::string_view name);

// The whole document for the text: CR LF, CR and LF break lines, tabs become spaces, other
// control characters are left out.
std::string PdfDocument(std::string_view text, const PdfLayout& layout = PdfLayout());

// Puts the document in the path's place in one step (Files::ReplaceContent): a failure leaves
// the old file as it was.
OsError WritePdfFile(Files& files, const std::string& path, std::string_view text);

}  // namespace plumo
