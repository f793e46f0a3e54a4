#include "editor/help_pages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "scripts/embedded_catalog.h"

namespace plumo {
namespace {

std::string Committed(const std::string& name) {
  std::ifstream in(std::string(PLUMO_SOURCE_DIR) + "/data/help/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The committed pages are what the table and catalogue give now; after a change of either,
// "cmake --build build/native --target plumo_help_pages" writes them again.
TEST(HelpPages, CommittedPagesAreFreshAndCoverEveryAction) {
  const ActionCatalog catalog = ActionCatalog::FromResource(EmbeddedActionCatalog());
  const std::vector<HelpPage> pages = HelpPages(catalog, PropertyTable::Embedded());
  ASSERT_EQ(pages.size(), 17u);  // index, style sheet, one page per category but Favorites
  size_t headings = 0;
  for (const HelpPage& page : pages) {
    EXPECT_EQ(page.html, Committed(page.fileName)) << page.fileName << " is out of date";
    for (size_t at = page.html.find("<h2 "); at != std::string::npos; at = page.html.find("<h2 ", at + 1)) ++headings;
  }
  EXPECT_EQ(headings, catalog.Rows().size());
}

// A choice over option words is a fixed list in the grid; its page must not offer free text.
TEST(HelpPages, ChoicesOverOptionWordsAreFixedLists) {
  const ActionCatalog catalog = ActionCatalog::FromResource(EmbeddedActionCatalog());
  std::string all;
  for (const HelpPage& page : HelpPages(catalog, PropertyTable::Embedded())) all += page.html;
  EXPECT_NE(all.find("<td>Playback Speed</td><td>one of the list</td>"), std::string::npos);
  EXPECT_NE(all.find("<td>Timeout</td><td>list or text</td>"), std::string::npos);
}

}  // namespace
}  // namespace plumo
