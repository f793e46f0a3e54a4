#include "vars/pdf_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "base/text.h"

namespace plumo {
namespace {

constexpr double kLeadingFactor = 1.2;
// The page number sits halfway into the bottom margin.
constexpr double kPageNumberPosition = 0.5;

// Advance widths for the characters 32 to 126, in thousandths of the font size.
constexpr short kHelveticaWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // ' ' to '/'
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // '0' to '?'
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // '@' to 'O'
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,   // 'P' to '_'
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,   // '`' to 'o'
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,        // 'p' to '~'
};
constexpr short kTimesWidths[95] = {
    250, 333, 408, 500, 500, 833, 778, 180, 333, 333, 500, 564, 250, 333, 250, 278,  // ' ' to '/'
    500, 500, 500, 500, 500, 500, 500, 500, 500, 500, 278, 278, 564, 564, 564, 444,  // '0' to '?'
    921, 722, 667, 667, 722, 611, 556, 722, 722, 333, 389, 722, 611, 889, 722, 722,  // '@' to 'O'
    556, 722, 667, 556, 611, 722, 722, 944, 722, 722, 611, 333, 278, 333, 469, 500,  // 'P' to '_'
    333, 444, 500, 444, 500, 444, 333, 500, 500, 278, 278, 500, 278, 778, 500, 500,  // '`' to 'o'
    500, 500, 333, 389, 278, 500, 500, 722, 500, 500, 444, 480, 200, 480, 541,       // 'p' to '~'
};
constexpr short kCourierWidth = 600;
constexpr short kOtherWidth = 556;  // characters outside 32 to 126 in the proportional fonts

struct FontName {
  std::string_view name, font;
};
constexpr FontName kFonts[] = {
    {"Arial", "Helvetica"},       {"Helvetica", "Helvetica"},   {"Courier New", "Courier"},
    {"Courier", "Courier"},       {"Times New Roman", "Times-Roman"}, {"Times", "Times-Roman"},
};

class Metrics {
 public:
  explicit Metrics(const PdfLayout& layout)
      : size_(layout.fontSize),
        widths_(layout.font == "Courier" ? nullptr : layout.font == "Times-Roman" ? kTimesWidths : kHelveticaWidths) {}
  double Width(char c) const {
    const auto u = static_cast<unsigned char>(c);
    const int w = !widths_ ? kCourierWidth : (u >= 32 && u <= 126) ? widths_[u - 32] : kOtherWidth;
    return w * size_ / 1000.0;
  }
  double Width(std::string_view s) const {
    double w = 0;
    for (char c : s) w += Width(c);
    return w;
  }

 private:
  double size_;
  const short* widths_;
};

// The text's lines: CR LF, CR and LF end them, tabs become spaces, other control characters go.
std::vector<std::string> SourceLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
      continue;
    }
    if (c == '\t') c = ' ';
    if (static_cast<unsigned char>(c) >= 32) lines.back().push_back(c);
  }
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

// One source line as lines that fit the width: broken at the last space that fits, or inside
// a word longer than a line; without wrapping, cut at the width.
void FitLine(const std::string& source, double width, bool wrap, const Metrics& m, std::vector<std::string>* out) {
  std::string line;
  double used = 0;
  size_t lastSpace = std::string::npos;
  for (char c : source) {
    const double w = m.Width(c);
    if (used + w > width && !line.empty()) {
      if (!wrap) break;
      if (c == ' ') {
        out->push_back(std::move(line));
        line.clear();
        used = 0;
        lastSpace = std::string::npos;
        continue;
      }
      std::string rest;
      if (lastSpace != std::string::npos) {
        rest = line.substr(lastSpace + 1);
        line.resize(lastSpace);
      }
      out->push_back(std::move(line));
      line = std::move(rest);
      used = m.Width(line);
      lastSpace = std::string::npos;
    }
    if (c == ' ') lastSpace = line.size();
    line.push_back(c);
    used += w;
  }
  out->push_back(std::move(line));
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

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.2f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

std::string PdfFontFor(std::string_view name) {
  for (const FontName& f : kFonts)
    if (EqualsNoCase(name, f.name)) return std::string(f.font);
  return "Helvetica";
}

std::string PdfDocument(std::string_view text, const PdfLayout& layout) {
  const Metrics m(layout);
  const double size = layout.fontSize;
  const double leading = size * kLeadingFactor;
  const double textWidth = std::max(layout.pageWidth - 2 * layout.leftMargin, m.Width('W'));
  const std::vector<std::string> source = SourceLines(text);
  const int digits = static_cast<int>(std::to_string(source.size()).size());

  std::vector<std::string> lines;
  for (size_t n = 0; n < source.size(); ++n) {
    if (!layout.lineNumbers) {
      FitLine(source[n], textWidth, layout.wrap, m, &lines);
      continue;
    }
    char number[32];
    std::snprintf(number, sizeof(number), "%*zu  ", digits, n + 1);
    const std::string blank(std::string(number).size(), ' ');
    std::vector<std::string> parts;
    FitLine(source[n], textWidth - m.Width(number), layout.wrap, m, &parts);
    for (size_t p = 0; p < parts.size(); ++p) lines.push_back((p == 0 ? std::string(number) : blank) + parts[p]);
  }

  const double room = layout.pageHeight - 2 * layout.topMargin;
  const size_t perPage = static_cast<size_t>(std::max(1.0, std::floor(room / leading)));
  const size_t pages = std::max<size_t>(1, (lines.size() + perPage - 1) / perPage);

  // Objects: 1 catalog, 2 page tree, 3 font, then a page and its content for each page.
  std::vector<std::string> objects(3 + 2 * pages);
  objects[0] = "<< /Type /Catalog /Pages 2 0 R >>";
  std::string kids;
  for (size_t p = 0; p < pages; ++p) kids += std::to_string(4 + 2 * p) + " 0 R ";
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
  objects[2] = "<< /Type /Font /Subtype /Type1 /BaseFont /" + layout.font + " /Encoding /WinAnsiEncoding >>";
  const std::string box = "[0 0 " + Number(layout.pageWidth) + " " + Number(layout.pageHeight) + "]";
  for (size_t p = 0; p < pages; ++p) {
    std::string content = "BT\n/F1 " + Number(size) + " Tf\n" + Number(layout.leftMargin) + " " +
                          Number(layout.pageHeight - layout.topMargin - size) + " Td\n" + Number(leading) + " TL\n";
    for (size_t l = p * perPage; l < lines.size() && l < (p + 1) * perPage; ++l) content += Literal(lines[l]) + " Tj T*\n";
    content += "ET\n";
    if (layout.pageNumbers) {
      const std::string label = "Page " + std::to_string(p + 1) + " of " + std::to_string(pages);
      content += "BT\n/F1 " + Number(size) + " Tf\n" + Number((layout.pageWidth - m.Width(label)) / 2) + " " +
                 Number(layout.topMargin * kPageNumberPosition) + " Td\n" + Literal(label) + " Tj\nET\n";
    }
    objects[3 + 2 * p] = "<< /Type /Page /Parent 2 0 R /MediaBox " + box + " /Resources << /Font << /F1 3 0 R >> >> /Contents " +
                         std::to_string(5 + 2 * p) + " 0 R >>";
    objects[4 + 2 * p] = "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream";
  }

  std::string doc = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(doc.size());
    doc += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = doc.size();
  doc += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  char entry[32];
  for (size_t off : offsets) {
    std::snprintf(entry, sizeof(entry), "%010zu 00000 n \n", off);
    doc += entry;
  }
  doc += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return doc;
}

OsError WritePdfFile(Files& files, const std::string& path, std::string_view text) {
  bool created = false;
  return files.ReplaceContent(path, PdfDocument(text), &created);
}

}  // namespace plumo
