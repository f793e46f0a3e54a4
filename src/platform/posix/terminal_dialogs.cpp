#include "platform/posix/terminal_dialogs.h"

#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "base/text.h"

namespace plumo {
namespace {

constexpr int kPollMs = 100;

uint32_t NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

// Turns the terminal's echo off while a password is typed.
class NoEcho {
 public:
  explicit NoEcho(int fd) : fd_(fd) {
    if (tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = tcsetattr(fd_, TCSANOW, &quiet) == 0;
  }
  ~NoEcho() {
    if (active_) tcsetattr(fd_, TCSANOW, &saved_);
  }

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

}  // namespace

void TerminalDialogs::ShowPopup(const PopupRequest& r) {
  std::string line = r.text;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  if (r.kind == PopupKind::kProgress) std::fprintf(out_, "[%d%%] ", r.percent);
  std::fprintf(out_, "%s%s%s\n", r.caption.c_str(), r.caption.empty() ? "" : ": ", line.c_str());
  std::fflush(out_);
}

bool TerminalDialogs::CanAsk() { return isatty(fileno(in_)) && isatty(fileno(out_)); }

std::optional<std::string> TerminalDialogs::ReadLine(uint32_t timeoutMs, bool echo) {
  const int fd = fileno(in_);
  std::optional<NoEcho> quiet;
  if (!echo) quiet.emplace(fd);
  const uint32_t start = NowMs();
  std::string line;
  for (;;) {
    if (cancel_) return std::nullopt;
    if (timeoutMs && NowMs() - start >= timeoutMs) {
      std::fprintf(out_, "\n(time limit reached)\n");
      return std::nullopt;
    }
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, kPollMs);
    if (ready <= 0) continue;
    char c;
    const ssize_t n = read(fd, &c, 1);
    if (n <= 0) return std::nullopt;
    if (c == '\n') break;
    if (c != '\r') line.push_back(c);
  }
  if (!echo) std::fprintf(out_, "\n");
  return line;
}

void TerminalDialogs::Header(const std::string& caption, const std::string& prompt) {
  const std::string_view p = Trim(prompt);
  std::fprintf(out_, "%s%s%.*s\n", caption.c_str(), Trim(caption).empty() || p.empty() ? "" : ": ",
               static_cast<int>(p.size()), p.data());
}

int TerminalDialogs::ShowMessage(const std::string& text, const std::string& caption, uint32_t style,
                                 uint32_t timeoutMs) {
  cancel_ = false;
  MessageButtons b = ButtonsOfStyle(style);
  const char* def = b.labels[b.defaultIndex];
  std::fprintf(out_, "%s%s%s\n", caption.c_str(), Trim(caption).empty() ? "" : ": ", text.c_str());
  if (!CanAsk()) {
    std::fprintf(out_, "(no terminal: answered %s)\n", def);
    return b.answers[b.defaultIndex];
  }
  for (;;) {
    std::fprintf(out_, "[");
    for (int i = 0; i < b.count; ++i) std::fprintf(out_, "%s%s", i ? "/" : "", b.labels[i]);
    std::fprintf(out_, "] (Enter: %s)? ", def);
    std::fflush(out_);
    std::optional<std::string> line = ReadLine(timeoutMs);
    if (!line) return 0;
    std::string_view answer = Trim(*line);
    if (answer.empty()) return b.answers[b.defaultIndex];
    for (int i = 0; i < b.count; ++i)
      if (StartsWithNoCase(b.labels[i], answer)) return b.answers[i];
  }
}

PromptAnswer TerminalDialogs::AskEntry(const EntryRequest& r) {
  cancel_ = false;
  PromptAnswer a;
  Header(r.caption, r.prompt);
  switch (r.kind) {
    case EntryKind::kLogin: {
      std::fprintf(out_, "User name%s%s%s: ", r.initial.empty() ? "" : " [", r.initial.c_str(), r.initial.empty() ? "" : "]");
      std::fflush(out_);
      std::optional<std::string> user = ReadLine(r.timeoutMs);
      if (!user) return a;
      std::fprintf(out_, "Password: ");
      std::fflush(out_);
      std::optional<std::string> password = ReadLine(r.timeoutMs, false);
      if (!password) return a;
      a.text = (user->empty() ? r.initial : *user) + ";" + *password;
      break;
    }
    case EntryKind::kList:
    case EntryKind::kMultiList: {
      std::vector<std::string> items = r.items;
      if (r.flags & promptflag::kDrives) items = {"/"};
      for (size_t i = 0; i < items.size(); ++i) std::fprintf(out_, "  %zu. %s\n", i + 1, items[i].c_str());
      std::fprintf(out_, "%s (Enter: %s)? ", r.kind == EntryKind::kMultiList ? "Numbers, separated by commas" : "Number",
                   r.initial.empty() && !items.empty() ? items[0].c_str() : r.initial.c_str());
      std::fflush(out_);
      std::optional<std::string> line = ReadLine(r.timeoutMs);
      if (!line || items.empty()) return a;
      if (Trim(*line).empty()) {
        a.text = r.initial.empty() ? items[0] : r.initial;
        break;
      }
      const char* at = line->c_str();
      while (*at) {
        char* end = nullptr;
        const long n = std::strtol(at, &end, 10);
        if (end == at) {
          ++at;
          continue;
        }
        if (n >= 1 && static_cast<size_t>(n) <= items.size()) {
          if (!a.text.empty()) a.text.push_back('\n');
          a.text += items[static_cast<size_t>(n - 1)];
          if (r.kind == EntryKind::kList) break;
        }
        at = end;
      }
      if (a.text.empty()) return a;
      break;
    }
    case EntryKind::kMultiLine: {
      std::fprintf(out_, "(end with a line holding only \".\")\n");
      std::fflush(out_);
      for (;;) {
        std::optional<std::string> line = ReadLine(r.timeoutMs);
        if (!line) return a;
        if (*line == ".") break;
        if (!a.text.empty()) a.text += "\r\n";
        a.text += *line;
        if (a.text.size() > r.maxAnswer) break;
      }
      break;
    }
    default: {
      std::fprintf(out_, "%s%s%s%s: ", r.kind == EntryKind::kDate ? "Date (yyyy-mm-dd)" : "Value",
                   r.initial.empty() ? "" : " [", r.initial.c_str(), r.initial.empty() ? "" : "]");
      std::fflush(out_);
      std::optional<std::string> line = ReadLine(r.timeoutMs);
      if (!line) return a;
      a.text = line->empty() ? r.initial : *line;
    }
  }
  a.ok = true;
  return a;
}

PromptAnswer TerminalDialogs::AskFile(const FileRequest& r) {
  cancel_ = false;
  PromptAnswer a;
  Header(r.caption, r.kind == FileKind::kFolder ? "Folder" : r.filter);
  std::fprintf(out_, "%s%s%s%s (empty: cancel): ", r.kind == FileKind::kFolder ? "Folder" : "File",
               r.initial.empty() ? "" : " [", r.initial.c_str(), r.initial.empty() ? "" : "]");
  std::fflush(out_);
  std::optional<std::string> line = ReadLine(0);
  if (!line) return a;
  a.text = line->empty() ? r.initial : *line;
  a.ok = !a.text.empty();
  return a;
}

CustomAnswer TerminalDialogs::AskCustom(const CustomRequest& r) {
  cancel_ = false;
  CustomAnswer a;
  Header(r.caption, "");
  auto ask = [&](const std::string& label, bool echo) -> std::optional<std::string> {
    std::fprintf(out_, "%s%s", label.c_str(), Trim(label).empty() || label.back() == ' ' ? "" : " ");
    std::fflush(out_);
    return ReadLine(r.timeoutMs, echo);
  };
  // The items numbered from 1; the one whose number is typed (Enter: the first), past the end
  // for none of them, nothing at the end of input.
  auto choose = [&](const std::vector<std::string>& items) -> std::optional<size_t> {
    for (size_t i = 0; i < items.size(); ++i) std::fprintf(out_, "  %zu. %s\n", i + 1, items[i].c_str());
    const std::optional<std::string> typed = ask("Number (Enter: 1)?", true);
    if (!typed) return std::nullopt;
    const long n = Trim(*typed).empty() ? 1 : std::strtol(typed->c_str(), nullptr, 10);
    return n >= 1 ? static_cast<size_t>(n - 1) : items.size();
  };
  std::vector<int> buttons{1};  // OK, then the buttons' answers
  std::vector<std::string> names{"OK"};
  for (size_t n = 0; n < r.controls.size(); ++n) {
    const CustomControl& c = r.controls[n];
    std::optional<std::string> line = std::string();
    switch (c.kind) {
      case CustomKind::kLabel: std::fprintf(out_, "%s\n", c.text.c_str()); break;
      case CustomKind::kLink: std::fprintf(out_, "%s <%s>\n", c.text.c_str(), c.target.c_str()); break;
      case CustomKind::kEdit:
      case CustomKind::kFile:
      case CustomKind::kFolder: line = ask(c.text, true); break;
      case CustomKind::kPassword: line = ask(c.text, false); break;
      case CustomKind::kCheckBox:
        line = ask(c.text + " (y/N)", true);
        if (line) *line = !line->empty() && (line->front() == 'y' || line->front() == 'Y') ? "1" : "0";
        break;
      case CustomKind::kList: {
        std::fprintf(out_, "%s\n", c.text.c_str());
        const std::optional<size_t> i = choose(c.items);
        if (!i) return {};
        *line = *i < c.items.size() ? c.items[*i] : std::string();
        break;
      }
      case CustomKind::kButton:
        buttons.push_back(kCustomButton + static_cast<int>(n) + 1);
        names.push_back(c.text);
        break;
      case CustomKind::kNone: break;
    }
    if (!line) return {};
    a.values.push_back(*line);
  }
  names.emplace_back("Cancel");
  const std::optional<size_t> i = choose(names);
  if (!i) return {};
  if (*i < buttons.size()) a.pressed = buttons[*i];
  return a;
}

}  // namespace plumo
