// The help pages of the actions: one HTML page per category, each action with its fields,
// what it stores, how it fails and a small example Script. Made from the catalogue and the
// Properties table, so the pages say what the palette shows.
#pragma once

#include <string>
#include <vector>

#include "editor/property_table.h"
#include "scripts/action_catalog.h"

namespace plumo {

struct HelpPage {
  std::string fileName;  // as the category's help topic names it, e.g. "action_run.htm"
  std::string html;
};

std::vector<HelpPage> HelpPages(const ActionCatalog& catalog, const PropertyTable& table);

}  // namespace plumo
