// What the Variables palette shows: one row per user variable the program does not keep for
// itself, its value cut and marked text, number or binary. No window: the studio draws rows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vars/variable_host.h"
#include "vars/variable_store.h"

namespace plumo {

inline constexpr size_t kMaxShownValue = 193;
inline constexpr std::string_view kMaxDisplayCountPath = "*\\Palettes\\Variables\\MaxDisplayCount";
inline constexpr size_t kDefaultMaxDisplayCount = 100;

// Binary when it holds a byte 1-8 or 255; a number when it is made only of digits, ".,$+-",
// spaces and line breaks; text otherwise.
ShownAs ShownAsOf(std::string_view value);
// The same for a value whose binary test was made on more bytes than the text shows.
ShownAs ShownKind(std::string_view text, bool binary);
// The value cell: binary values as hex bytes, others with line breaks and tabs as spaces.
std::string ShownValue(std::string_view value, ShownAs kind);
std::string_view ShownKindName(ShownAs kind);

struct VariableRow {
  std::string name;
  std::string value;  // as shown
  ShownAs kind = ShownAs::kText;
};

// The palette's rows, sorted by name without regard to case and at most `limit` of them (a
// variable past the limit is not shown until others go).
class VariableRows {
 public:
  explicit VariableRows(size_t limit) : limit_(limit) {}

  const std::vector<VariableRow>& rows() const { return rows_; }
  // The row index of the name, -1 when not shown.
  int Find(std::string_view name) const;
  // Replaces or adds the row; hidden names are ignored. False when nothing changed.
  bool Show(std::string_view name, std::string_view value, ShownAs kind);
  bool Remove(std::string_view name);
  void Clear() { rows_.clear(); }
  // Every shown variable of the store, afresh.
  void Reload(VariableStore& store);

 private:
  size_t limit_;
  std::vector<VariableRow> rows_;
};

}  // namespace plumo
