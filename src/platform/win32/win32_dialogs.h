#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <set>

#include "platform/dialogs.h"

namespace plumo {

// Message boxes, the entry prompts (our own dialogs, laid out from the font's measures) and the
// common file and folder dialogs. Each prompt has a hidden helper window on its thread: it
// ends the prompt on time-out and when CancelPrompts posts to it from another thread.
class Win32Dialogs : public Dialogs {
 public:
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t style, uint32_t timeoutMs = 0) override;
  PromptAnswer AskEntry(const EntryRequest& request) override;
  PromptAnswer AskFile(const FileRequest& request) override;
  CustomAnswer AskCustom(const CustomRequest& request) override;
  void ShowPopup(const PopupRequest& request) override;
  void ClosePopup(PopupKind kind) override;
  void ClosePopups() override;
  bool ShowTrayIcon(const std::string& title) override;
  void RemoveTrayIcon() override;
  bool CanAsk() override { return true; }
  void CancelPrompts() override;

  // A popup window that is going away.
  void Forget(HWND popup);
  // The helpers of the prompts open now.
  void Opened(HWND helper);
  void Closed(HWND helper);

 private:
  std::mutex mu_;
  std::set<HWND> helpers_;
  // Main thread: the popups that are up, and the notification-area icon.
  std::map<PopupKind, HWND> popups_;
  HWND tray_ = nullptr;
  bool trayShown_ = false;
  bool trayForBalloon_ = false;  // added only to carry a balloon
};

}  // namespace plumo
