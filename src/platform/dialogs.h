// Dialogs port: message boxes and the prompts of the User Prompts actions. Styles and answers
// use the Win32 numbers (MB_* and IDOK...). Prompts are shown on the main thread; CancelPrompts
// may be called from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace plumo {

// Flags of an entry prompt, from its options.
namespace promptflag {
constexpr uint32_t kTopmost = 1;
constexpr uint32_t kCourier = 2;
constexpr uint32_t kReadOnly = 4;  // the answer is not stored
constexpr uint32_t kDrives = 32;
constexpr uint32_t kFixedSize = 64;
constexpr uint32_t k1x2 = 128, k2x1 = 256, k2x2 = 512, k2x3 = 1024, k3x4 = 2048;
}  // namespace promptflag

enum class EntryKind { kLine, kMultiLine, kLogin, kList, kMultiList, kDate };

struct EntryRequest {
  EntryKind kind = EntryKind::kLine;
  std::string caption;
  std::string prompt;
  // The text of the edit; for a login the user name; for a list the item chosen at first;
  // for a date "yyyy-mm-dd" (empty: today).
  std::string initial;
  std::vector<std::string> items;  // list kinds
  uint32_t flags = 0;
  uint32_t timeoutMs = 0;  // 0: no limit; on time-out the prompt ends as cancelled
  size_t maxAnswer = 4096;
  uint32_t owner = 0;  // the window that owns the prompt, 0 for none
};

enum class FileKind { kOpen, kOpenMultiple, kSave, kFolder };

struct FileRequest {
  FileKind kind = FileKind::kOpen;
  std::string caption;
  // "Text Files (*.txt)|*.txt|All Files (*.*)|*.*"; a part without a pattern uses the one in
  // its parentheses.
  std::string filter;
  std::string initial;  // a file or folder to start at
  uint32_t owner = 0;
};

// Windows that stay up while the run goes on. A popup of a kind replaces the one of that kind
// that is up; it closes after its time, when clicked (messages and balloons), or by
// ClosePopups.
enum class PopupKind { kScreenMessage, kStatus, kProgress, kBalloon, kFloatingBalloon, kTrackingBalloon, kImage };

struct PopupRequest {
  PopupKind kind = PopupKind::kStatus;
  std::string caption;
  std::string text;
  int percent = 0;  // progress bar
  bool centered = true;
  int x = 0, y = 0;           // the top left corner when not centered
  int width = 0, height = 0;  // 0: as the text needs
  bool topmost = true;
  bool centerText = false;
  uint32_t timeoutMs = 0;  // 0: until closed
  std::optional<Picture> picture;  // kImage, shown at zoomPercent
  int zoomPercent = 100;
};

struct PromptAnswer {
  bool ok = false;
  // Entry: the text (login "user;password", several list items one per line, a date
  // "yyyy-mm-dd"). File: the path, several separated by '|'.
  std::string text;
};

// "Custom Dialog": up to five controls stacked in their slots' order, then OK and Cancel.
enum class CustomKind { kNone, kLabel, kEdit, kPassword, kCheckBox, kButton, kList, kFile, kFolder, kLink };

struct CustomControl {
  CustomKind kind = CustomKind::kNone;
  std::string text;                // the label or caption; a link's words
  std::vector<std::string> items;  // a list's choices
  std::string target;              // a link's address
};

struct CustomRequest {
  std::string caption;
  std::vector<CustomControl> controls;  // one per slot, kNone included
  uint32_t timeoutMs = 0;               // 0: no limit; on time-out the dialog ends as cancelled
  bool topmost = false;
  uint32_t owner = 0;
};

// Answer numbers of a custom dialog besides IDOK: the button of slot n answers kCustomButton + n.
constexpr int kCustomButton = 100;

struct CustomAnswer {
  int pressed = 0;  // 0: cancelled or timed out; IDOK; kCustomButton + slot
  // One per control: an edit's text, a check box "1" or "0", the chosen item, a path; empty
  // for the others.
  std::vector<std::string> values;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows the message and returns the button chosen (IDOK = 1 ... IDNO = 7). With timeoutMs
  // above 0 the box closes by itself after that long and the answer is 0.
  virtual int ShowMessage(const std::string& text, const std::string& caption, uint32_t style,
                          uint32_t timeoutMs = 0) = 0;
  virtual PromptAnswer AskEntry(const EntryRequest& request) = 0;
  virtual PromptAnswer AskFile(const FileRequest& request) = 0;
  virtual CustomAnswer AskCustom(const CustomRequest& request) = 0;
  // Main thread: shows or replaces the popup of its kind; returns at once.
  virtual void ShowPopup(const PopupRequest& request) = 0;
  virtual void ClosePopup(PopupKind kind) = 0;
  virtual void ClosePopups() = 0;
  // Main thread: the program's icon in the notification area with the title as its tip;
  // false when the system refused.
  virtual bool ShowTrayIcon(const std::string& title) = 0;
  virtual void RemoveTrayIcon() = 0;
  // Whether a person can answer at all (a desktop, or a terminal on standard input).
  virtual bool CanAsk() = 0;
  // Any thread: closes the prompt that is open now, as cancelled (a message box answers 0).
  virtual void CancelPrompts() = 0;
};

// The buttons a message-box style offers, by their answer numbers, and the default one.
struct MessageButtons {
  int answers[3] = {1, 0, 0};
  const char* labels[3] = {"OK", nullptr, nullptr};
  int count = 1;
  int defaultIndex = 0;
};
MessageButtons ButtonsOfStyle(uint32_t style);

}  // namespace plumo
