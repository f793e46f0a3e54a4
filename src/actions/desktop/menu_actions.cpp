// The menu actions: a popup menu of our own, the system menu of a window, and an entry of a
// window's menu bar chosen by its path, with the keyboard as the fall-back.
#include <string>
#include <string_view>
#include <vector>

#include "actions/desktop/key_input.h"
#include "actions/desktop/menu_search.h"
#include "actions/desktop/window_actions.h"
#include "actions/desktop/window_activation.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"

namespace plumo {
namespace {

constexpr uint32_t kNoWindowPauseMs = 250;
constexpr uint32_t kSystemCommandTimeoutMs = 1000;
constexpr size_t kMenuTextChars = 259;
constexpr size_t kKeyPartChars = 255;

struct SystemCommand {
  const char* word;
  uint32_t command;
};
constexpr SystemCommand kSystemCommands[] = {{"max", sc::kMaximize}, {"min", sc::kMinimize}, {"restore", sc::kRestore},
                                             {"move", sc::kMove},    {"close", sc::kClose},   {"size", sc::kSize}};

int ShowPopupMenu(Session& session, int slot, int index, const std::string& text) {
  std::vector<MenuEntry> entries;
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t lf = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, lf - at);
    at = lf + 1;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    MenuEntry entry;
    entry.separator = line.rfind("---", 0) == 0;
    entry.text = line;
    entries.push_back(entry);
    lines.push_back(std::move(line));
  }
  const ScreenPoint p = session.desktop().CursorPosition();
  std::optional<size_t> chosen = session.desktop().TrackPopupMenu(entries, p.x, p.y);
  if (!chosen || *chosen >= lines.size()) return result::kFailure;
  session.StoreOutput(slot, index, lines[*chosen]);
  return result::kSuccess;
}

// The key of a character, with Shift around it where the layout needs it. Keys here are sent
// as a user would press them: one that does not arrive fails nothing, and a held key is always
// let go.
void PressCharacter(Desktop& d, char c) {
  const int16_t key = d.KeyForChar(c);
  if (key == -1) return;
  const bool shift = (key & 0x100) != 0;
  if (shift) (void)SendKey(d, vk::kShift, false);
  (void)TapKey(d, static_cast<uint32_t>(key & 0xFF));
  if (shift) (void)SendKey(d, vk::kShift, true);
}

int SelectSystemMenu(Session& session, const std::string& text) {
  Desktop& d = session.desktop();
  const std::string plain = Without(text, '&');
  for (const SystemCommand& row : kSystemCommands) {
    if (!ContainsNoCase(plain, row.word)) continue;
    (void)d.Send(session.currentWindow, wm::kSysCommand, row.command, 0, kSystemCommandTimeoutMs);  // a busy window acts later
    return result::kSuccess;
  }
  const size_t amp = text.find('&');
  if (amp != std::string::npos) {
    ActivateWindow(session, session.currentWindow, false);
    (void)SendKey(d, vk::kMenu, false);
    (void)TapKey(d, vk::kSpace);
    (void)SendKey(d, vk::kMenu, true);
    if (amp + 1 < text.size()) PressCharacter(d, text[amp + 1]);
  }
  return result::kSuccess;
}

// Presses the access key of each part of the path, Alt held for the first; the keys pressed.
int KeyboardMethod(Session& session, std::string path) {
  Desktop& d = session.desktop();
  ActivateWindow(session, session.currentWindow, false);
  for (char& c : path)
    if (c == ',') c = ';';
  int pressed = 0;
  size_t at = 0;
  for (bool first = true; at <= path.size(); first = false) {
    const size_t end = std::min(path.find(';', at), path.size());
    std::string_view part = std::string_view(path).substr(at, end - at);
    part.remove_prefix(std::min(part.find_first_not_of(' '), part.size()));
    part = part.substr(0, kKeyPartChars);
    at = end + 1;
    if (part.empty()) continue;
    const size_t amp = part.find('&');
    char key = amp != std::string_view::npos && amp + 1 < part.size() ? part[amp + 1] : part[0];
    if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');
    if (first) (void)SendKey(d, vk::kMenu, false);
    (void)TapKey(d, static_cast<uint8_t>(key));
    if (first) (void)SendKey(d, vk::kMenu, true);
    ++pressed;
  }
  return pressed;
}

int SelectMenu(Session& session, const std::string& text) {
  std::string path = text.substr(0, kMenuTextChars);
  for (const char* joint : {", ", ",", "; ", " ;"}) ReplaceAllNoCase(path, joint, ";");
  path = path.substr(0, path.find('\t'));
  const uint32_t menu = session.desktop().GetMenu(session.currentWindow);
  if (std::optional<uint32_t> id = FindMenuCommand(session.desktop(), menu, path)) {
    session.desktop().Post(session.currentWindow, wm::kCommand, *id & 0xFFFF, 0);
    return result::kSuccess;
  }
  session.SetError(FormatText("Unable to find menu \"%s\", trying keyboard method...", path.c_str()));
  if (KeyboardMethod(session, path) > 0) return result::kSuccess;
  return session.Fail(FormatText("Unable to find menu '%s'", path.c_str()));
}

}  // namespace

int MenuExecutor(Session& session, int slot, int index, bool) {
  if (!session.desktop().HasDesktop()) return NeedsDesktop(session, slot, index);
  const Step& step = session.scripts.At(slot)->steps[static_cast<size_t>(index)];
  const std::string text = session.ExpandStep(step.text, slot, index);
  if (session.currentWindow == 0) {
    session.clock().Sleep(kNoWindowPauseMs);
    session.currentWindow = session.desktop().ForegroundWindow();
  }
  std::string_view name = step.action;
  if (ContainsNoCase(name, "Show Popup Menu")) return ShowPopupMenu(session, slot, index, text);
  if (ContainsNoCase(name, "Select System")) return SelectSystemMenu(session, text);
  if (ContainsNoCase(name, "Select Menu")) return SelectMenu(session, text);
  return session.Fail(FormatText("Unable to find menu '%s'", text.c_str()));
}

}  // namespace plumo
