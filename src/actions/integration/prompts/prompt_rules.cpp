#include "actions/integration/prompts/prompt_rules.h"

#include <algorithm>

#include "base/text.h"
#include "engine/message_box.h"

namespace plumo {
namespace {

struct StyleRow {
  const char* word;
  uint32_t style;
};
// By the action name; the last row is every other message.
constexpr StyleRow kActionStyles[] = {{"Display Warning", 0x30}, {"Ask", 0x24}, {"Custom", 0}, {"", 0x40}};

// Custom buttons in the order they are tested; `also` must be present too, `without` absent.
struct ButtonRow {
  const char* word;
  const char* also;
  const char* without;
  uint32_t style;
};
constexpr ButtonRow kButtonRows[] = {
    {"Abort", nullptr, nullptr, 2}, {"OK", "Cancel", nullptr, 1}, {"OK", nullptr, "Cancel", 0},
    {"Retry", nullptr, nullptr, 5}, {"Yes", "Cancel", nullptr, 3}, {"Yes", nullptr, nullptr, 4},
};
constexpr StyleRow kIconRows[] = {{"INFO", 0x40}, {"QUESTION", 0x20}, {"WARN", 0x30}, {"STOP", 0x10}};

constexpr uint32_t kTopSystemModal = 0x41000;

constexpr const char* kAnswerNames[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No", "Close", "Help"};

constexpr StyleRow kFlagRows[] = {
    {"Top", promptflag::kTopmost}, {"Courier", promptflag::kCourier}, {"Read", promptflag::kReadOnly},
    {"Fixed", promptflag::kFixedSize}, {"1x2", promptflag::k1x2}, {"2x1", promptflag::k2x1},
    {"2x2", promptflag::k2x2}, {"2x3", promptflag::k2x3}, {"3x4", promptflag::k3x4},
};

constexpr size_t kLeadingLineBelow = 55;

}  // namespace

uint32_t MessageStyleOf(std::string_view action, std::string_view options, bool keptOnTop) {
  uint32_t style = 0;
  for (const StyleRow& row : kActionStyles) {
    if (!ContainsNoCase(action, row.word)) continue;
    style = row.style;
    if (std::string_view(row.word) == "Custom") {
      for (const ButtonRow& b : kButtonRows) {
        if (!ContainsNoCase(options, b.word)) continue;
        if (b.also && !ContainsNoCase(options, b.also)) continue;
        if (b.without && ContainsNoCase(options, b.without)) continue;
        style = b.style;
        break;
      }
      for (const StyleRow& icon : kIconRows) {
        if (ContainsNoCase(options, icon.word)) {
          style |= icon.style;
          break;
        }
      }
    }
    break;
  }
  style |= msgbox::kForeground;
  if (keptOnTop) style |= msgbox::kTopmost;
  if (ContainsNoCase(options, "top")) style |= kTopSystemModal;
  return style;
}

std::string CutMessage(std::string text) {
  if (text.size() < kMessageCutAt) return text;
  text.resize(kMessageKept);
  text += kTruncatedMark;
  return text;
}

std::string_view AnswerName(int answer) {
  if (answer < 1 || answer > 9) return "";
  return kAnswerNames[answer];
}

char ListSeparator(std::string_view text) {
  for (char c : {';', '\n', '\r', ','})
    if (std::count(text.begin(), text.end(), c) >= 2) return c;
  return ';';
}

ListText SplitListText(std::string_view text) {
  const char separator = ListSeparator(text);
  ListText out;
  bool first = true;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    std::string piece(text.substr(start, end - start));
    // Pieces of CR LF lines keep no line-end bytes.
    while (!piece.empty() && (piece.back() == '\r' || piece.back() == '\n')) piece.pop_back();
    while (!piece.empty() && (piece.front() == '\r' || piece.front() == '\n')) piece.erase(0, 1);
    if (first) {
      out.prompt = std::move(piece);
      first = false;
    } else if (!piece.empty()) {
      out.items.push_back(std::move(piece));
    }
    start = end + 1;
  }
  return out;
}

std::string WithLeadingLine(std::string prompt) {
  if (prompt.size() < kLeadingLineBelow && prompt.find_first_of("\r\n") == std::string::npos) prompt.insert(0, "\n");
  return prompt;
}

EntryKind EntryKindOf(std::string_view action, std::string_view options) {
  if (ContainsNoCase(action, "Login")) return EntryKind::kLogin;
  if (ContainsNoCase(action, "Date")) return EntryKind::kDate;
  const bool multi = ContainsNoCase(options, "Multi");
  if (ContainsNoCase(action, "List")) return multi ? EntryKind::kMultiList : EntryKind::kList;
  if (ContainsNoCase(action, "Drive")) return EntryKind::kList;
  return multi ? EntryKind::kMultiLine : EntryKind::kLine;
}

uint32_t EntryFlagsOf(std::string_view action, std::string_view options) {
  uint32_t flags = 0;
  for (const StyleRow& row : kFlagRows)
    if (ContainsNoCase(options, row.word)) flags |= row.style;
  if (ContainsNoCase(action, "Drive")) flags |= promptflag::kDrives;
  return flags;
}

PromptAnswer DefaultEntryAnswer(const EntryRequest& request) {
  PromptAnswer a;
  a.ok = true;
  switch (request.kind) {
    case EntryKind::kLogin:
      a.text = request.initial + ";";
      break;
    case EntryKind::kList:
    case EntryKind::kMultiList: {
      const auto& items = request.items;
      if (std::find(items.begin(), items.end(), request.initial) != items.end()) a.text = request.initial;
      else if (!items.empty()) a.text = items.front();
      else a.ok = false;
      break;
    }
    default:
      a.text = request.initial;
  }
  return a;
}

namespace {

struct CustomWordRow {
  const char* word;
  CustomKind kind;
};
constexpr CustomWordRow kCustomWords[] = {
    {"LABEL", CustomKind::kLabel},     {"EDIT", CustomKind::kEdit},      {"PASSWORD", CustomKind::kPassword},
    {"CHECKBOX", CustomKind::kCheckBox}, {"CHECK", CustomKind::kCheckBox}, {"BUTTON", CustomKind::kButton},
    {"LIST", CustomKind::kList},       {"FILE", CustomKind::kFile},      {"FOLDER", CustomKind::kFolder},
    {"LINK", CustomKind::kLink},       {"(none)", CustomKind::kNone},    {"", CustomKind::kNone},
};

std::string_view WithoutLineEnds(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  while (!s.empty() && (s.front() == '\r' || s.front() == '\n')) s.remove_prefix(1);
  return s;
}

// "<a href="address">words</a>": the address and the words; a text without a tag is both.
void ReadLink(std::string_view text, CustomControl& c) {
  const size_t href = FindNoCase(text, "href=");
  const size_t open = FindNoCase(text, "<a");
  if (open == std::string_view::npos || href == std::string_view::npos) {
    c.text = c.target = std::string(Trim(text));
    return;
  }
  size_t at = href + 5;
  const char quote = at < text.size() && (text[at] == '"' || text[at] == '\'') ? text[at++] : '\0';
  const size_t end = quote ? text.find(quote, at) : text.find_first_of(" >", at);
  c.target = std::string(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
  const size_t wordsAt = text.find('>', end == std::string_view::npos ? at : end);
  const size_t wordsEnd = wordsAt == std::string_view::npos ? std::string_view::npos : FindNoCase(text.substr(wordsAt), "</a");
  if (wordsAt != std::string_view::npos) c.text = std::string(Trim(text.substr(wordsAt + 1, wordsEnd == std::string_view::npos ? std::string_view::npos : wordsEnd - 1)));
  if (c.text.empty()) c.text = c.target;
}

}  // namespace

std::optional<CustomKind> CustomKindOf(std::string_view word) {
  word = Trim(word);
  for (const CustomWordRow& row : kCustomWords)
    if (EqualsNoCase(word, row.word)) return row.kind;
  return std::nullopt;
}

std::vector<std::string> CustomTexts(std::string_view text) {
  std::vector<std::string> parts;
  while (parts.size() + 1 < kCustomSlots) {
    const size_t bar = text.find('|');
    if (bar == std::string_view::npos) break;
    parts.emplace_back(text.substr(0, bar));
    text.remove_prefix(bar + 1);
  }
  parts.emplace_back(text);
  parts.resize(kCustomSlots);
  return parts;
}

CustomControl CustomControlOf(CustomKind kind, std::string_view text) {
  CustomControl c;
  c.kind = kind;
  text = WithoutLineEnds(text);
  if (kind == CustomKind::kLink) {
    ReadLink(text, c);
  } else if (kind == CustomKind::kList) {
    bool first = true;
    for (std::string_view rest = text; first || !rest.empty(); first = false) {
      const size_t end = rest.find('\n');
      std::string_view line = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (first) c.text = std::string(line);
      else if (!Trim(line).empty()) c.items.emplace_back(line);
    }
  } else {
    c.text = std::string(text);
  }
  return c;
}

CustomAnswer DefaultCustomAnswer(const CustomRequest& request) {
  CustomAnswer a;
  a.pressed = answer::kOk;
  for (const CustomControl& c : request.controls) {
    if (c.kind == CustomKind::kCheckBox) a.values.emplace_back("0");
    else if (c.kind == CustomKind::kList && !c.items.empty()) a.values.push_back(c.items.front());
    else a.values.emplace_back();
  }
  return a;
}

}  // namespace plumo
