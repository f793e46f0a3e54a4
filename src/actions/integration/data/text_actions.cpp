// The text actions of the Data category.
#include <algorithm>
#include <random>

#include "actions/integration/action_context.h"
#include "actions/integration/data/data_actions.h"
#include "actions/integration/data/text_functions.h"
#include "base/text.h"

namespace plumo {
namespace {

constexpr size_t kMaxRandomLength = 16 * 1024 * 1024;

bool CaseSensitive(ActionContext& c) { return c.Option("Case Sensitive"); }

// A 1-based position; empty is the first.
std::optional<size_t> Position(std::string_view text) {
  if (Trim(text).empty()) return 1;
  auto n = WholeNumber(text);
  if (!n || *n < 1) return std::nullopt;
  return static_cast<size_t>(*n);
}

int Crypt(ActionContext& c, bool decrypt) {
  const std::string text = c.Expand(c.step.text);
  const std::string key = c.Expand(c.step.value1);
  if (!c.Option("Bit Shift")) return c.Store(AsciiShift(text, key, decrypt));
  if (!decrypt) return c.Store(BitShiftEncrypt(text, key));
  std::optional<std::string> plain = BitShiftDecrypt(std::string(Trim(text)), key);
  if (!plain) return c.Fail("The text is not \"Bit Shift\" encrypted text (pairs of hexadecimal digits)");
  return c.Store(*plain);
}
int EncryptText(ActionContext& c) { return Crypt(c, false); }
int DecryptText(ActionContext& c) { return Crypt(c, true); }

int SortText(ActionContext& c) {
  const std::string delimiter = c.Expand(c.step.value1);
  const std::string_view joiner = c.Option("Column") || delimiter.empty() ? std::string_view("\r\n") : delimiter;
  return c.Store(SortItems(c.Expand(c.step.text), delimiter, SortTypeOf(c.step.options), CaseSensitive(c), joiner));
}

int BinaryData(ActionContext& c) {
  const std::string bytes = c.Expand(c.step.text);
  std::string_view how = c.step.options;
  if (ContainsNoCase(how, "{\\XX}")) return c.Store(ToEscapes(bytes));
  if (ContainsNoCase(how, "Hex")) return c.Store(ToHex(bytes));
  if (ContainsNoCase(how, "ASCII")) return c.Store(ToPrintable(bytes));
  return c.Store(std::to_string(bytes.size()));
}

int GetLength(ActionContext& c) { return c.Store(std::to_string(c.Expand(c.step.text).size())); }

int CountItems(ActionContext& c) {
  return c.Store(std::to_string(CountOccurrences(c.Expand(c.step.text), c.Expand(c.step.value1), CaseSensitive(c))));
}

int Find(ActionContext& c) {
  const std::string text = c.Expand(c.step.text);
  const std::string needle = c.Expand(c.step.value1);
  const std::optional<size_t> from = Position(c.Expand(c.step.value2));
  if (!from) return c.Fail("The start position must be a number from 1 on");
  const bool insensitive = c.Option("Case Insensitive");
  const size_t at = needle.empty() || *from > text.size() ? std::string::npos : FindText(text, needle, *from - 1, !insensitive);
  return c.Store(std::to_string(at == std::string::npos ? 0 : at + 1));
}

int GetSubString(ActionContext& c) {
  std::string delimiter = c.Expand(c.step.value1);
  if (delimiter.empty()) delimiter = ",";
  const std::string which = c.Expand(c.step.value2);
  const std::vector<std::string> items = SplitItems(c.Expand(c.step.text), delimiter, c.Option("Quotes"));
  // "last" or a negative number count from the end.
  std::optional<int64_t> n = EqualsNoCase(Trim(which), "last") ? std::optional<int64_t>(-1) : WholeNumber(which);
  if (!n || *n == 0) return c.Fail("Which Item must be a number from 1 on, or -1 (\"last\") and below from the end");
  const int64_t count = static_cast<int64_t>(items.size());
  const int64_t at = *n > 0 ? *n - 1 : count + *n;
  return c.Store(at >= 0 && at < count ? std::string_view(items[static_cast<size_t>(at)]) : std::string_view());
}

int MidString(ActionContext& c) {
  const std::string text = c.Expand(c.step.text);
  const std::optional<size_t> start = Position(c.Expand(c.step.value1));
  const std::string endText = c.Expand(c.step.value2);
  const bool toEnd = Trim(endText).empty() || ContainsNoCase(endText, "To End");
  const std::optional<int64_t> end = toEnd ? std::optional<int64_t>(static_cast<int64_t>(text.size())) : WholeNumber(endText);
  if (!start || !end) return c.Fail("Start and End Position must be numbers from 1 on (End Position may be \"To End\")");
  if (*start > text.size() || *end < static_cast<int64_t>(*start)) return c.Store("");
  const size_t stop = std::min(static_cast<size_t>(*end), text.size());
  return c.Store(std::string_view(text).substr(*start - 1, stop - (*start - 1)));
}

int ChopText(ActionContext& c) {
  std::optional<ChopMethod> method = ChopMethodOf(c.step.options);
  if (!method) method = ChopMethodOf(c.step.value2);
  if (!method) return c.Fail("No Chop Method given");
  const std::string marker = c.Expand(c.step.value1);
  const std::optional<int64_t> count = WholeNumber(marker);
  return c.Store(Chop(c.Expand(c.step.text), marker, *method, count && *count > 0 ? static_cast<size_t>(*count) : 1));
}

int Replace(ActionContext& c) {
  std::string text = c.Expand(c.step.text);
  ReplaceText(text, c.Expand(c.step.value1), c.Expand(c.step.value2), c.Option("First Only"), CaseSensitive(c));
  return c.Store(text);
}

int Insert(ActionContext& c) {
  std::string text = c.Expand(c.step.text);
  const std::optional<size_t> at = Position(c.Expand(c.step.value1));
  if (!at) return c.Fail("Position must be a number from 1 on");
  text.insert(std::min(*at - 1, text.size()), c.Expand(c.step.value2));
  return c.Store(text);
}

int RandomTextAction(ActionContext& c) {
  const std::optional<int64_t> length = WholeNumber(c.Expand(c.step.text));
  if (!length || *length < 0 || static_cast<uint64_t>(*length) > kMaxRandomLength)
    return c.Fail("The length must be a number from 0 to 16777216");
  const std::string word = c.Expand(c.step.value1);
  const std::optional<std::string> characters = CharacterRange(Trim(word).empty() ? "a-z, A-Z, 0-9" : word);
  if (!characters) return c.Fail("Unknown Character Range \"" + word + "\"");
  std::random_device seed;
  std::mt19937 random(seed());
  return c.Store(RandomText(static_cast<size_t>(*length), *characters, random));
}

constexpr ActionRow kTextRows[] = {
    {"Encrypt Text", EncryptText}, {"Decrypt Text", DecryptText}, {"Sort", SortText},
    {"Binary Data", BinaryData},   {"Get Length", GetLength},     {"Count Items", CountItems},
    {"Find", Find},                {"Get Sub String", GetSubString}, {"Mid String", MidString},
    {"Chop", ChopText},            {"Replace", Replace},          {"Insert", Insert},
    {"Random Text", RandomTextAction},
};

}  // namespace

std::span<const ActionRow> TextActionRows() { return kTextRows; }

}  // namespace plumo
