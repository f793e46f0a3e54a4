#pragma once

#include <atomic>
#include <cstdio>
#include <optional>

#include "platform/dialogs.h"

namespace plumo {

// Prompts without a desktop, asked on the terminal when standard input is one. Message boxes
// asked without a terminal answer the default button and say so on the error stream; the
// User Prompts actions ask CanAsk first and log their default answers themselves.
class TerminalDialogs : public Dialogs {
 public:
  TerminalDialogs(FILE* in = stdin, FILE* out = stderr) : in_(in), out_(out) {}
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t style, uint32_t timeoutMs = 0) override;
  PromptAnswer AskEntry(const EntryRequest& request) override;
  PromptAnswer AskFile(const FileRequest& request) override;
  // Field by field; the buttons become a numbered choice at the end.
  CustomAnswer AskCustom(const CustomRequest& request) override;
  // Popups become lines on the error stream; there is no notification area.
  void ShowPopup(const PopupRequest& request) override;
  void ClosePopup(PopupKind) override {}
  void ClosePopups() override {}
  bool ShowTrayIcon(const std::string&) override { return false; }
  void RemoveTrayIcon() override {}
  bool CanAsk() override;
  void CancelPrompts() override { cancel_ = true; }

 private:
  // A line without its line end; nothing at the end of input, on time-out or when cancelled.
  std::optional<std::string> ReadLine(uint32_t deadline, bool echo = true);
  void Header(const std::string& caption, const std::string& prompt);

  FILE* in_;
  FILE* out_;
  std::atomic<bool> cancel_{false};
};

}  // namespace plumo
