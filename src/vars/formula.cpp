#include "vars/formula.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "actions/desktop/key_tokens.h"
#include "base/text.h"
#include "vars/char_class.h"
#include "vars/dates.h"
#include "vars/number_text.h"
#include "vars/text_format.h"

namespace plumo {
namespace {

using namespace formula;

constexpr char kMark = '\x02';  // byte that marks an expanded value

// RUN answers what the shell answered; the failure itself is in that number.
double ShellResult(System& system, const std::string& command) {
  uint32_t value = 0;
  (void)system.ShellOpen(command, &value);
  return value;
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsQuote(char c) { return c == '"' || c == '\'' || c == kMark; }
// Follows the quoted spans: true when c stands inside one, or opens or closes one.
bool InQuotes(char c, char& quote) {
  if (quote) {
    if (c == quote) quote = 0;
    return true;
  }
  if (!IsQuote(c)) return false;
  quote = c;
  return true;
}

bool IsOperandChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '.' || IsBlank(c); }

// A name with this code stands for a function only when '(' follows it.
bool NeedsParenthesis(uint8_t code) { return IsAlpha(static_cast<char>(code)) || code == '?' || (code >= 0x82 && code <= 0xFD); }

bool FunctionAt(const std::string& s, size_t i) {
  return OperatorOf(static_cast<uint8_t>(s[i])).function && i + 1 < s.size() && s[i + 1] == '(';
}

// A letter that does not open a function call starts a bare word, which runs to ',' or ')'.
bool BareWordAt(const std::string& s, size_t i) { return IsAlpha(s[i]) && !(i + 1 < s.size() && s[i + 1] == '('); }

size_t EndOfBareWord(const std::string& s, size_t i) {
  size_t end = s.find_first_of(",)", i);
  return end == std::string::npos ? s.size() : end;
}

double Pow10(int64_t n) { return std::pow(10.0, static_cast<double>(n)); }

void TrimChars(std::string& s, std::string_view chars) {
  size_t b = s.find_first_not_of(chars);
  if (b == std::string::npos) {
    s.clear();
    return;
  }
  size_t e = s.find_last_not_of(chars);
  s.erase(e + 1);
  s.erase(0, b);
}

size_t Find(std::string_view hay, std::string_view needle, bool withCase, size_t from = 0) {
  return withCase ? hay.find(needle, from) : FindNoCase(hay, needle, from);
}

double Round(double x, int64_t n) {
  double ax = std::fabs(x), r;
  if (n >= 0) {
    if (n > 15) return x;
    double p = Pow10(n), whole = std::floor(ax);
    r = whole + std::floor((ax - whole) * p + 0.5 + 0.000001) / p;
  } else {
    if (n < -308) return 0;
    double p = Pow10(-n);
    r = std::floor(ax / p + 0.5) * p;
  }
  return x < 0 ? -r : r;
}

double Trunc(double x, int64_t n) {
  int64_t m = n < 0 ? -n : n;
  if (m > 15) return x;
  double p = Pow10(m), r = std::floor(std::fabs(x) * p) / p;
  return x < 0 ? -r : r;
}

int64_t Gcd(int64_t a, int64_t b) {
  uint64_t x = static_cast<uint64_t>(a < 0 ? -a : a), y = static_cast<uint64_t>(b < 0 ? -b : b);
  while (y) {
    uint64_t t = x % y;
    x = y;
    y = t;
  }
  return static_cast<int64_t>(x);
}

void FileNameClean(std::string& s) {
  bool drive = s.size() >= 2 && s[1] == ':';
  bool unc = s.size() >= 2 && s[0] == '\\' && s[1] == '\\';
  for (size_t i = 0; i < s.size(); ++i) {
    char& c = s[i];
    if ((c == '\\' || c == '/') && !drive && !unc) c = ' ';
    if ((c == ':' && !(drive && i == 1)) || c == '>' || c == '<' || c == '*' || c == '|' || c == '\r' ||
        c == '\n' || c == '\t')
      c = ' ';
  }
  size_t w = 0;
  for (size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == ' ' && w > 0 && s[w - 1] == ' ')) s[w++] = s[i];
  s.resize(w);
  s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == '?' || c == '"'; }), s.end());
  TrimChars(s, " \t\r\n");
}

bool Truthy(double number, const std::string& text) { return !text.empty() || number != 0; }

bool IsDeferred(uint8_t code) { return code == kMsgBox || code == kSetFocus || code == kCloseWindow || code == kRun; }

}  // namespace

FormulaEngine::FormulaEngine(const FormulaHost& host) : host_(host) {
  work_.reserve(8192);
  step_.reserve(8192);
  for (Value& v : stack_) v.text.reserve(kMaxText + 1);
  result_.text.reserve(kMaxText + 1);
  for (std::string& s : scratch_) s.reserve(kMaxText + 1);
}

double EvaluateFormula(const FormulaHost& host, std::string_view formula, std::string* out) {
  FormulaEngine engine(host);
  return engine.Evaluate(formula, out);
}

double FormulaEngine::Evaluate(std::string_view formula, std::string* out) {
  if (formula.find_first_of("0123456789(&") == std::string_view::npos) {
    if (out) out->assign(formula);
    return 0;
  }
  Prepare(formula);
  if (work_.find_first_not_of("0123456789.") == std::string::npos) {
    if (out) out->clear();
    return LeadingNumber(work_);
  }
  failed_ = false;
  stackSize_ = 0;
  hasDoubleQuote_ = work_.find('"') != std::string::npos;
  if (Parse()) Evaluate();
  const Value* final = &result_;
  if (!failed_) {
    if (stackSize_ == 0) {
      result_.number = 0;
      result_.text.clear();
    } else {
      final = &stack_[0];
    }
  }
  if (out) {
    if (!final->text.empty()) out->assign(final->text);
    else if (final->number == 0) out->clear();
    else NumberToText(final->number, 15, *out);
  }
  return final->number;
}

void FormulaEngine::Fail(std::string_view message) {
  failed_ = true;
  result_.number = 0;
  result_.text.assign(message);
}

void FormulaEngine::Prepare(std::string_view formula) {
  work_.assign(formula);
  SubstituteKeyTokens(work_);

  // Names to codes, outside quoted spans.
  step_.clear();
  char quote = 0;
  for (size_t i = 0; i < work_.size();) {
    char c = work_[i];
    if (InQuotes(c, quote)) {
      step_.push_back(c);
      ++i;
      continue;
    }
    const FormulaName* hit = nullptr;
    std::string_view rest(work_.data() + i, work_.size() - i);
    for (uint8_t k : NamesStartingWith(c)) {
      const FormulaName& n = FormulaNames()[k];
      if (!StartsWithNoCase(rest, n.name)) continue;
      char after = n.name.size() < rest.size() ? rest[n.name.size()] : '\0';
      if (NeedsParenthesis(n.code) && after != '(') continue;
      if (n.code == '`' && IsDigit(after)) continue;
      hit = &n;
      break;
    }
    if (hit) {
      step_.push_back(static_cast<char>(hit->code));
      i += hit->name.size();
    } else {
      step_.push_back(c);
      ++i;
    }
  }
  work_.swap(step_);

  // Blanks and '_' go, except inside bare words before another word.
  step_.clear();
  quote = 0;
  for (size_t i = 0; i < work_.size();) {
    char c = work_[i];
    if (InQuotes(c, quote)) {
      step_.push_back(c);
      ++i;
    } else if (IsBlank(c) || c == '_') {
      ++i;
    } else if (BareWordAt(work_, i)) {
      size_t end = EndOfBareWord(work_, i);
      for (; i < end; ++i) {
        char ch = work_[i];
        char next = i + 1 < work_.size() ? work_[i + 1] : ',';
        if ((IsBlank(ch) || ch == '_') && (IsBlank(next) || next == ',' || next == ')')) continue;
        step_.push_back(ch);
      }
    } else {
      step_.push_back(c);
      ++i;
    }
  }
  work_.swap(step_);

  if (!work_.empty() && work_.front() == '=') work_.erase(0, 1);
  if (!work_.empty() && work_.back() == ';') work_.pop_back();
  for (size_t at = 0; (at = work_.find("\x02\x02", at)) != std::string::npos;) work_.erase(at, 2);

  // Signs: a '-' that follows no value is a negation.
  quote = 0;
  for (size_t i = 0; i < work_.size(); ++i) {
    char c = work_[i];
    if (InQuotes(c, quote)) {
      continue;
    } else if (BareWordAt(work_, i)) {
      i = EndOfBareWord(work_, i) - 1;
    } else if (c == '-') {
      char prev = i > 0 ? work_[i - 1] : '\0';
      if (!(IsDigit(prev) || prev == '.' || prev == ')' || prev == '#')) work_[i] = '_';
    }
  }
}

bool FormulaEngine::Parse() {
  queueSize_ = 0;
  opsSize_ = 0;
  auto emit = [this](uint8_t code, double number, size_t pos, size_t len) {
    if (queueSize_ < kMaxTokens)
      queue_[queueSize_++] = Token{code, number, static_cast<uint32_t>(pos), static_cast<uint32_t>(len)};
  };
  auto addText = [&](size_t pos, size_t len) {
    if (len > kMaxText) {
      Fail(kParameterTooBig);
      return false;
    }
    emit(' ', 0, pos, len);
    return true;
  };
  auto pushOp = [this](uint8_t code) {
    if (opsSize_ == kMaxOperators) {
      Fail(kTooManyNested);
      return false;
    }
    ops_[opsSize_++] = code;
    return true;
  };
  auto popToParen = [&] {
    while (opsSize_ > 0 && ops_[opsSize_ - 1] != '(') emit(ops_[--opsSize_], 0, 0, 0);
  };

  const std::string& s = work_;
  size_t n = s.size();
  for (size_t i = 0; i < n;) {
    char c = s[i];
    uint8_t code = static_cast<uint8_t>(c);
    const OperatorInfo& info = OperatorOf(code);
    if (c == '(') {
      if (!pushOp('(')) return false;
      ++i;
    } else if (c == ',') {
      popToParen();
      ++i;
    } else if (c == ')') {
      popToParen();
      if (opsSize_ > 0) --opsSize_;
      ++i;
    } else if (FunctionAt(s, i)) {
      if (!pushOp(code)) return false;
      ++i;
    } else if (IsQuote(c)) {
      size_t close = s.find(c, i + 1);
      size_t end = close == std::string::npos ? n : close;
      if (!addText(i + 1, end - i - 1)) return false;
      i = close == std::string::npos ? n : close + 1;
    } else if (IsOperandChar(c)) {
      size_t j = i;
      bool numeric = true;
      while (j < n && IsOperandChar(s[j]) && !FunctionAt(s, j)) {
        numeric = numeric && (IsDigit(s[j]) || s[j] == '.' || IsBlank(s[j]));
        ++j;
      }
      if (numeric) {
        emit(static_cast<uint8_t>(c), LeadingNumber(std::string_view(s).substr(i, j - i)), i, j - i);
        i = j;
      } else {
        size_t end = EndOfBareWord(s, i);
        if (!addText(i, end - i)) return false;
        i = end;
      }
    } else if (info.precedence > 0 && !info.function) {
      while (opsSize_ > 0) {
        uint8_t top = ops_[opsSize_ - 1];
        if (top == '(') break;
        uint8_t tp = OperatorOf(top).precedence;
        if (tp > info.precedence || (!info.rightAssociative && tp == info.precedence))
          emit(ops_[--opsSize_], 0, 0, 0);
        else
          break;
      }
      if (!pushOp(code)) return false;
      ++i;
    } else {
      ++i;  // a byte that is neither operand nor operator
    }
  }
  while (opsSize_ > 0) {
    uint8_t top = ops_[--opsSize_];
    if (top != '(') emit(top, 0, 0, 0);
  }
  return true;
}

void FormulaEngine::Evaluate() {
  size_t lastIf = 0;
  bool anyIf = false;
  for (size_t k = 0; k < queueSize_; ++k)
    if (queue_[k].code == kIf) lastIf = k, anyIf = true;

  for (size_t k = 0; k < queueSize_; ++k) {
    const Token& t = queue_[k];
    bool number = IsDigit(static_cast<char>(t.code)) || t.code == '.';
    if (number || t.code == ' ') {
      if (stackSize_ == kMaxValues) return Fail(kTooManyNested);
      Value& v = stack_[stackSize_++];
      v.number = number ? t.number : 0;
      if (number) v.text.clear();
      else v.text.assign(work_, t.pos, t.len);
      continue;
    }
    size_t arity = OperatorOf(t.code).arity;
    if (stackSize_ < arity) {
      char one;
      std::string_view name = WrittenName(t.code, &one);
      char msg[96];
      int len = std::snprintf(msg, sizeof(msg), "Formula Error: \"%.*s\" requires %d parameters",
                              static_cast<int>(name.size()), name.data(), static_cast<int>(arity));
      return Fail(std::string_view(msg, static_cast<size_t>(len)));
    }
    if (arity == 0 && stackSize_ == kMaxValues) return Fail(kTooManyNested);
    size_t base = stackSize_ - arity;
    result_.number = 0;
    result_.text.clear();
    CallFunction(t.code, &stack_[base], anyIf && lastIf > k, result_);
    if (failed_) return;
    if (result_.text.size() > kMaxText) result_.text.resize(kMaxText);
    stack_[base].number = result_.number;
    stack_[base].text.swap(result_.text);
    stackSize_ = base + 1;
  }
}

const std::string& FormulaEngine::TextOf(const Value& v, std::string& scratch) {
  if (!v.text.empty()) return v.text;
  // 0 and the empty text are one value: both read as "".
  if (v.number == 0) scratch.clear();
  else NumberToText(v.number, 15, scratch);
  return scratch;
}

double FormulaEngine::Random() {
  // Reseeded from the high-resolution counter before each draw; the generator is the C
  // library's classic one, so r runs from 0 to 32767.
  seed_ = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  seed_ = seed_ * 214013u + 2531011u;
  return static_cast<double>((seed_ >> 16) & 0x7FFF);
}

uint32_t FormulaEngine::FindWindowByTitle(const std::string& title) {
  if (uint32_t h = host_.desktop.FindWindowByTitle(title)) return h;
  std::vector<TitledWindow> windows = host_.desktop.WindowsFromForeground();
  for (const TitledWindow& w : windows)
    if (w.title == title) return w.handle;
  for (const TitledWindow& w : windows)
    if (StartsWithNoCase(w.title, title)) return w.handle;
  for (const TitledWindow& w : windows)
    if (ContainsNoCase(w.title, title)) return w.handle;
  return 0;
}

std::string OsName(const OsVersion& v) {
  if (!v.windows) return "Linux";
  struct Row {
    uint32_t major, minor;
    int workstation;  // -1 either, 0 server only
    const char* name;
  };
  static const Row kRows[] = {
      {5, 1, -1, "Windows XP"},   {6, 0, 0, "Windows Server 2008"}, {6, 1, 0, "Windows Server 2008"},
      {6, 0, -1, "Windows Vista"}, {6, 1, -1, "Windows 7"},          {5, 2, -1, "Windows 2003"},
      {5, 0, -1, "Windows 2000"}, {4, 90, -1, "Windows ME"},        {4, 10, -1, "Windows 98"},
      {4, 0, -1, "Windows NT"},
  };
  for (const Row& r : kRows)
    if (r.major == v.major && r.minor == v.minor && (r.workstation != 0 || !v.workstation)) return r.name;
  return "Unknown";
}

void FormulaEngine::Info(const std::string& keyword, Value& result) {
  enum Kind { kBpp, kMaxColor, kDirectory, kMonitor, kOsName, kOsVersionEx, kOsVersion, kMemAvail,
              kMemTotal, kMemUsed, kScreenX, kScreenY };
  static const struct {
    const char* word;
    Kind kind;
  } kKeywords[] = {
      {"bpp", kBpp},          {"maxcolor", kMaxColor},       {"directory", kDirectory},
      {"monitor", kMonitor},  {"osname", kOsName},           {"osversionex", kOsVersionEx},
      {"osversion", kOsVersion}, {"memavail", kMemAvail},    {"memfree", kMemAvail},
      {"totmem", kMemTotal},  {"memtot", kMemTotal},         {"memused", kMemUsed},
      {"screenx", kScreenX},  {"screeny", kScreenY},
  };
  for (const auto& k : kKeywords) {
    if (!ContainsNoCase(keyword, k.word)) continue;
    char buf[64];
    switch (k.kind) {
      case kBpp: result.number = host_.desktop.Screen().bitsPerPixel; break;
      case kMaxColor: {
        uint32_t bpp = host_.desktop.Screen().bitsPerPixel;
        result.number = std::pow(2.0, bpp > 24 ? 24 : bpp);
        break;
      }
      case kDirectory:
        result.text = host_.system.CurrentDirectory();
        while (!result.text.empty() && result.text.back() == '\\') result.text.pop_back();
        break;
      case kMonitor: result.number = host_.desktop.Screen().monitors; break;
      case kOsName: result.text = OsName(host_.system.Version()); break;
      case kOsVersionEx: {
        OsVersion v = host_.system.Version();
        std::snprintf(buf, sizeof(buf), "%u.%u.%u", v.major, v.minor, v.build);
        result.text = buf;
        break;
      }
      case kOsVersion: {
        OsVersion v = host_.system.Version();
        std::snprintf(buf, sizeof(buf), "%u.%u", v.major, v.minor);
        result.text = buf;
        break;
      }
      case kMemAvail: result.number = static_cast<double>(host_.system.Memory().available); break;
      case kMemTotal: result.number = static_cast<double>(host_.system.Memory().total); break;
      case kMemUsed: {
        MemoryStatus m = host_.system.Memory();
        result.number = static_cast<double>(m.total - std::min(m.total, m.available));
        break;
      }
      case kScreenX: result.number = host_.desktop.Screen().width; break;
      case kScreenY: result.number = host_.desktop.Screen().height; break;
    }
    return;
  }
}

void FormulaEngine::PerformDeferred(Value& chosen, Value& result) {
  uint8_t code = static_cast<uint8_t>(chosen.text[0]);
  std::string_view rest = std::string_view(chosen.text).substr(1);
  std::string& arg = scratch_[0];
  arg.assign(rest);
  switch (code) {
    case kMsgBox: result.number = host_.dialogs.ShowMessage(arg, " ", 0); break;
    case kSetFocus: result.number = host_.desktop.ActivateWindow(Bits32(LeadingNumber(arg))) ? 1 : 0; break;
    case kCloseWindow: result.number = host_.desktop.RequestClose(Bits32(LeadingNumber(arg))) ? 1 : 0; break;
    case kRun: result.number = ShellResult(host_.system, arg); break;
  }
}

void FormulaEngine::CallFunction(uint8_t code, Value* args, bool ifFollows, Value& r) {
  Value& a = args[0];
  Value& b = args[1];
  Value& c = args[2];
  const double x = a.number, y = b.number;
  std::string& out = r.text;
  // Operands read as texts; a number stands as its 15-digit text.
  auto textA = [&]() -> const std::string& { return TextOf(a, scratch_[0]); };
  auto textB = [&]() -> const std::string& { return TextOf(b, scratch_[1]); };
  auto textC = [&]() -> const std::string& { return TextOf(c, scratch_[2]); };
  auto deferred = [&]() {
    out.push_back(static_cast<char>(code));
    if (!a.text.empty()) {
      out += a.text;
    } else if (a.number != 0) {
      char buf[16];
      std::snprintf(buf, sizeof(buf), "%lu", static_cast<unsigned long>(Bits32(a.number)));
      out += buf;
    }
  };
  auto compare = [&]() -> int {
    if (a.text.empty() && b.text.empty()) return x < y ? -1 : x > y ? 1 : 0;
    return host_.locale.CompareText(textA(), textB());
  };

  switch (code) {
    case '+': r.number = x + y; break;
    case '-': r.number = x - y; break;
    case '*': r.number = x * y; break;
    case '/': r.number = y == 0 ? 0 : x / y; break;
    case '%':
    case kMod: r.number = y == 0 ? 0 : std::fmod(x, y); break;
    case '^': r.number = std::pow(x, y); break;
    case '|': r.number = Bits32(x) | Bits32(y); break;
    case '~': r.number = Bits32(x) ^ Bits32(y); break;
    case '&':
      if (a.text.empty() && b.text.empty()) {
        r.number = Bits32(x) & Bits32(y);
      } else {
        auto part = [&](const Value& v, std::string& scratch) -> std::string_view {
          if (!v.text.empty()) return v.text;
          if (v.number != 0 && hasDoubleQuote_) return TextOf(v, scratch);
          return {};
        };
        std::string_view l = part(a, scratch_[0]), rt = part(b, scratch_[1]);
        out.assign(l);
        if (l.size() + rt.size() <= kMaxText) out.append(rt);
      }
      break;
    case '<': r.number = compare() < 0; break;
    case '>': r.number = compare() > 0; break;
    case '{': r.number = compare() <= 0; break;
    case '}': r.number = compare() >= 0; break;
    case '=': r.number = compare() == 0; break;
    case '$': r.number = compare() != 0; break;
    case ';': r.number = x != 0 && y != 0; break;
    case ':': r.number = x != 0 || y != 0; break;
    case '_': r.number = -x; break;
    case '!': r.number = x == 0; break;
    case '#': r.number = x + 1; break;
    case '`': r.number = x - 1; break;

    case 'P': r.number = 3.14159265358979; break;
    case 'n': r.number = SerialOfTime(host_.clock.LocalTime()); break;
    case 'a': r.number = SerialOfDay(host_.clock.LocalTime()); break;
    case 'Z': r.number = Random() / 32768; break;
    case kRandBetween: {
      int64_t low = WholePart(x), high = WholePart(y);
      if (high >= low) r.number = static_cast<double>(low + WholePart(std::fmod(Random(), static_cast<double>(high - low) + 1)));
      break;
    }
    case kGetTickCount: r.number = host_.clock.TickCount(); break;
    case kTopWindow: r.number = host_.desktop.ForegroundWindow(); break;
    case 'A': r.number = std::fabs(x); break;
    case 'C': r.number = std::ceil(x); break;
    case 'F':
    case 'i': r.number = std::floor(x); break;
    case 'S': r.number = x < 0 ? 0 : std::sqrt(x); break;
    case 'I': r.number = std::sin(x); break;
    case 'O': r.number = std::cos(x); break;
    case 'G': r.number = std::tan(x); break;
    case 'B': r.number = std::atan(x); break;
    case 'J': r.number = x - std::trunc(x); break;
    case 'L': r.number = static_cast<double>(textA().size()); break;
    case 'H': {
      char ch = static_cast<char>(Bits32(x) & 0xFF);
      if (ch) out.push_back(ch);
      break;
    }
    case 'K': r.number = textA().empty() ? 0 : static_cast<signed char>(textA()[0]); break;
    case 'x':
      out = textA();
      TrimChars(out, " ");
      break;
    case kTrimWhite:
      out = textA();
      TrimChars(out, " \t\r\n");
      break;
    case kRun:
      if (ifFollows) deferred();
      else r.number = ShellResult(host_.system, textA());
      break;
    case kIsKeyPressed: r.number = host_.desktop.IsKeyPressed(Bits32(x)); break;
    case kIsWindow: r.number = host_.desktop.IsWindow(Bits32(x)); break;
    case kFindWindow: r.number = FindWindowByTitle(textA()); break;
    case kSetFocus:
      if (ifFollows) deferred();
      else r.number = host_.desktop.ActivateWindow(Bits32(x));
      break;
    case kCloseWindow:
      if (ifFollows) deferred();
      else r.number = host_.desktop.RequestClose(Bits32(x));
      break;
    case 'V': {
      if (a.text.empty()) {
        r.number = x;
        break;
      }
      size_t start = a.text.find_first_of("0123456789-.");
      if (start == std::string::npos) break;
      size_t end = a.text.find_first_not_of("0123456789-.", start);
      r.number = LeadingNumber(std::string_view(a.text).substr(start, end == std::string::npos ? end : end - start));
      break;
    }
    case 'u':
    case 'w':
      out = textA();
      for (char& ch : out)
        if (IsAlpha(ch)) ch = static_cast<char>(code == 'u' ? (ch & ~0x20) : (ch | 0x20));
      break;
    case kProper: {
      out = textA();
      bool afterLetter = false;
      for (char& ch : out) {
        bool letter = IsAlpha(ch);
        if (letter) ch = static_cast<char>(afterLetter ? (ch | 0x20) : (ch & ~0x20));
        afterLetter = letter;
      }
      break;
    }
    case 'g': r.number = static_cast<double>(DateOfSerial(x).year); break;
    case 'm': r.number = DateOfSerial(x).month; break;
    case 'd': r.number = DateOfSerial(x).day; break;
    case kDayOfYear: r.number = DayOfYear(x); break;
    case kDaysInYear: r.number = DaysInYear(x); break;
    case kDaysInMonth: r.number = DaysInMonth(x); break;
    case 'v': {
      std::optional<CivilDate> d = ParseDate(textA(), host_.locale.Values(), host_.clock);
      r.number = d ? DateSerial(static_cast<double>(d->year), d->month, d->day) : 0;
      break;
    }
    case 'j': {
      ClockTime t = ParseTime(textA());
      r.number = TimeFraction(static_cast<double>(t.hours), static_cast<double>(t.minutes),
                              static_cast<double>(t.seconds));
      break;
    }
    case 'k': r.number = WeekdayOfSerial(x); break;
    case 'h': r.number = static_cast<double>(SecondsOfDay(x) / 3600); break;
    case 'e': r.number = static_cast<double>(SecondsOfDay(x) % 3600 / 60); break;
    case 'o': r.number = static_cast<double>(SecondsOfDay(x) % 60); break;
    case kNum2Words: out = NumberToWords(textA(), false); break;
    case kStrRev:
      out = textA();
      std::reverse(out.begin(), out.end());
      break;
    case kDec2Hex: {
      char buf[16];
      std::snprintf(buf, sizeof(buf), "%X", static_cast<unsigned>(Bits32(x)));
      out = buf;
      break;
    }
    case kHex2Dec: {
      std::string_view s = textA();
      if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
      else if (!s.empty() && s[0] == '\\') s.remove_prefix(1);
      uint64_t v = 0;
      for (char ch : s) {
        int digit = IsDigit(ch) ? ch - '0' : (ch | 0x20) >= 'a' && (ch | 0x20) <= 'f' ? (ch | 0x20) - 'a' + 10 : -1;
        if (digit < 0) break;
        v = std::min<uint64_t>(v * 16 + static_cast<uint64_t>(digit), 0xFFFFFFFFu);
      }
      r.number = static_cast<double>(v);
      break;
    }
    case kIsOdd: r.number = (WholePart(x) & 1) != 0; break;
    case kFileExist: {
      const std::string& name = textA();
      r.number = name.find_first_of("*?") != std::string::npos ? host_.files.AnyMatch(name)
                                                                : host_.files.Kind(name) == PathKind::kFile;
      break;
    }
    case kFolderExist: r.number = host_.files.Kind(textA()) == PathKind::kFolder; break;
    case kFileSize: r.number = static_cast<double>(host_.files.FileSize(textA()).value_or(0)); break;
    case kFileNameClean:
      out = textA();
      FileNameClean(out);
      break;
    case kInfo: {
      std::string& keyword = scratch_[1];
      keyword = textA();
      Info(keyword, r);
      break;
    }
    case kTypeOf: r.number = (a.text.empty() && x != 0) ? 1 : 2; break;

    case 'T': {
      double value = x;
      if (!a.text.empty()) {
        std::string& num = scratch_[0];
        num = a.text;
        if (num.find_first_not_of("0123456789,. \t\r\n") == std::string::npos)
          num.erase(std::remove(num.begin(), num.end(), ','), num.end());
        value = LeadingNumber(num);
      }
      FormatValue(value, textB(), host_.locale.Values(), host_.clock, out);
      break;
    }
    case 'X': r.number = std::max(x, y); break;
    case 'N': r.number = std::min(x, y); break;
    case 'Q': r.number = y == 0 ? 0 : std::trunc(x / y); break;
    case 'R': r.number = Round(x, WholePart(y)); break;
    case 'U': r.number = Trunc(x, WholePart(y)); break;
    case kGcd: r.number = static_cast<double>(Gcd(WholePart(x), WholePart(y))); break;
    case kLcm: {
      int64_t p = WholePart(x), q = WholePart(y), g = Gcd(p, q);
      r.number = g == 0 ? 0 : std::fabs(static_cast<double>(p / g) * static_cast<double>(q));
      break;
    }
    case 'b':
    case 'c': {
      out = textA();
      const std::string& set = textB();
      if (set.empty()) break;
      if (code == 'b') {
        size_t at = 0;
        while (out.compare(at, set.size(), set) == 0) at += set.size();
        while (at < out.size() && set.find(out[at]) != std::string::npos) ++at;
        out.erase(0, at);
      } else {
        size_t end = out.size();
        while (end >= set.size() && out.compare(end - set.size(), set.size(), set) == 0) end -= set.size();
        while (end > 0 && set.find(out[end - 1]) != std::string::npos) --end;
        out.erase(end);
      }
      break;
    }
    case kChop: {
      out = textA();
      const std::string& sep = textB();
      size_t at = sep.empty() ? std::string::npos : out.find(sep);
      if (at != std::string::npos) out.erase(at);
      break;
    }
    case kGetPixel: {
      std::optional<uint32_t> colour = host_.desktop.PixelColor(static_cast<int32_t>(Bits32(x)),
                                                               static_cast<int32_t>(Bits32(y)));
      if (colour) {
        char buf[16];
        std::snprintf(buf, sizeof(buf), "#%02X%02X%02X", *colour & 0xFF, (*colour >> 8) & 0xFF,
                      (*colour >> 16) & 0xFF);
        out = buf;
      }
      break;
    }
    case kMsgBox:
      if (ifFollows) {
        out.push_back(static_cast<char>(code));
        out += textA();
      } else {
        r.number = host_.dialogs.ShowMessage(textA(), " ", Bits32(y));
      }
      break;
    case 'l':
    case 'r': {
      const std::string& t = textA();
      int64_t count = WholePart(y);
      if (count <= 0) break;
      size_t n = count >= static_cast<int64_t>(t.size()) ? t.size() : static_cast<size_t>(count);
      out.assign(t, code == 'l' ? 0 : t.size() - n, n);
      break;
    }
    case 'f':
    case 's': {
      size_t at = Find(textB(), textA(), code == 'f');
      r.number = at == std::string::npos ? 0 : static_cast<double>(at + 1);
      break;
    }
    case 'q': {
      const std::string& t = textA();
      int64_t times = WholePart(y);
      if (t.empty()) break;
      for (int64_t i = 0; i < times && out.size() + t.size() <= kMaxText; ++i) out += t;
      break;
    }
    case 'W': {
      const std::string& t = textA();
      const std::string& sub = textB();
      if (sub.empty()) break;
      size_t count = 0;
      for (size_t at = 0; (at = t.find(sub, at)) != std::string::npos; at += sub.size()) ++count;
      r.number = static_cast<double>(count);
      break;
    }

    case 'M': {
      const std::string& t = textA();
      int64_t start = std::max<int64_t>(WholePart(y), 1);
      int64_t count = WholePart(c.number);
      if (count <= 0 || start > static_cast<int64_t>(t.size())) break;
      out.assign(t, static_cast<size_t>(start - 1), static_cast<size_t>(std::min<int64_t>(count, kMaxText + 1)));
      break;
    }
    case 'Y':
    case 'y': {
      const std::string& t = textA();
      const std::string& from = textB();
      const std::string& to = textC();
      bool withCase = code == 'Y';
      if (from.empty()) {
        out = t;
        break;
      }
      size_t count = 0;
      for (size_t at = 0; (at = Find(t, from, withCase, at)) != std::string::npos; at += from.size()) ++count;
      if (count * to.size() >= kMaxText + 2) {
        out.assign(kExpressionTooBig);
        break;
      }
      size_t at = 0, prev = 0;
      while ((at = Find(t, from, withCase, prev)) != std::string::npos) {
        out.append(t, prev, at - prev);
        out += to;
        prev = at + from.size();
      }
      out.append(t, prev, std::string::npos);
      break;
    }
    case kIf: {
      Value& chosen = Truthy(x, a.text) ? b : c;
      if (!chosen.text.empty() && IsDeferred(static_cast<uint8_t>(chosen.text[0]))) {
        PerformDeferred(chosen, r);
      } else {
        r.number = chosen.number;
        out.swap(chosen.text);
      }
      break;
    }
    case 'D': r.number = DateSerial(x, y, c.number); break;
    case 't': r.number = TimeFraction(x, y, c.number); break;
    case kPad: {
      out = textA();
      const std::string& fill = textC();
      int64_t width = std::clamp<int64_t>(WholePart(y), 0, kMaxText);
      while (!fill.empty() && static_cast<int64_t>(out.size()) < width) out += fill;
      if (static_cast<int64_t>(out.size()) > width) out.resize(static_cast<size_t>(width));
      break;
    }
    case 'z': {
      const std::string& list = textB();
      const std::string& sep = textC();
      int64_t item = std::max<int64_t>(WholePart(x), 1);
      size_t begin = 0;
      for (int64_t i = 1; i < item; ++i) {
        size_t at = sep.empty() ? std::string::npos : list.find(sep, begin);
        if (at == std::string::npos) return;
        begin = at + sep.size();
      }
      size_t end = sep.empty() ? std::string::npos : list.find(sep, begin);
      out.assign(list, begin, end == std::string::npos ? std::string::npos : end - begin);
      break;
    }
    case kReplace: {
      const std::string& t = textA();
      const std::string& with = TextOf(args[3], scratch_[2]);
      int64_t start = std::max<int64_t>(WholePart(y), 1);
      int64_t count = std::max<int64_t>(WholePart(c.number), 0);
      if (static_cast<int64_t>(t.size()) < start) {
        out = t;
        out += with;
        break;
      }
      size_t s0 = static_cast<size_t>(start - 1);
      out.assign(t, 0, s0);
      out += with;
      if (static_cast<int64_t>(s0) + count < static_cast<int64_t>(t.size())) out.append(t, s0 + static_cast<size_t>(count));
      break;
    }
    default: break;
  }
}

}  // namespace plumo
