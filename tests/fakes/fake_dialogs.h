// Dialogs that answer what the test says and remember what they showed.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <vector>

#include "platform/dialogs.h"

namespace plumo {

class FakeDialogs : public Dialogs {
 public:
  struct Shown {
    std::string text, caption;
    uint32_t style;
    uint32_t timeoutMs;
  };
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t style, uint32_t timeoutMs = 0) override {
    shown.push_back({text, caption, style, timeoutMs});
    if (whileShown) whileShown();
    return answer;
  }
  PromptAnswer AskEntry(const EntryRequest& request) override {
    entries.push_back(request);
    if (whileShown) whileShown();
    return Next();
  }
  PromptAnswer AskFile(const FileRequest& request) override {
    files.push_back(request);
    return Next();
  }
  CustomAnswer AskCustom(const CustomRequest& request) override {
    customs.push_back(request);
    return customAnswer;
  }
  void ShowPopup(const PopupRequest& request) override { popups.push_back(request); }
  void ClosePopup(PopupKind kind) override { closed.push_back(kind); }
  void ClosePopups() override { ++allClosed; }
  bool ShowTrayIcon(const std::string& title) override {
    trayTitle = title;
    return trayWorks;
  }
  void RemoveTrayIcon() override { trayTitle = "(removed)"; }
  bool CanAsk() override { return canAsk; }
  void CancelPrompts() override { ++cancels; }

  int answer = 1;
  // Entry and file answers in order; a prompt past the end is cancelled.
  std::deque<PromptAnswer> answers;
  bool canAsk = true;
  std::function<void()> whileShown;  // runs while a prompt is "open"
  std::atomic<int> cancels{0};
  std::vector<Shown> shown;
  std::vector<EntryRequest> entries;
  std::vector<FileRequest> files;
  std::vector<CustomRequest> customs;
  CustomAnswer customAnswer;  // cancelled unless a test says otherwise
  std::vector<PopupRequest> popups;
  std::vector<PopupKind> closed;
  int allClosed = 0;
  std::string trayTitle;
  bool trayWorks = true;

 private:
  PromptAnswer Next() {
    if (answers.empty()) return {};
    PromptAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace plumo
