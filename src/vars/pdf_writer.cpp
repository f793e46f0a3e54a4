#include "vars/pdf_writer.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace plumo {
namespace {

constexpr double kPageWidth = 612;   // 8.5 inches in points
constexpr double kPageHeight = 792;  // 11 inches
constexpr double kMargin = 54;       // 0.75 inch
constexpr double kFontSize = 14;
constexpr double kLeading = 16.8;
constexpr double kTextWidth = kPageWidth - 2 * kMargin;
constexpr int kLinesPerPage = static_cast<int>((kPageHeight - 2 * kMargin) / kLeading);

// Advance widths of Helvetica for the characters 32 to 126, in thousandths of the font size.
constexpr short kHelveticaWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // ' ' to '/'
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // '0' to '?'
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // '@' to 'O'
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,   // 'P' to '_'
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,   // '`' to 'o'
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,        // 'p' to '~'
};

double WidthOf(char c) {
  auto u = static_cast<unsigned char>(c);
  int w = (u >= 32 && u <= 126) ? kHelveticaWidths[u - 32] : 556;
  return w * kFontSize / 1000.0;
}

// The text as lines that fit the width: broken at the last space that fits, or inside a word
// longer than a line.
std::vector<std::string> WrapLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  double width = 0;
  size_t lastSpace = std::string::npos;
  auto finish = [&] {
    lines.push_back(line);
    line.clear();
    width = 0;
    lastSpace = std::string::npos;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      finish();
      continue;
    }
    if (c == '\t') c = ' ';
    if (static_cast<unsigned char>(c) < 32) continue;
    double w = WidthOf(c);
    if (width + w > kTextWidth && !line.empty()) {
      if (c == ' ') {
        finish();
        continue;
      }
      if (lastSpace != std::string::npos) {
        std::string rest = line.substr(lastSpace + 1);
        line.resize(lastSpace);
        finish();
        line = rest;
        for (char r : line) width += WidthOf(r);
      } else {
        finish();
      }
    }
    if (c == ' ') lastSpace = line.size();
    line.push_back(c);
    width += w;
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

// A PDF string literal: parentheses and backslashes escaped, bytes outside ASCII in octal.
std::string Literal(std::string_view s) {
  std::string out = "(";
  for (char c : s) {
    auto u = static_cast<unsigned char>(c);
    if (c == '(' || c == ')' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (u >= 32 && u <= 126) {
      out.push_back(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\%03o", u);
      out += buf;
    }
  }
  out.push_back(')');
  return out;
}

}  // namespace

std::string PdfDocument(std::string_view text) {
  std::vector<std::string> lines = WrapLines(text);
  size_t pages = (lines.size() + kLinesPerPage - 1) / kLinesPerPage;
  if (pages == 0) pages = 1;

  // Objects: 1 catalog, 2 page tree, 3 font, then a page and its content for each page.
  std::vector<std::string> objects(3 + 2 * pages);
  objects[0] = "<< /Type /Catalog /Pages 2 0 R >>";
  std::string kids;
  for (size_t p = 0; p < pages; ++p) kids += std::to_string(4 + 2 * p) + " 0 R ";
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
  objects[2] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
  char pos[64];
  for (size_t p = 0; p < pages; ++p) {
    std::snprintf(pos, sizeof(pos), "%g %g Td\n", kMargin, kPageHeight - kMargin - kFontSize);
    std::string content = "BT\n/F1 " + std::to_string(static_cast<int>(kFontSize)) + " Tf\n" + pos;
    std::snprintf(pos, sizeof(pos), "%g TL\n", kLeading);
    content += pos;
    for (size_t l = p * kLinesPerPage; l < lines.size() && l < (p + 1) * kLinesPerPage; ++l)
      content += Literal(lines[l]) + " Tj T*\n";
    content += "ET\n";
    objects[3 + 2 * p] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R "
                         ">> >> /Contents " +
                         std::to_string(5 + 2 * p) + " 0 R >>";
    objects[4 + 2 * p] =
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream";
  }

  std::string doc = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(doc.size());
    doc += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = doc.size();
  doc += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t off : offsets) {
    std::snprintf(pos, sizeof(pos), "%010zu 00000 n \n", off);
    doc += pos;
  }
  doc += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return doc;
}

bool WritePdfFile(const std::string& path, std::string_view text) {
  std::string doc = PdfDocument(text);
  std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(doc.data(), static_cast<std::streamsize>(doc.size())) || !out.flush()) {
      out.close();
      std::remove(temp.c_str());
      return false;
    }
  }
  std::remove(path.c_str());  // Windows renames onto no existing file
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace plumo
