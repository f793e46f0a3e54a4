// Build tool: writes the help pages of the actions into a folder.
//
//   plumo_write_help_pages FOLDER
#include <cstdio>
#include <fstream>
#include <string>

#include "editor/help_pages.h"
#include "scripts/embedded_catalog.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: plumo_write_help_pages FOLDER\n");
    return 1;
  }
  const plumo::ActionCatalog catalog = plumo::ActionCatalog::FromResource(plumo::EmbeddedActionCatalog());
  if (!catalog.available()) {
    std::fprintf(stderr, "plumo_write_help_pages: the catalogue cannot be read\n");
    return 1;
  }
  std::string error;
  const plumo::PropertyTable table = plumo::PropertyTable::Parse(plumo::EmbeddedPropertyTable(), &error);
  if (!error.empty()) {
    std::fprintf(stderr, "plumo_write_help_pages: data/property_rows.txt, %s\n", error.c_str());
    return 1;
  }
  for (const plumo::HelpPage& page : plumo::HelpPages(catalog, table)) {
    const std::string path = std::string(argv[1]) + "/" + page.fileName;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << page.html;
    if (!out.flush()) {
      std::fprintf(stderr, "plumo_write_help_pages: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
