#include "actions/programs/dll_call_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "base/text.h"

namespace plumo {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kExpressionChars = "0123456789()<>=., \r\n\t+-*/^%";
constexpr std::string_view kOperators = "*/+-=!(";
constexpr std::string_view kNumberChars = "0123456789.+- \t\r\n";

bool NameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}
bool VariableChar(char c) { return (NameChar(c) && c != '-') || c == '.' || c == '[' || c == ']'; }
bool OnlyOf(std::string_view s, std::string_view set) { return s.find_first_not_of(set) == std::string_view::npos; }

std::string_view TrimBlanks(std::string_view s) {
  const size_t b = s.find_first_not_of(kBlanks);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(kBlanks) - b + 1);
}

std::string FunctionName(std::string_view head) {
  head = TrimBlanks(head);
  size_t end = head.size();
  while (end > 0 && !NameChar(head[end - 1])) --end;
  size_t begin = end;
  while (begin > 0 && NameChar(head[begin - 1])) --begin;
  return std::string(head.substr(begin, std::min(end - begin, kDllFunctionNameWidth)));
}

// Commas inside quotes or inner parentheses do not split.
std::vector<std::string_view> Pieces(std::string_view list) {
  std::vector<std::string_view> pieces;
  char quote = 0;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    const char c = list[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (c == ',' && depth == 0) {
      pieces.push_back(list.substr(start, i - start));
      start = i + 1;
    }
  }
  pieces.push_back(list.substr(start));
  return pieces;
}

// "%name" alone: the name; empty for anything else.
std::string VariableName(std::string_view piece) {
  if (piece.empty() || piece[0] != '%') return "";
  std::string_view name = piece.substr(1);
  const size_t end = name.find_first_of(" ,)");
  if (!OnlyOf(TrimBlanks(name.substr(std::min(end, name.size()))), "); \t\r\n")) return "";
  name = name.substr(0, end);
  if (name.empty() || !std::all_of(name.begin(), name.end(), VariableChar)) return "";
  return std::string(name.substr(0, kDllVariableWidth));
}

bool Quoted(std::string_view s) {
  return s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front();
}

}  // namespace

uint64_t DllNumber(std::string_view text) {
  const std::string s(TrimBlanks(text));
  char* end = nullptr;
  const long long whole = std::strtoll(s.c_str(), &end, 10);
  if (end && *end != '.') return static_cast<uint64_t>(whole);
  const double d = std::strtod(s.c_str(), nullptr);
  if (!std::isfinite(d) || std::fabs(d) >= 9.2e18) return 0;
  return static_cast<uint64_t>(static_cast<int64_t>(d));
}

DllCallText ParseDllCall(std::string_view text, const DllArgumentHost& host) {
  DllCallText call;
  const size_t open = text.find('(');
  call.function = FunctionName(text.substr(0, open));
  if (open == std::string_view::npos) return call;
  std::vector<std::string_view> pieces = Pieces(text.substr(open + 1));
  std::string_view& last = pieces.back();
  last = TrimBlanks(last);
  if (!last.empty() && last.back() == ';') last = TrimBlanks(last.substr(0, last.size() - 1));
  if (!last.empty() && last.back() == ')') last = last.substr(0, last.size() - 1);
  if (pieces.size() == 1 && TrimBlanks(last).empty()) return call;

  for (std::string_view raw : pieces) {
    std::string_view piece = raw.substr(std::min(raw.find_first_not_of(kBlanks), raw.size()));
    if (StartsWithNoCase(piece, "VOID")) continue;
    ++call.count;
    if (call.arguments.size() >= kDllArgumentSlots) continue;
    DllArgument arg;
    std::string value(piece.substr(0, kDllArgumentWidth));
    arg.variable = VariableName(piece);
    if (!arg.variable.empty()) {
      value = host.variable(arg.variable);
    } else if (value.find('%') != std::string::npos && !Quoted(TrimBlanks(value))) {
      value = host.expand(value);
    }
    std::string_view v = TrimBlanks(value);
    if (arg.variable.empty() && OnlyOf(v, kExpressionChars) && v.find_first_of(kOperators) != std::string_view::npos)
      value = host.evaluate(v), v = TrimBlanks(value);
    if (!arg.variable.empty()) {
      arg.numeric = !v.empty() && OnlyOf(v, kNumberChars);
    } else if (EqualsNoCase(v, "NULL")) {
      value = "0", arg.numeric = true;
    } else if (Quoted(v)) {
      value = std::string(v.substr(1, v.size() - 2));
    } else if (!OnlyOf(v, kNumberChars)) {
      value = host.constant(v), arg.numeric = true;
    } else {
      arg.numeric = true;
    }
    while (!value.empty() && value.back() == ' ') value.pop_back();
    arg.text = value.substr(0, kDllArgumentWidth);
    call.arguments.push_back(std::move(arg));
  }
  return call;
}

}  // namespace plumo
