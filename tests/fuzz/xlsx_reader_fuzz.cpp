// Any bytes as a workbook file, or as one XML part of an otherwise sound package: the reader
// refuses with a reason or gives a workbook that Plumo's writer writes and reads back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "actions/integration/workbooks/xlsx_file.h"
#include "actions/integration/workbooks/zip_archive.h"

namespace {

constexpr const char* kParts[] = {"xl/worksheets/sheet1.xml", "xl/styles.xml", "xl/sharedStrings.xml", "xl/workbook.xml"};

// A package of the first byte's part from the rest of the bytes, the others sound.
std::string Package(int chosen, std::string_view part) {
  const std::string defaults[] = {
      "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData></worksheet>",
      "<styleSheet><cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\"/></cellXfs></styleSheet>",
      "<sst><si><t>text</t></si></sst>",
      "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>",
  };
  plumo::ZipWriter zip;
  zip.Add("xl/_rels/workbook.xml.rels",
          "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
          "<Relationship Id=\"rId2\" Type=\"x/styles\" Target=\"styles.xml\"/>"
          "<Relationship Id=\"rId3\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>",
          1);
  for (int i = 0; i < 4; ++i) zip.Add(kParts[i], i == chosen ? part : std::string_view(defaults[i]), 1);
  return zip.Finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const int mode = data[0] % 5;
  const std::string bytes = mode == 4 ? std::string(rest) : Package(mode, rest);
  plumo::Workbook book;
  std::string error;
  if (!plumo::ReadXlsx(bytes, &book, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  const std::string written = plumo::WriteXlsx(book, &error);
  plumo::Workbook again;
  if (written.empty() || !plumo::ReadXlsx(written, &again, &error)) std::abort();
  if (again.sheets.size() != book.sheets.size()) std::abort();
  return 0;
}
