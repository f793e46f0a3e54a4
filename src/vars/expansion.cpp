#include "vars/expansion.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/text.h"
#include "vars/char_class.h"
#include "vars/constants.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

constexpr char kEscape = '\xFF';  // "%%" until the '%' comes back
constexpr char kMark = '\x02';    // around each reference of a formula
constexpr size_t kMaxCandidate = 62;
constexpr size_t kMaxLogShown = 228;
constexpr size_t kFormulaOutput = 1048576;
constexpr size_t kFormulaWarnAbove = 4079;

bool IsAlnum(char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Nothing to expand: no '%', '{', '=' or '_' and no "ID".
bool NeedsExpansion(std::string_view t) {
  return t.find('%') != std::string_view::npos || t.find('{') != std::string_view::npos ||
         t.find('=') != std::string_view::npos || t.find('_') != std::string_view::npos ||
         t.find("ID") != std::string_view::npos;
}

bool StartsAsFormula(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && IsBlank(t[i])) ++i;
  return i < t.size() && t[i] == '=';
}

std::string TextPart(std::string_view bytes) { return std::string(bytes.substr(0, bytes.find('\0'))); }

void EscapePercentPairs(std::string& w) {
  size_t out = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] == '%' && i + 1 < w.size() && w[i + 1] == '%') {
      w[out++] = kEscape;
      ++i;
    } else {
      w[out++] = w[i];
    }
  }
  w.resize(out);
}

// The byte 2 in front of each reference outside quotes and behind its end.
void MarkReferences(std::string& w) {
  std::string out;
  out.reserve(w.size() + 32);
  char quote = 0;
  size_t i = 0;
  while (i < w.size()) {
    char c = w[i];
    if (quote) {
      if (c == quote) quote = 0;
      out.push_back(c);
      ++i;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      out.push_back(c);
      ++i;
      continue;
    }
    bool starts = c == '%' || (c == '{' && w.find('}', i + 1) != std::string::npos);
    if (!starts) {
      out.push_back(c);
      ++i;
      continue;
    }
    out.push_back(kMark);
    out.push_back(c);
    int level = c == '{' ? 1 : 0;
    ++i;
    for (; i < w.size(); ++i) {
      char r = w[i];
      if (IsAlnum(r) || r == '.' || r == '_') {
      } else if (r == '[' || r == '{') {
        ++level;
      } else if (r == ']' || r == '}') {
        if (level > 0) --level;
      } else if (level == 0) {
        break;
      }
      out.push_back(r);
    }
    out.push_back(kMark);
  }
  w.swap(out);
}

// Marked spans that hold a number lose their marks; the others stay for the formula engine.
void UnmarkNumbers(std::string& w) {
  for (size_t open = w.find(kMark); open != std::string::npos;) {
    size_t close = w.find(kMark, open + 1);
    if (close == std::string::npos) break;
    std::string_view span(w.data() + open + 1, close - open - 1);
    if (!span.empty() && span.find_first_not_of("0123456789-.") == std::string_view::npos) {
      w.erase(close, 1);
      w.erase(open, 1);
      open = w.find(kMark, close - 1);
    } else {
      open = w.find(kMark, close + 1);
    }
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string ForLog(std::string_view prefix, std::string_view text) {
  std::string line(prefix);
  line.append(text.substr(0, kMaxLogShown));
  if (text.size() > kMaxLogShown) line += "...";
  for (char& c : line)
    if (c == '%') c = '\xB0';
  return line;
}

}  // namespace

void ProtectEscapeByte(std::string& value) {
  if (value.find(kEscape) == std::string::npos) return;
  std::string out;
  out.reserve(value.size() + 8);
  for (char c : value) {
    if (c == kEscape)
      out += "{\\FF}";
    else
      out.push_back(c);
  }
  value.swap(out);
}

std::string BinaryCharacters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' && i + 4 < text.size() && text[i + 1] == '\\' && text[i + 4] == '}') {
      int hi = HexValue(text[i + 2]), lo = HexValue(text[i + 3]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 4;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

Expander::Expander(const ExpansionPorts& ports, const ExpansionSources& sources)
    : ports_(ports),
      sources_(sources),
      engine_(FormulaHost{ports.locale, ports.clock, ports.desktop, ports.dialogs, ports.files, ports.system}),
      system_(ports, sources) {}

std::string Expander::Expand(std::string_view text, int fileIndex, int stepIndex, unsigned flags, size_t* length) {
  if ((flags & expansion::kNone) || text.empty() || !NeedsExpansion(text)) {
    if (length) *length = text.size();
    return std::string(text);
  }
  std::lock_guard<std::recursive_mutex> lock(lock_);
  std::string w;
  try {
    Run(w, text, fileIndex, stepIndex, flags, length);
  } catch (const std::bad_alloc&) {
    w.clear();
    if (length) *length = 0;
  }
  return w;
}

std::string Expander::ExpandInto(std::string_view text, int fileIndex, int stepIndex, size_t size) {
  std::string out = Expand(text, fileIndex, stepIndex, 0, nullptr);
  if (size == 0) return std::string();
  if (out.size() > size - 1) out.resize(size - 1);
  return out;
}

std::string Expander::Expand(std::string_view text, int fileIndex, int stepIndex) {
  return Expand(text, fileIndex, stepIndex, 0, nullptr);
}

void Expander::Run(std::string& w, std::string_view text, int file, int step, unsigned flags, size_t* length) {
  const bool single = (flags & expansion::kSingle) != 0;
  const bool formula = StartsAsFormula(text);
  const bool knownFile = file >= 0 && file < ScriptSlots::kCount;
  w.assign(text);

  EscapePercentPairs(w);
  const bool marked = formula && (w.find('%') != std::string::npos || w.find('{') != std::string::npos);
  if (marked) MarkReferences(w);

  for (int n = 1; n <= MemorySlots::kCount; ++n) {
    const char name[4] = {'{', static_cast<char>('0' + n), '}', '\0'};
    if (w.find(name) == std::string::npos) continue;
    if (auto slot = sources_.slots.Text(n)) {
      std::string value(*slot);
      ProtectEscapeByte(value);
      ReplaceAllNoCase(w, name, value);
    }
  }

  if (knownFile && FindNoCase(w, "{loop") != std::string::npos) LoopCounterPass(w, file);

  if (size_t first = w.find('%'); first != std::string::npos && w.find('%', first + 1) != std::string::npos)
    w = ports_.environment.ExpandStrings(w);

  if (knownFile && w.find('%') != std::string::npos && sources_.variables.Count() > 0) {
    UserVariablePass(w);
    ParameterPass(w);
  }

  if (w.find('_') != std::string::npos || w.find("ID") != std::string::npos) {
    ReplaceConstants(w, engine_);
    if (FindNoCase(w, "{HTTP_STATUS}") != std::string::npos)
      ReplaceAllNoCase(w, "{HTTP_STATUS}", sources_.host.HttpStatus());
  }

  if (!single) {
    if (w.find("{\\") != std::string::npos && w.find('}') != std::string::npos) {
      ReplaceAllNoCase(w, "{\\r}", "\r");
      ReplaceAllNoCase(w, "{\\n}", "\n");
      ReplaceAllNoCase(w, "{\\r\\n}", "\r\n");
      ReplaceAllNoCase(w, "{\\t}", "\t");
    }
    size_t first = 0;
    if (HasSystemVariableShape(w, &first)) {
      if (sources_.host.LogLevel() > 1)
        sources_.log.Line("    System Variables Processing Performed: \"" + w.substr(first, 7) + "\"...");
      system_.Apply(w, file, step);
    }
  }

  for (char& c : w)
    if (c == kEscape) c = '%';

  if (FindNoCase(w, "{CLIPBOARD}") != std::string::npos)
    ReplaceAllNoCase(w, "{CLIPBOARD}", ports_.clipboard.Text().value_or(""));

  if (formula && !single && !w.empty() && !ContainsNoCase(w, "SUM(") &&
      w.find_first_of("0123456789(&") != std::string::npos) {
    FormulaPass(w);
  } else if (marked) {
    // No formula after all: the marks must not reach the caller.
    w.erase(std::remove(w.begin(), w.end(), kMark), w.end());
  }

  if (!(flags & expansion::kKeepBinary) && w.find("{\\") != std::string::npos) w = BinaryCharacters(w);
  if (length) *length = w.size();
}

void Expander::LoopCounterPass(std::string& w, int file) {
  const double counter = sources_.loops.LoopValue(file);
  const int64_t whole = WholePart(counter);
  std::string plain;  // the counter with 7 significant digits, made when first needed
  static constexpr std::string_view kForms[] = {"count", "s", ""};
  for (size_t at = FindNoCase(w, "{loop"); at != std::string::npos; at = FindNoCase(w, "{loop", at)) {
    size_t i = at + 5;
    std::string_view rest(w.data() + i, w.size() - i);
    bool replaced = false;
    for (std::string_view form : kForms) {
      if (!StartsWithNoCase(rest, form)) continue;
      size_t d = form.size(), digitsEnd = d;
      while (digitsEnd < rest.size() && IsDigit(rest[digitsEnd])) ++digitsEnd;
      if (digitsEnd >= rest.size() || rest[digitsEnd] != '}') continue;
      std::string_view digits = rest.substr(d, digitsEnd - d);
      std::string value;
      if (digits.empty()) {
        if (plain.empty()) plain = NumberToText(counter, 7);
        value = plain;
      } else {
        // Widths 1 to 32, written without leading zeros.
        if (digits.size() > 2 || digits[0] == '0') continue;
        int width = std::atoi(std::string(digits).c_str());
        if (width < 1 || width > 32) continue;
        char buf[48];
        std::snprintf(buf, sizeof(buf), "%0*lld", width, static_cast<long long>(whole));
        value = buf;
      }
      w.replace(at, 5 + digitsEnd + 1, value);
      at += value.size();
      replaced = true;
      break;
    }
    if (!replaced) at += 5;
  }
}

void Expander::UserVariablePass(std::string& w) {
  VariableStore& vars = sources_.variables;
  // Names inside square brackets first, so that list[%i] is resolved before list[...]. The
  // result is built beside the text: an inserted value is never scanned again.
  std::string out;
  for (int round = 0; round < 2; ++round) {
    out.clear();
    out.reserve(w.size() + 64);
    size_t copied = 0, at = 0;
    for (;;) {
      size_t pct;
      if (round == 0) {
        size_t open = w.find("[%", at);
        if (open == std::string::npos) break;
        pct = open + 1;
      } else {
        pct = w.find('%', at);
        if (pct == std::string::npos) break;
      }
      std::string_view candidate = std::string_view(w).substr(pct + 1, kMaxCandidate);
      candidate = candidate.substr(0, candidate.find_first_of("%\\"));
      std::optional<std::string> value;
      size_t n = candidate.empty() ? 0 : vars.LongestExistingPrefix(candidate);
      if (n > 0) value = vars.Read(candidate.substr(0, n));
      if (!value) {
        at = pct + 1;
        continue;
      }
      std::string inserted = TextPart(*value);
      ProtectEscapeByte(inserted);
      out.append(w, copied, pct - copied);
      out += inserted;
      copied = at = pct + 1 + n;
    }
    if (copied == 0) continue;
    out.append(w, copied, std::string::npos);
    w.swap(out);
  }
}

void Expander::ParameterPass(std::string& w) {
  char reference[16], name[16];
  for (int n = 1; n <= 9; ++n) {
    std::snprintf(reference, sizeof(reference), "%%parameter%d", n);
    if (FindNoCase(w, reference) == std::string::npos) continue;
    std::snprintf(name, sizeof(name), "parameter%d", n);
    if (auto value = sources_.variables.Read(name)) {
      std::string inserted = TextPart(*value);
      ProtectEscapeByte(inserted);
      ReplaceAllNoCase(w, reference, inserted);
    }
  }
}

void Expander::LogCut(std::string_view prefix, std::string_view text) {
  if (sources_.host.LogLevel() > 1) sources_.log.Line(ForLog(prefix, text));
}

void Expander::FormulaPass(std::string& w) {
  UnmarkNumbers(w);
  LogCut("    Pre-Formula:  ", w);
  std::string out;
  out.reserve(256);
  double number = engine_.Evaluate(w, &out);
  if (out.size() > kFormulaOutput - 1) out.resize(kFormulaOutput - 1);
  if (out.size() > kFormulaWarnAbove)
    sources_.log.Line("    WARNING!  Formulas in Plumo are limited to 4k (4096 bytes)");
  if (out.empty()) out = NumberToText(number, 15);
  LogCut("    Post-Formula: ", out);
  w.swap(out);
}

}  // namespace plumo
