// Whatever the writer wrote, the reader reads back into Steps that the writer writes again
// byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "scripts/script_reader.h"
#include "scripts/script_writer.h"
#include "scripts/shipped_catalog.h"

namespace plumo {
namespace {

// Letters only up to "m", so that no random text spells a word the load conversions look for
// ("Snap", "Slow", "{WinKey}", "{step_action", ...).
constexpr std::string_view kFree = "abcdefghijklmABCDEFGHIJKLM 0123456789&<>\"';%{}/\\=,.-_!?\t\r\n\xe9\xc4";
// Fields that are never escaped hold no entity (no ";") and no tag (no "<").
constexpr std::string_view kPlain = "abcdefghijklmABCDEFGHIJKLM 0123456789&>\"'%{}/\\=,.-_!?\xe9";
constexpr std::string_view kActions[] = {"Type", "Use Window", "Delay", "Set Variable", "Get Text",
                                         "Mouse Click", "Label", "Not In The Catalogue", "IF Text"};

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  std::string Text(std::string_view alphabet, size_t maxLength) {
    std::string s(Below(maxLength + 1), ' ');
    for (char& c : s) c = alphabet[Below(alphabet.size())];
    return s;
  }
  // Mostly empty, as most fields of most Steps are.
  std::string Maybe(std::string_view alphabet, size_t maxLength) { return Below(3) == 0 ? Text(alphabet, maxLength) : ""; }
  size_t Below(size_t n) { return n == 0 ? 0 : rng_() % n; }

  Step MakeStep(std::string_view freeAlphabet) {
    Step s;
    s.action = kActions[Below(std::size(kActions))];
    s.text = Maybe(freeAlphabet, Below(10) == 0 ? 3000 : 40);
    s.comment = Maybe(freeAlphabet, 60);
    // Options as loading leaves them: tidied (a second tidy can still shorten "x,,").
    std::string options = Bounded(Maybe(freeAlphabet, 300), Text260::kWidth);
    for (std::string t = TidyLoadedOptions(options); t != options; t = TidyLoadedOptions(t)) options = t;
    s.options = options;
    for (int n = 1; n <= 8; ++n) s.Value(n) = Maybe(freeAlphabet, 300);
    s.custom = Maybe(freeAlphabet, 80);
    s.data = Maybe(kPlain, 300);
    s.timeout = Maybe("0123456789.", 4);
    s.status = Below(2) ? static_cast<uint32_t>(rng_()) : 0;
    s.indents = static_cast<int32_t>(Below(8)) - 2;
    if (Below(2)) {
      s.output = kOutputKinds[Below(kOutputKinds.size())];
      // Short of the full width: a "%" put before a full-width name pushes its end out.
      s.outputValue = Maybe(freeAlphabet, 250);
    }
    if (Below(2)) {
      s.onfail = kFailureModes[Below(kFailureModes.size())];
      s.onfailValue = Maybe(freeAlphabet, 250);
      s.onfailImage = Below(2) ? static_cast<int32_t>(rng_()) : 0;
      s.onfailLog = Below(2) ? -static_cast<int32_t>(Below(5)) : 0;
    }
    return s;
  }

  Script MakeScript(std::string_view freeAlphabet) {
    Script script;
    const uint32_t endings[] = {0, layout::kCrLf, layout::kCr, layout::kLf};
    script.layout = endings[Below(4)];
    if (script.layout) script.layout |= static_cast<uint32_t>(Below(5)) | (Below(2) ? layout::kTabs : 0);
    for (size_t n = 1 + Below(30); n > 0; --n) script.steps.push_back(MakeStep(freeAlphabet));
    return script;
  }

 private:
  std::mt19937 rng_;
};

const ActionCatalog& ShippedCatalog() {
  static const ActionCatalog catalog = ActionCatalog::FromResource(ShippedCatalogBytes());
  return catalog;
}

void ExpectRoundTrip(Script script, const WriteOptions& options, uint32_t seed) {
  const WriteOutcome first = WriteSteps(script, options);
  ASSERT_EQ(first.error, "");
  Script read;
  read.layout = DetectLayout(first.text);
  const LoadOutcome loaded = LoadSteps(first.text, read, 0, false, LoadContext{ShippedCatalog()});
  ASSERT_EQ(loaded.error, "") << "seed " << seed;
  ASSERT_EQ(loaded.added, script.steps.size()) << "seed " << seed;
  const WriteOutcome second = WriteSteps(read, options);
  if (second.text != first.text) {
    size_t at = 0;
    while (at < first.text.size() && at < second.text.size() && first.text[at] == second.text[at]) ++at;
    const size_t from = at < 150 ? 0 : at - 150;
    FAIL() << "seed " << seed << " differs at " << at << ":\n" << testing::PrintToString(first.text.substr(from, 200))
           << "\n" << testing::PrintToString(second.text.substr(from, 200));
  }
}

TEST(ScriptRoundTrip, WriteReadWriteGivesTheSameBytes) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    Generator g(seed);
    ExpectRoundTrip(g.MakeScript(kFree), {}, seed);
  }
}

TEST(ScriptRoundTrip, AlsoWithoutEncodingWhenTextsHoldNoMarkup) {
  for (uint32_t seed = 1; seed <= 100; ++seed) {
    Generator g(seed);
    WriteOptions raw;
    raw.encodeXml = false;
    raw.withComments = seed % 2 == 0;
    ExpectRoundTrip(g.MakeScript("abcdefghijklm 0123456789>\"'%{}/\\=,.-\r\n"), raw, seed);
  }
}

}  // namespace
}  // namespace plumo
