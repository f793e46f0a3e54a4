// The brace tokens of the key sequence language: the key token table (its order is also the
// order of the key-insertion menu), the alias table, and the substitution of key tokens by
// their virtual-key codes that formulas use.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace plumo {

struct KeyToken {
  std::string_view text;
  uint8_t vk;
};

struct KeyAlias {
  std::string_view alias;
  std::string_view token;
};

std::span<const KeyToken> KeyTokens();
std::span<const KeyAlias> KeyAliases();

// Index of "{Num/}": formulas substitute the tokens up to and including it.
constexpr size_t kLastFormulaKeyToken = 63;

// In place: every key token up to "{Num/}" (without regard to case) becomes its code in
// decimal, table order first, then "TRUE()" 1 and "FALSE()" 0, then "{A}".."{Z}" 65..90.
void SubstituteKeyTokens(std::string& text);

}  // namespace plumo
