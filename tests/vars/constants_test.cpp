#include "vars/constants.h"

#include <gtest/gtest.h>

#include <map>

#include "vars/formula_world.h"

namespace plumo {
namespace {

TEST(WindowsConstants, ReplaceNamesAndFoldCombinations) {
  FormulaWorld w;
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"MB_YESNO|MB_ICONQUESTION", "36"},
      {"MB_YESNO | MB_ICONQUESTION", "36"},
      {"MB_OKCANCEL", "1"},
      {"WM_CLOSE", "16"},
      {"GWL_STYLE", "4294967280"},
      {"HWND_TOPMOST", "4294967295"},
      {"MB_OK MB_OK", "0 MB_OK"},
      {"a|b", "a|b"},
      {"MB_OK a|b", "0 a|b"},
      {"a|b MB_OK|MB_ICONSTOP", "a|b 0|16"},
      {"x WS_POPUP|WS_VISIBLE y", "x 2415919104 y"},
      {"MB_OK|MB_ICONSTOP, 3|4", "16, 7"},
      {"WS_OVERLAPPEDWINDOW", "13565952"},
      {"WS_MINIMIZEBOX", "131072"},
      {"SW_SHOWMINNOACTIVE", "7"},
      {"ID_OK and IDOK", "1 and 1"},
      {"vbYesNo + vbQuestion", "4 + 32"},
      {"mb_ok MB_OK", "0 MB_OK"},  // found with case, replaced where first found without
      {"no names here", "no names here"},
  };
  for (const Case& c : cases) {
    std::string text = c.in;
    ReplaceConstants(text, w.engine);
    EXPECT_EQ(text, c.out) << c.in;
  }
}

TEST(WindowsConstants, TableMatchesTheTellingRows) {
  std::map<std::string_view, uint32_t> values;
  for (const WindowsConstant& c : WindowsConstants()) values.emplace(c.name, c.value);
  EXPECT_EQ(WindowsConstants().size(), 208u);
  EXPECT_EQ(values.size(), 208u) << "names are unique";
  std::pair<std::string_view, uint32_t> rows[] = {
      {"MB_OKCANCEL", 1},          {"MB_OK", 0},                  {"MB_ICONHAND", 16},
      {"MB_ICONSTOP", 16},         {"MB_ICONERROR", 16},          {"MB_ICONQUESTION", 32},
      {"MB_ICONEXCLAMATION", 48},  {"MB_ICONINFORMATION", 64},    {"MB_DEFBUTTON2", 256},
      {"MB_TOPMOST", 262144},      {"WS_OVERLAPPEDWINDOW", 13565952}, {"WS_POPUPWINDOW", 2156396544u},
      {"WS_EX_PALETTEWINDOW", 392}, {"SW_SHOWDEFAULT", 10},        {"GWL_USERDATA", 4294967275u},
      {"WM_COMMAND", 273},         {"WM_APP", 32768},             {"SC_CLOSE", 61536},
      {"SWP_DRAWFRAME", 32},       {"SWP_FRAMECHANGED", 32},      {"vbSystemModal", 4096},
      {"ID_CANCEL", 2},            {"ID_NO", 7},
  };
  for (const auto& [name, value] : rows) EXPECT_EQ(values[name], value) << name;
}

TEST(WindowsConstants, NoShorterNameCutsALongerOne) {
  auto table = WindowsConstants();
  for (size_t i = 0; i < table.size(); ++i)
    for (size_t j = i + 1; j < table.size(); ++j)
      EXPECT_EQ(table[j].name.find(table[i].name), std::string_view::npos)
          << table[i].name << " comes before " << table[j].name;
}

}  // namespace
}  // namespace plumo
