// Variable expansion as the formula helpers need it. The variable store and the expansion
// passes plug in through this interface.
#pragma once

#include <string>
#include <string_view>

namespace plumo {

class TextExpander {
 public:
  virtual ~TextExpander() = default;
  // The text with every reference replaced, as the Step fileIndex/stepIndex sees it, with no
  // expansion flags.
  virtual std::string Expand(std::string_view text, int fileIndex, int stepIndex) = 0;
};

}  // namespace plumo
