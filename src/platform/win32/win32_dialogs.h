#pragma once

#include <windows.h>

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
  bool CanAsk() override { return true; }
  void CancelPrompts() override;

  // The helpers of the prompts open now.
  void Opened(HWND helper);
  void Closed(HWND helper);

 private:
  std::mutex mu_;
  std::set<HWND> helpers_;
};

}  // namespace plumo
