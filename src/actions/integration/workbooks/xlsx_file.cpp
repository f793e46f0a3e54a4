#include "actions/integration/workbooks/xlsx_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "actions/integration/workbooks/xml_scan.h"
#include "actions/integration/workbooks/zip_archive.h"
#include "base/ansi_unicode.h"
#include "base/text.h"

namespace plumo {
namespace {

constexpr std::string_view kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr std::string_view kMainNs = " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
constexpr std::string_view kRelNs = " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
constexpr std::string_view kRelTypes = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr uint32_t kFirstCustomFormat = 164;
// Excel allows 64,000 formats; a file with more is damaged or hostile.
constexpr size_t kMaxFormats = 65536;
// Together the parts of a workbook may inflate to this much: a part named again and again
// must not make the reader inflate it for ever.
constexpr uint64_t kMaxWorkbookBytes = 512u << 20;

// The number formats every spreadsheet program knows by their id alone.
struct BuiltinFormat {
  uint32_t id;
  const char* code;
};
constexpr BuiltinFormat kBuiltinFormats[] = {
    {0, "General"},  {1, "0"},          {2, "0.00"},        {3, "#,##0"},    {4, "#,##0.00"},
    {9, "0%"},       {10, "0.00%"},     {11, "0.00E+00"},   {12, "# ?/?"},   {13, "# ?\?/?\?"},
    {14, "mm-dd-yy"}, {15, "d-mmm-yy"}, {16, "d-mmm"},      {17, "mmm-yy"},  {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"}, {20, "h:mm"}, {21, "h:mm:ss"},   {22, "m/d/yy h:mm"},
    {37, "#,##0 ;(#,##0)"}, {38, "#,##0 ;[Red](#,##0)"}, {39, "#,##0.00;(#,##0.00)"},
    {40, "#,##0.00;[Red](#,##0.00)"}, {45, "mm:ss"}, {46, "[h]:mm:ss"}, {47, "mmss.0"}, {48, "##0.0E+0"}, {49, "@"},
};

// The legacy palette of indexed colours, as RGB.
constexpr uint32_t kIndexedColours[64] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x000000, 0xFFFFFF, 0xFF0000,
    0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080,
    0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080,
    0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99,
    0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99, 0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699,
    0x969696, 0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};

// Parts of a package that the model does not keep, by the start of their names.
struct DroppedPart {
  const char* prefix;
  const char* what;
};
constexpr DroppedPart kDroppedParts[] = {
    {"xl/charts/", "charts"},          {"xl/drawings/", "drawings and pictures"}, {"xl/media/", "pictures"},
    {"xl/comments", "comments"},       {"xl/threadedComments/", "comments"},      {"xl/pivotTables/", "pivot tables"},
    {"xl/pivotCache/", "pivot tables"}, {"xl/tables/", "tables"},                 {"xl/vbaProject", "macros"},
    {"xl/externalLinks/", "links to other workbooks"}, {"xl/chartsheets/", "chart sheets"},
};

// ---------------------------------------------------------------------------------------------
// Writing

// A read part's root attributes with the two namespaces our own elements use made sure of.
std::string RootWith(const std::string& kept, bool relationships) {
  std::string attrs = kept;
  if (attrs.find(" xmlns=") == std::string::npos) attrs += kMainNs;
  if (relationships && attrs.find("xmlns:r=") == std::string::npos) attrs += kRelNs;
  return attrs;
}

std::string RgbOf(int32_t colour) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "FF%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  return buf;
}

void AppendNumber(std::string& out, double v) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, ec == std::errc() ? end : buf);
}

void AppendAttr(std::string& out, std::string_view name, std::string_view ansiValue) {
  out += ' ';
  out += name;
  out += "=\"";
  XmlEscapeAnsiAppend(ansiValue, out);
  out += '"';
}

// Cell text as OOXML carries it: XML escaping, control characters as _xHHHH_, and an
// underscore that would read as such an escape escaped itself.
void AppendCellText(std::string& out, std::string_view text) {
  size_t run = 0;
  auto flush = [&](size_t i) {
    XmlEscapeAnsiAppend(text.substr(run, i - run), out);
    run = i + 1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    char esc[8];
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      flush(i);
      std::snprintf(esc, sizeof esc, "_x%04X_", c);
      out += esc;
    } else if (c == '_' && i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_') {
      flush(i);
      out += "_x005F_";
    }
  }
  XmlEscapeAnsiAppend(text.substr(run), out);
}

struct StyleTables {
  std::vector<std::string> fonts, fills, borders;
  std::map<std::string, uint32_t> customFormats;
  std::string xfs;
};

uint32_t IndexOf(std::vector<std::string>& list, std::string item) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == item) return static_cast<uint32_t>(i);
  list.push_back(std::move(item));
  return static_cast<uint32_t>(list.size() - 1);
}

StyleTables BuildStyles(const Workbook& book) {
  StyleTables t;
  t.fills = {"<fill><patternFill patternType=\"none\"/></fill>", "<fill><patternFill patternType=\"gray125\"/></fill>"};
  t.borders = {"<border><left/><right/><top/><bottom/><diagonal/></border>"};
  for (const CellStyle& s : book.styles()) {
    std::string font = "<font>";
    if (s.bold) font += "<b/>";
    if (s.italic) font += "<i/>";
    if (s.underline) font += "<u/>";
    font += "<sz val=\"";
    AppendNumber(font, s.fontSize);
    font += "\"/>";
    if (s.fontColour != kAutomaticColour) font += "<color rgb=\"" + RgbOf(s.fontColour) + "\"/>";
    font += "<name";
    AppendAttr(font, "val", s.fontName);
    font += "/><family val=\"2\"/></font>";
    const uint32_t fontId = IndexOf(t.fonts, std::move(font));
    uint32_t fillId = 0;
    if (s.fillColour != kAutomaticColour)
      fillId = IndexOf(t.fills, "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"" + RgbOf(s.fillColour) +
                                    "\"/><bgColor indexed=\"64\"/></patternFill></fill>");
    uint32_t borderId = 0;
    if (!s.border.empty()) {
      std::string edge = "style=\"" + s.border + "\"><color indexed=\"64\"/>";
      borderId = IndexOf(t.borders, "<border><left " + edge + "</left><right " + edge + "</right><top " + edge +
                                        "</top><bottom " + edge + "</bottom><diagonal/></border>");
    }
    uint32_t formatId = kFirstCustomFormat + static_cast<uint32_t>(t.customFormats.size());
    bool builtin = false;
    for (const BuiltinFormat& f : kBuiltinFormats) {
      if (EqualsNoCase(s.numberFormat, f.code)) {
        formatId = f.id;
        builtin = true;
        break;
      }
    }
    if (!builtin) formatId = t.customFormats.emplace(s.numberFormat, formatId).first->second;
    t.xfs += "<xf numFmtId=\"" + std::to_string(formatId) + "\" fontId=\"" + std::to_string(fontId) + "\" fillId=\"" +
             std::to_string(fillId) + "\" borderId=\"" + std::to_string(borderId) + "\" xfId=\"0\"";
    if (formatId) t.xfs += " applyNumberFormat=\"1\"";
    if (fontId) t.xfs += " applyFont=\"1\"";
    if (fillId) t.xfs += " applyFill=\"1\"";
    if (borderId) t.xfs += " applyBorder=\"1\"";
    if (s.horizontal.empty() && s.vertical.empty() && !s.wrap) {
      t.xfs += "/>";
      continue;
    }
    t.xfs += " applyAlignment=\"1\"><alignment";
    if (!s.horizontal.empty()) t.xfs += " horizontal=\"" + s.horizontal + "\"";
    if (!s.vertical.empty()) t.xfs += " vertical=\"" + s.vertical + "\"";
    if (s.wrap) t.xfs += " wrapText=\"1\"";
    t.xfs += "/></xf>";
  }
  return t;
}

std::string StylesPart(const Workbook& book) {
  StyleTables t = BuildStyles(book);
  std::string out(kXmlHead);
  out += "<styleSheet";
  out += RootWith(book.stylesRootAttributes, false);
  out += ">";
  if (!t.customFormats.empty()) {
    out += "<numFmts count=\"" + std::to_string(t.customFormats.size()) + "\">";
    for (const auto& [code, id] : t.customFormats) {
      out += "<numFmt numFmtId=\"" + std::to_string(id) + "\"";
      AppendAttr(out, "formatCode", code);
      out += "/>";
    }
    out += "</numFmts>";
  }
  auto list = [&out](const char* name, const std::vector<std::string>& items) {
    out += std::string("<") + name + " count=\"" + std::to_string(items.size()) + "\">";
    for (const std::string& item : items) out += item;
    out += std::string("</") + name + ">";
  };
  list("fonts", t.fonts);
  list("fills", t.fills);
  list("borders", t.borders);
  out += "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
  out += "<cellXfs count=\"" + std::to_string(book.styles().size()) + "\">" + t.xfs + "</cellXfs>";
  out += "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>";
  out += book.dxfs;
  out += "</styleSheet>";
  return out;
}

void AppendColumns(std::string& out, const Sheet& sheet) {
  if (sheet.columns.empty()) return;
  out += "<cols>";
  auto it = sheet.columns.begin();
  while (it != sheet.columns.end()) {
    auto last = it;
    for (auto next = std::next(it); next != sheet.columns.end() && next->first == last->first + 1 && next->second == it->second; ++next)
      last = next;
    const ColumnInfo& c = it->second;
    out += "<col min=\"" + std::to_string(it->first) + "\" max=\"" + std::to_string(last->first) + "\" width=\"";
    AppendNumber(out, c.width > 0 ? c.width : kDefaultColumnWidth);
    out += "\"";
    if (c.width > 0) out += " customWidth=\"1\"";
    if (c.hidden) out += " hidden=\"1\"";
    if (c.style) out += " style=\"" + std::to_string(c.style) + "\"";
    out += "/>";
    it = std::next(last);
  }
  out += "</cols>";
}

void AppendCell(std::string& out, uint32_t rowNumber, const Cell& cell, const Sheet& sheet) {
  const std::string name = CellName(rowNumber, cell.column);
  out += "<c r=\"";
  out += name;
  out += '"';
  if (cell.style) {
    out += " s=\"";
    out += std::to_string(cell.style);
    out += '"';
  }
  const auto attrs = sheet.formulaAttributes.empty() ? sheet.formulaAttributes.end()
                                                      : sheet.formulaAttributes.find(CellKey(rowNumber, cell.column));
  const bool formula = !cell.formula.empty() || attrs != sheet.formulaAttributes.end();
  switch (cell.kind) {
    case CellKind::kText: out += formula ? " t=\"str\"" : " t=\"inlineStr\""; break;
    case CellKind::kBool: out += " t=\"b\""; break;
    case CellKind::kError: out += " t=\"e\""; break;
    default: break;
  }
  if (cell.kind == CellKind::kEmpty && !formula) {
    out += "/>";
    return;
  }
  out += '>';
  if (formula) {
    out += "<f";
    if (attrs != sheet.formulaAttributes.end()) out += attrs->second;
    out += '>';
    XmlEscapeAnsiAppend(cell.formula, out);
    out += "</f>";
  }
  switch (cell.kind) {
    case CellKind::kNumber: out += "<v>"; AppendNumber(out, cell.number); out += "</v>"; break;
    case CellKind::kBool: out += cell.number != 0 ? "<v>1</v>" : "<v>0</v>"; break;
    case CellKind::kError: out += "<v>"; XmlEscapeAnsiAppend(cell.text, out); out += "</v>"; break;
    case CellKind::kText: {
      const bool keepSpace = !cell.text.empty() && (cell.text.front() == ' ' || cell.text.back() == ' ' ||
                                                    cell.text.front() == '\n' || cell.text.back() == '\n');
      out += formula ? "<v>" : keepSpace ? "<is><t xml:space=\"preserve\">" : "<is><t>";
      AppendCellText(out, cell.text);
      out += formula ? "</v>" : "</t></is>";
      break;
    }
    case CellKind::kEmpty: break;
  }
  out += "</c>";
}

std::string SheetPart(const Sheet& sheet, bool selected) {
  std::string out(kXmlHead);
  out += "<worksheet";
  out += RootWith(sheet.rootAttributes, true);
  out += ">";
  out += sheet.sheetPr;
  const uint32_t lastRow = sheet.LastRow(), lastColumn = sheet.LastColumn();
  out += "<dimension ref=\"";
  out += lastRow ? "A1:" + CellName(lastRow, lastColumn) : "A1";
  out += "\"/>";
  if (!sheet.sheetViews.empty() && !sheet.selectionSet) {
    out += sheet.sheetViews;
  } else {
    out += "<sheetViews><sheetView workbookViewId=\"0\"";
    if (selected) out += " tabSelected=\"1\"";
    out += ">";
    if (!sheet.selection.empty()) {
      const size_t colon = sheet.selection.find(':');
      out += "<selection activeCell=\"" + sheet.selection.substr(0, colon) + "\" sqref=\"" + sheet.selection + "\"/>";
    }
    out += "</sheetView></sheetViews>";
  }
  out += sheet.sheetFormatPr.empty() ? "<sheetFormatPr defaultRowHeight=\"15\"/>" : sheet.sheetFormatPr;
  AppendColumns(out, sheet);
  out += "<sheetData>";
  for (const auto& [number, row] : sheet.rows) {
    if (row.cells.empty() && row.height <= 0 && !row.hidden) continue;
    out += "<row r=\"";
    out += std::to_string(number);
    out += '"';
    if (row.height > 0) {
      out += " ht=\"";
      AppendNumber(out, row.height);
      out += "\" customHeight=\"1\"";
    }
    if (row.hidden) out += " hidden=\"1\"";
    out += '>';
    for (const Cell& cell : row.cells) AppendCell(out, number, cell, sheet);
    out += "</row>";
  }
  out += "</sheetData>";
  for (const std::string& part : sheet.trailing) out += part;
  out += "</worksheet>";
  return out;
}

std::string WorkbookPart(const Workbook& book) {
  std::string out(kXmlHead);
  out += "<workbook";
  out += RootWith(book.workbookRootAttributes, true);
  out += ">";
  out += book.workbookPr;
  out += "<bookViews><workbookView activeTab=\"" + std::to_string(book.active) + "\"/></bookViews><sheets>";
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    out += "<sheet";
    AppendAttr(out, "name", book.sheets[i].name);
    out += " sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"rId" + std::to_string(i + 1) + "\"/>";
  }
  out += "</sheets>";
  out += book.definedNames;
  // Formulas written here carry no computed value: the spreadsheet program computes them.
  if (book.formulasWritten) out += "<calcPr fullCalcOnLoad=\"1\"/>";
  out += "</workbook>";
  return out;
}

// ---------------------------------------------------------------------------------------------
// Reading

struct ReadContext {
  std::vector<std::string> sharedStrings;
  std::vector<uint32_t> styleOfXf;  // the file's xf index to the model's style
  uint64_t cells = 0;
};

bool Fail(std::string* error, std::string reason) {
  *error = std::move(reason);
  return false;
}

uint32_t ToNumber(std::string_view s, uint32_t fallback = 0) {
  uint32_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size() ? v : fallback;
}

double ToDouble(std::string_view s) {
  double v = 0;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return std::isfinite(v) ? v : 0;
}

bool IsTrue(std::string_view s) { return s == "1" || s == "true"; }

// A colour element's value; automatic for theme colours, which need the theme to resolve.
int32_t ColourOf(const XmlScanner& x) {
  std::string rgb = x.Attr("rgb");
  uint32_t v = 0;
  if (!rgb.empty()) {
    if (rgb.size() == 8) rgb = rgb.substr(2);
    auto [end, ec] = std::from_chars(rgb.data(), rgb.data() + rgb.size(), v, 16);
    if (ec != std::errc() || end != rgb.data() + rgb.size()) return kAutomaticColour;
  } else if (x.HasAttr("indexed")) {
    const uint32_t i = ToNumber(x.Attr("indexed"), 64);
    if (i >= 64) return kAutomaticColour;
    v = kIndexedColours[i];
  } else {
    return kAutomaticColour;
  }
  return static_cast<int32_t>(((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16));
}

// The whole element the scanner stands on, as the file wrote it.
bool RawElement(XmlScanner& x, std::string_view doc, std::string* out) {
  const size_t start = x.TokenStart();
  if (!x.SkipElement()) return false;
  out->assign(doc.substr(start, x.Position() - start));
  return true;
}

// The attributes of the root element that declare namespaces, so kept parts stay valid.
std::string RootAttributes(std::string_view doc, const XmlScanner& x) {
  std::string_view tag = doc.substr(x.TokenStart(), x.Position() - x.TokenStart());
  const size_t space = tag.find_first_of(" \t\r\n");
  if (space == std::string_view::npos) return {};
  tag = tag.substr(space);
  tag.remove_suffix(tag.size() && tag.back() == '>' ? 1 : 0);
  if (!tag.empty() && tag.back() == '/') tag.remove_suffix(1);
  return std::string(tag);
}

bool ReadSharedStrings(std::string_view doc, ReadContext& ctx, std::string* error) {
  XmlScanner x(doc);
  std::string item;
  int depthInPhonetic = 0;
  bool inItem = false, inT = false;
  for (;;) {
    switch (x.Next()) {
      case XmlScanner::kStart:
        if (x.SelfClosing()) {
          if (x.Name() == "si") ctx.sharedStrings.emplace_back();
          break;
        }
        if (x.Name() == "si") {
          inItem = true;
          item.clear();
        } else if (x.Name() == "rPh") {
          ++depthInPhonetic;
        } else if (x.Name() == "t") {
          inT = true;
        }
        break;
      case XmlScanner::kEnd:
        if (x.Name() == "si") {
          inItem = false;
          ctx.sharedStrings.push_back(Utf8ToAnsi(item));
          if (ctx.sharedStrings.size() > kMaxWorkbookCells) return Fail(error, "the workbook holds too many texts");
        } else if (x.Name() == "rPh") {
          --depthInPhonetic;
        } else if (x.Name() == "t") {
          inT = false;
        }
        break;
      case XmlScanner::kText:
        if (inItem && inT && depthInPhonetic == 0) item += x.Text();
        break;
      case XmlScanner::kDone: return true;
      case XmlScanner::kMalformed: return Fail(error, "the workbook's shared texts are damaged");
    }
  }
}

bool ReadStyles(std::string_view doc, Workbook& book, ReadContext& ctx, std::string* error) {
  std::map<uint32_t, std::string> formats;
  for (const BuiltinFormat& f : kBuiltinFormats) formats[f.id] = f.code;
  std::vector<CellStyle> fonts, fills;  // only the font or fill part is used
  std::vector<std::string> borders;
  XmlScanner x(doc);
  enum { kNone, kFonts, kFills, kBorders, kCellXfs } section = kNone;
  CellStyle current;
  std::string borderStyle;
  bool inXf = false;
  for (;;) {
    const auto kind = x.Next();
    if (kind == XmlScanner::kDone) break;
    if (kind == XmlScanner::kMalformed) return Fail(error, "the workbook's styles are damaged");
    const std::string_view name = x.Name();
    if (kind == XmlScanner::kStart) {
      if (name == "styleSheet") book.stylesRootAttributes = RootAttributes(doc, x);
      else if (name == "numFmt") formats[ToNumber(x.Attr("numFmtId"))] = Utf8ToAnsi(x.Attr("formatCode"));
      else if (name == "fonts") section = kFonts;
      else if (name == "fills") section = kFills;
      else if (name == "borders") section = kBorders;
      else if (name == "cellXfs") section = kCellXfs;
      else if (name == "cellStyleXfs" || name == "cellStyles") section = kNone;
      else if (name == "dxfs") {
        if (!RawElement(x, doc, &book.dxfs)) return Fail(error, "the workbook's styles are damaged");
        continue;
      }
      if (section == kFonts) {
        if (name == "font") current = CellStyle{};
        else if (name == "b") current.bold = !x.HasAttr("val") || IsTrue(x.Attr("val"));
        else if (name == "i") current.italic = !x.HasAttr("val") || IsTrue(x.Attr("val"));
        else if (name == "u") current.underline = x.Attr("val") != "none";
        else if (name == "sz") current.fontSize = ToDouble(x.Attr("val"));
        else if (name == "color") current.fontColour = ColourOf(x);
        else if (name == "name") current.fontName = Utf8ToAnsi(x.Attr("val"));
        if (name == "font" && x.SelfClosing()) fonts.push_back(current);
      } else if (section == kFills) {
        if (name == "fill") current = CellStyle{};
        else if (name == "patternFill") current.fillColour = x.Attr("patternType") == "solid" ? 0xFFFFFF : kAutomaticColour;
        else if (name == "fgColor" && current.fillColour != kAutomaticColour) current.fillColour = ColourOf(x);
        if (name == "fill" && x.SelfClosing()) fills.push_back(current);
      } else if (section == kBorders) {
        if (name == "border") borderStyle.clear();
        else if ((name == "left" || name == "right" || name == "top" || name == "bottom") && borderStyle.empty())
          borderStyle = x.Attr("style");
        if (name == "border" && x.SelfClosing()) borders.push_back(borderStyle);
      } else if (section == kCellXfs) {
        if (name == "xf") {
          CellStyle s;
          const uint32_t fontId = ToNumber(x.Attr("fontId")), fillId = ToNumber(x.Attr("fillId"));
          const uint32_t borderId = ToNumber(x.Attr("borderId"));
          if (fontId < fonts.size()) {
            const CellStyle& f = fonts[fontId];
            s.fontName = f.fontName;
            s.fontSize = f.fontSize;
            s.bold = f.bold;
            s.italic = f.italic;
            s.underline = f.underline;
            s.fontColour = f.fontColour;
          }
          if (fillId < fills.size()) s.fillColour = fills[fillId].fillColour;
          if (borderId < borders.size()) s.border = borders[borderId];
          auto format = formats.find(ToNumber(x.Attr("numFmtId")));
          if (format != formats.end()) s.numberFormat = format->second;
          current = s;
          inXf = true;
          if (x.SelfClosing()) {
            ctx.styleOfXf.push_back(book.Intern(current));
            inXf = false;
          }
        } else if (name == "alignment" && inXf) {
          current.horizontal = x.Attr("horizontal");
          current.vertical = x.Attr("vertical");
          if (current.horizontal == "general") current.horizontal.clear();
          if (current.vertical == "bottom") current.vertical.clear();
          current.wrap = IsTrue(x.Attr("wrapText"));
        }
      }
    } else if (kind == XmlScanner::kEnd) {
      if (section == kFonts && name == "font") fonts.push_back(current);
      else if (section == kFills && name == "fill") fills.push_back(current);
      else if (section == kBorders && name == "border") borders.push_back(borderStyle);
      else if (section == kCellXfs && name == "xf" && inXf) {
        ctx.styleOfXf.push_back(book.Intern(current));
        inXf = false;
      }
      if (name == "fonts" || name == "fills" || name == "borders" || name == "cellXfs") section = kNone;
    }
    if (ctx.styleOfXf.size() > kMaxFormats || fonts.size() > kMaxFormats || fills.size() > kMaxFormats ||
        borders.size() > kMaxFormats || formats.size() > kMaxFormats)
      return Fail(error, "the workbook has too many cell formats");
  }
  return true;
}

// Reads one <c> element's content; the scanner stands on its start tag.
bool ReadCell(XmlScanner& x, Sheet& sheet, uint32_t rowNumber, uint32_t column, const std::string& type, uint32_t style,
              ReadContext& ctx) {
  Cell& cell = sheet.At(rowNumber, column);
  cell.style = style;
  if (x.SelfClosing()) return true;
  std::string value, text;
  bool hasValue = false;
  for (;;) {
    const auto kind = x.Next();
    if (kind == XmlScanner::kEnd && x.Name() == "c") break;
    if (kind != XmlScanner::kStart) {
      if (kind == XmlScanner::kDone || kind == XmlScanner::kMalformed) return false;
      continue;
    }
    if (x.Name() == "v") {
      if (!x.ElementText(&value)) return false;
      hasValue = true;
    } else if (x.Name() == "f") {
      std::string attrs;
      for (const char* a : {"t", "ref", "si", "aca", "dt2D", "dtr", "del1", "del2", "r1", "r2", "ca", "bx"}) {
        if (!x.HasAttr(a)) continue;
        attrs += ' ';
        attrs += a;
        attrs += "=\"";
        XmlEscapeAnsiAppend(x.Attr(a), attrs);
        attrs += '"';
      }
      std::string formula;
      if (!x.ElementText(&formula)) return false;
      cell.formula = Utf8ToAnsi(formula);
      if (!attrs.empty()) sheet.formulaAttributes[CellKey(rowNumber, column)] = attrs;
    } else if (x.Name() == "is") {
      std::string run;
      if (!x.ElementText(&run)) return false;
      text += run;
      hasValue = true;
    } else if (!x.SkipElement()) {
      return false;
    }
  }
  if (!hasValue) return true;
  if (type == "s") {
    const uint32_t i = ToNumber(value, UINT32_MAX);
    cell.kind = CellKind::kText;
    cell.text = i < ctx.sharedStrings.size() ? ctx.sharedStrings[i] : std::string();
  } else if (type == "inlineStr") {
    cell.kind = CellKind::kText;
    cell.text = Utf8ToAnsi(text);
  } else if (type == "str" || type == "d") {
    cell.kind = CellKind::kText;
    cell.text = Utf8ToAnsi(value);
  } else if (type == "b") {
    cell.kind = CellKind::kBool;
    cell.number = IsTrue(value) ? 1 : 0;
  } else if (type == "e") {
    cell.kind = CellKind::kError;
    cell.text = Utf8ToAnsi(value);
  } else if (!value.empty()) {
    cell.kind = CellKind::kNumber;
    cell.number = ToDouble(value);
  }
  return true;
}

// The _xHHHH_ escapes of cell texts back to their characters.
void UnescapeCellText(std::string& s) {
  if (s.find("_x") == std::string::npos) return;
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned v = 0;
    if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_' &&
        std::from_chars(s.data() + i + 2, s.data() + i + 6, v, 16).ptr == s.data() + i + 6) {
      out.push_back(CodePointToAnsi(v));
      i += 6;
    } else {
      out.push_back(s[i]);
    }
  }
  s = std::move(out);
}

bool ReadSheet(std::string_view doc, Sheet& sheet, Workbook& book, ReadContext& ctx, std::string* error) {
  XmlScanner x(doc);
  uint32_t rowNumber = 0, column = 0;
  uint64_t columnSpans = 0;
  bool afterData = false, inData = false;
  const auto damaged = [&] { return Fail(error, "the sheet \"" + sheet.name + "\" is damaged"); };
  for (;;) {
    const auto kind = x.Next();
    if (kind == XmlScanner::kDone) break;
    if (kind == XmlScanner::kMalformed) return damaged();
    if (kind == XmlScanner::kEnd) {
      if (x.Name() == "sheetData") {
        inData = false;
        afterData = true;
      }
      continue;
    }
    if (kind != XmlScanner::kStart) continue;
    const std::string_view name = x.Name();
    if (name == "worksheet") {
      sheet.rootAttributes = RootAttributes(doc, x);
    } else if (inData && name == "row") {
      rowNumber = x.HasAttr("r") ? ToNumber(x.Attr("r")) : rowNumber + 1;
      if (rowNumber == 0 || rowNumber > kMaxRow) return damaged();
      column = 0;
      Row& row = sheet.rows[rowNumber];
      if (x.HasAttr("ht") && IsTrue(x.Attr("customHeight"))) row.height = ToDouble(x.Attr("ht"));
      row.hidden = IsTrue(x.Attr("hidden"));
    } else if (inData && name == "c") {
      uint32_t r = rowNumber, c = column + 1;
      if (x.HasAttr("r") && !ParseCellName(x.Attr("r"), &r, &c)) return damaged();
      if (r != rowNumber || rowNumber == 0) return damaged();
      column = c;
      const uint32_t xf = ToNumber(x.Attr("s"));
      const uint32_t style = xf < ctx.styleOfXf.size() ? ctx.styleOfXf[xf] : 0;
      if (++ctx.cells > kMaxWorkbookCells) return Fail(error, "the workbook holds more than 4,000,000 cells");
      if (!ReadCell(x, sheet, rowNumber, column, x.Attr("t"), style, ctx)) return damaged();
      Cell* cell = sheet.Find(rowNumber, column);
      if (cell && cell->kind == CellKind::kText) UnescapeCellText(cell->text);
    } else if (name == "sheetData") {
      inData = !x.SelfClosing();
      afterData = x.SelfClosing();
    } else if (name == "col") {
      const uint32_t lo = ToNumber(x.Attr("min")), hi = std::min(ToNumber(x.Attr("max")), kMaxColumn);
      // Sound files define each column once; overlapping definitions are a damaged file.
      columnSpans += hi >= lo ? hi - lo + 1 : 0;
      if (columnSpans > 2 * uint64_t(kMaxColumn)) return damaged();
      ColumnInfo info;
      if (IsTrue(x.Attr("customWidth")) || x.HasAttr("width")) info.width = ToDouble(x.Attr("width"));
      info.hidden = IsTrue(x.Attr("hidden"));
      const uint32_t xf = ToNumber(x.Attr("style"));
      info.style = xf < ctx.styleOfXf.size() ? ctx.styleOfXf[xf] : 0;
      for (uint32_t i = std::max(lo, 1u); i <= hi; ++i) sheet.columns[i] = info;
    } else if (name == "sheetPr" || name == "sheetFormatPr" || name == "sheetViews") {
      std::string* target = name == "sheetPr" ? &sheet.sheetPr : name == "sheetFormatPr" ? &sheet.sheetFormatPr : &sheet.sheetViews;
      const bool views = name == "sheetViews";
      const size_t start = x.TokenStart();
      if (views) {
        // The first selection is the sheet's selection; the rest stays raw.
        while (true) {
          const auto k = x.Next();
          if (k == XmlScanner::kDone || k == XmlScanner::kMalformed) return damaged();
          if (k == XmlScanner::kEnd && x.Name() == "sheetViews") break;
          if (k == XmlScanner::kStart && x.Name() == "selection" && sheet.selection.empty())
            sheet.selection = x.Attr("sqref").substr(0, x.Attr("sqref").find(' '));
        }
        target->assign(doc.substr(start, x.Position() - start));
      } else if (!RawElement(x, doc, target)) {
        return damaged();
      }
    } else if (afterData) {
      std::string raw;
      const std::string element(name);
      if (!RawElement(x, doc, &raw)) return damaged();
      if (raw.find("r:id=") != std::string::npos || raw.find(":id=\"rId") != std::string::npos) {
        book.notKept.push_back(element == "drawing" ? "drawings and charts"
                               : element == "legacyDrawing" ? "comments"
                               : element == "tableParts" ? "tables"
                               : element == "hyperlinks" ? "links" : element);
      } else {
        sheet.trailing.push_back(std::move(raw));
      }
    }
  }
  return true;
}

std::string PartPath(std::string_view base, std::string_view target) {
  if (!target.empty() && target[0] == '/') return std::string(target.substr(1));
  std::string path(base);
  while (target.substr(0, 3) == "../") {
    target.remove_prefix(3);
    const size_t slash = path.find_last_of('/', path.empty() ? 0 : path.size() - 2);
    path = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  }
  return path + std::string(target);
}

struct Relationship {
  std::string id, type, target;
};

std::vector<Relationship> ReadRelationships(std::string_view doc) {
  std::vector<Relationship> rels;
  XmlScanner x(doc);
  for (auto kind = x.Next(); kind != XmlScanner::kDone && kind != XmlScanner::kMalformed; kind = x.Next())
    if (kind == XmlScanner::kStart && x.Name() == "Relationship") rels.push_back({x.Attr("Id"), x.Attr("Type"), x.Attr("Target")});
  return rels;
}

bool EndsWithType(const std::string& type, std::string_view name) {
  return type.size() >= name.size() && type.compare(type.size() - name.size(), name.size(), name) == 0;
}

}  // namespace

bool ReadXlsx(std::string_view bytes, Workbook* book, std::string* error) {
  *book = Workbook();
  ZipReader zip;
  if (!zip.Open(bytes, error)) return false;
  uint64_t inflated = 0;
  auto part = [&](const std::string& name, std::string* out) {
    const ZipReader::Entry* entry = zip.Find(name);
    if (!entry) return false;
    inflated += entry->size;
    if (inflated > kMaxWorkbookBytes) return Fail(error, "the workbook is too large (more than 512 MB unpacked)");
    return zip.Extract(*entry, out, error);
  };
  std::string doc;
  std::string workbookPath = "xl/workbook.xml";
  if (part("_rels/.rels", &doc)) {
    for (const Relationship& r : ReadRelationships(doc))
      if (EndsWithType(r.type, "/officeDocument")) workbookPath = PartPath("", r.target);
  } else if (!error->empty()) {
    return false;
  }
  const std::string folder = workbookPath.substr(0, workbookPath.find_last_of('/') + 1);
  const std::string relsPath = folder + "_rels/" + workbookPath.substr(folder.size()) + ".rels";
  std::map<std::string, Relationship> rels;
  ReadContext ctx;
  error->clear();
  if (part(relsPath, &doc))
    for (Relationship& r : ReadRelationships(doc)) rels[r.id] = r;
  if (!error->empty()) return false;
  for (const auto& [id, r] : rels) {
    if (EndsWithType(r.type, "/sharedStrings")) {
      if (!part(PartPath(folder, r.target), &doc)) return error->empty() ? Fail(error, "the workbook's shared texts are missing") : false;
      if (!ReadSharedStrings(doc, ctx, error)) return false;
    } else if (EndsWithType(r.type, "/styles")) {
      if (!part(PartPath(folder, r.target), &doc)) return error->empty() ? Fail(error, "the workbook's styles are missing") : false;
      if (!ReadStyles(doc, *book, ctx, error)) return false;
    }
  }
  if (!part(workbookPath, &doc)) return error->empty() ? Fail(error, "the file is no workbook (it has no workbook part)") : false;
  std::string workbookDoc = std::move(doc);
  XmlScanner x(workbookDoc);
  struct SheetEntry {
    std::string name, target;
  };
  std::vector<SheetEntry> sheets;
  size_t activeTab = 0;
  for (;;) {
    const auto kind = x.Next();
    if (kind == XmlScanner::kDone) break;
    if (kind == XmlScanner::kMalformed) return Fail(error, "the workbook part is damaged");
    if (kind != XmlScanner::kStart) continue;
    if (x.Name() == "workbook") {
      book->workbookRootAttributes = RootAttributes(workbookDoc, x);
    } else if (x.Name() == "workbookPr") {
      if (!RawElement(x, workbookDoc, &book->workbookPr)) return Fail(error, "the workbook part is damaged");
    } else if (x.Name() == "definedNames") {
      if (!RawElement(x, workbookDoc, &book->definedNames)) return Fail(error, "the workbook part is damaged");
    } else if (x.Name() == "workbookView") {
      activeTab = ToNumber(x.Attr("activeTab"));
    } else if (x.Name() == "sheet") {
      auto r = rels.find(x.Attr("id"));
      if (r == rels.end()) return Fail(error, "the workbook part names a sheet that is missing");
      if (!EndsWithType(r->second.type, "/worksheet")) {
        book->notKept.push_back("chart sheets");
        continue;
      }
      sheets.push_back({Utf8ToAnsi(x.Attr("name")), PartPath(folder, r->second.target)});
    }
  }
  if (sheets.empty()) return Fail(error, "the workbook has no sheet");
  for (const SheetEntry& entry : sheets) {
    book->sheets.emplace_back();
    Sheet& sheet = book->sheets.back();
    sheet.name = entry.name;
    if (!part(entry.target, &doc)) return error->empty() ? Fail(error, "the sheet \"" + entry.name + "\" is missing") : false;
    if (!ReadSheet(doc, sheet, *book, ctx, error)) return false;
  }
  book->active = activeTab < book->sheets.size() ? activeTab : 0;
  for (const ZipReader::Entry& e : zip.entries()) {
    for (const DroppedPart& d : kDroppedParts) {
      if (e.name.compare(0, std::strlen(d.prefix), d.prefix) != 0) continue;
      bool listed = false;
      for (const std::string& s : book->notKept) listed |= s == d.what;
      if (!listed) book->notKept.push_back(d.what);
    }
  }
  return true;
}

std::string WriteXlsx(const Workbook& book, std::string* error) {
  ZipWriter zip;
  std::string types(kXmlHead);
  types += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
           "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
  std::string rels(kXmlHead);
  rels += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (size_t i = 1; i <= book.sheets.size(); ++i) {
    const std::string n = std::to_string(i);
    types += "<Override PartName=\"/xl/worksheets/sheet" + n +
             ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + std::string(kRelTypes) + "worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
  }
  types += "</Types>";
  rels += "<Relationship Id=\"rId" + std::to_string(book.sheets.size() + 1) + "\" Type=\"" + std::string(kRelTypes) +
          "styles\" Target=\"styles.xml\"/></Relationships>";
  std::string root(kXmlHead);
  root += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"rId1\" Type=\"" + std::string(kRelTypes) + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  bool fits = zip.Add("[Content_Types].xml", types) && zip.Add("_rels/.rels", root) &&
              zip.Add("xl/workbook.xml", WorkbookPart(book)) && zip.Add("xl/_rels/workbook.xml.rels", rels) &&
              zip.Add("xl/styles.xml", StylesPart(book));
  for (size_t i = 0; fits && i < book.sheets.size(); ++i)
    fits = zip.Add("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", SheetPart(book.sheets[i], i == book.active));
  if (!fits) {
    *error = "the workbook is too large for the file format";
    return {};
  }
  return zip.Finish();
}

}  // namespace plumo
