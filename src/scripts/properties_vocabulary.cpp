#include "scripts/properties_vocabulary.h"

#include "base/text.h"
#include "scripts/step.h"

namespace plumo {

std::vector<std::string_view> ChoiceItems(std::string_view choices) {
  std::vector<std::string_view> items;
  while (!choices.empty()) {
    const size_t semi = choices.find(';');
    const std::string_view item = choices.substr(0, semi);
    if (!item.empty()) items.push_back(item);
    if (semi == std::string_view::npos) break;
    choices.remove_prefix(semi + 1);
  }
  return items;
}

std::string CurrentChoice(std::string_view choices, std::string_view options) {
  for (std::string_view item : ChoiceItems(choices))
    if (HasOption(options, item)) return Bounded(item, kPropertyCurrentChoiceWidth);
  return "";
}

}  // namespace plumo
