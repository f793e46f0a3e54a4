// A desktop of windows a test lays out: titles in Z order from the foreground window, pixels,
// a screen picture, keys held down, and a log of what was done to the windows.
#pragma once

#include <algorithm>
#include <functional>
// A desktop of windows a test lays out: a tree of windows in Z order with their titles,
// classes, IDs, styles, rectangles, items and menus; pixels, keys held down; and a record of
// what was done to the windows, in order. Messages behave as the common controls answer them.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <vector>

#include "platform/desktop.h"

namespace plumo {

class FakeDesktop : public Desktop {
 public:
  static constexpr uint32_t kThisThread = 99;
  static constexpr uint32_t kDesktopWindow = 0x10010;

  struct Window {
    uint32_t handle;
    std::string title;
    bool visible = true;
    bool framed = true;  // a sizing border (WS_THICKFRAME)
    std::vector<Window> children = {};
    std::string className = {};
    int64_t id = 0;
    int64_t userData = 0;
    uint32_t style = 0;  // further style bits
    WindowRect rect = {};
    uint32_t owner = 0;
    uint32_t thread = 1;
    uint32_t process = 1;
    bool hung = false;         // answers no message
    bool asksOnClose = false;  // a close request opens a question that nobody answers
    std::vector<std::string> items = {};
    std::set<int> selected = {};  // selected items; for one-choice lists the first is the choice
    int64_t check = 0;
    uint32_t menu = 0;
  };

  // A visible child control without a frame.
  static Window Control(uint32_t handle, std::string className, std::string title = {}, int64_t id = 0,
                        uint32_t style = 0) {
    Window w{handle, std::move(title), true, false};
    w.className = std::move(className);
    w.id = id;
    w.style = style;
    return w;
  }

  // Windows from the foreground one down; their children in Z order.
  void SetWindows(std::vector<Window> windows) {
    nodes_.clear();
    top_.clear();
    for (Window& w : windows) top_.push_back(Add(std::move(w), 0));
    foreground_ = top_.empty() ? 0 : top_.front();
  }
  Window* Get(uint32_t handle) {
    auto it = nodes_.find(handle);
    return it == nodes_.end() ? nullptr : &it->second.window;
  }
  uint32_t ParentOf(uint32_t handle) {
    auto it = nodes_.find(handle);
    return it == nodes_.end() ? 0 : it->second.parent;
  }
  bool Has(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }

  // ---- The port ----
  uint32_t ForegroundWindow() override {
    if (foreground_ && IsWindow(foreground_)) return foreground_;
    return top_.empty() ? 0 : top_.front();
  }
  bool IsWindow(uint32_t handle) override { return handle != 0 && nodes_.count(handle) > 0; }
  uint32_t FindWindowByTitle(const std::string& title) override {
    ++exactLookups;
    if (!exactLookupWorks) return 0;
    for (uint32_t h : top_)
      if (EqualFold(nodes_[h].window.title, title)) return h;
    return 0;
  }
  uint32_t FindWindowByClass(const std::string& className) override {
    for (uint32_t h : top_)
      if (EqualFold(nodes_[h].window.className, className)) return h;
    return 0;
  }
  std::vector<TitledWindow> WindowsFromForeground() override {
    std::vector<TitledWindow> out;
    for (uint32_t h : top_) {
      const Window& w = nodes_[h].window;
      if (IsWindowVisible(h) && !w.title.empty()) out.push_back({h, w.title.substr(0, 62)});
    }
    return out;
  }
  bool ActivateWindow(uint32_t handle) override {
    activated.push_back(handle);
    return IsWindow(handle);
  }
  bool RequestClose(uint32_t handle) override {
    closed.push_back(handle);
    const bool existed = IsWindow(handle);
    Remove(handle);
    return existed;
  }
  uint32_t WalkWindows(uint32_t handle, WindowStep step) override {
    if (step == WindowStep::kTop) return top_.empty() ? 0 : top_.front();
    auto it = nodes_.find(handle);
    if (it == nodes_.end()) return 0;
    switch (step) {
      case WindowStep::kFirstChild: return it->second.children.empty() ? 0 : it->second.children.front();
      case WindowStep::kParent: return it->second.parent ? it->second.parent : it->second.window.owner;
      case WindowStep::kOwner: return it->second.window.owner;
      default: break;
    }
    const std::vector<uint32_t>& siblings = Siblings(handle);
    auto at = std::find(siblings.begin(), siblings.end(), handle);
    return at + 1 < siblings.end() ? *(at + 1) : 0;
  }
  bool IsFramedTopLevel(uint32_t handle) override {
    auto it = nodes_.find(handle);
    if (it == nodes_.end() || it->second.parent) return false;
    return IsWindowVisible(handle) && (it->second.window.style & (ws::kDlgFrame | ws::kThickFrame)) != 0;
  }
  std::optional<uint32_t> PixelColor(int32_t x, int32_t y) override {
    auto it = pixels.find({x, y});
    if (it == pixels.end()) return std::nullopt;
    return it->second;
  }
  ScreenInfo Screen() override { return screen; }
  bool IsKeyPressed(uint32_t vk) override { return keysDown.count(vk) > 0; }
  bool KeyPressedAsync(uint32_t vk) override {
    if (beforeKeyAsked) beforeKeyAsked();
    return keysDown.count(vk) > 0 || pressedSince.erase(vk) > 0;
  }
  OsError ReleaseKey(uint32_t vk, bool extended) override {
    released.push_back(std::string(extended ? "x" : "") + std::to_string(vk));
    return OsError::Ok();
  }
  OsError PressKey(uint32_t vk, bool) override {
    pressedKeys.push_back(std::to_string(vk));
    return OsError::Ok();
  }
  OsError ReleaseLeftButton() override {
    released.push_back("mouse");
    return OsError::Ok();
  }
  std::optional<WindowFacts> Facts(uint32_t handle) override {
    auto it = facts.find(handle);
    if (it != facts.end()) return it->second;
    const Window* w = Get(handle);
    if (!w) return std::nullopt;
    WindowFacts f;
    f.title = w->title;
    f.className = w->className;
    f.controlId = static_cast<uint32_t>(w->id);
    f.userData = static_cast<uint64_t>(w->userData);
    f.left = w->rect.left;
    f.top = w->rect.top;
    f.width = w->rect.right - w->rect.left;
    f.height = w->rect.bottom - w->rect.top;
    return f;
  }
  ScreenPoint CursorPosition() override { return cursor; }
  std::vector<MonitorArea> Monitors() override { return monitors; }
  ScreenRect VirtualScreen() override {
    return {screenPicture.left, screenPicture.top, screenPicture.left + screenPicture.width(),
            screenPicture.top + screenPicture.height()};
  }
  // A copy of the area of `screenPicture`, as the system's capture is a copy.
  std::optional<Picture> CaptureScreen(const ScreenRect& area, bool slow, OsError* error) override {
    captures.push_back(slow ? "slow" : "fast");
    if (beforeCapture) beforeCapture();
    if (!canCapture || (!slow && !fastCaptureWorks)) {
      *error = OsError(slow ? "GetPixel" : "BitBlt", oscode::kNotSupported, "needs a desktop session");
      return std::nullopt;
    }
    const ScreenRect v = VirtualScreen();
    const ScreenRect a{std::max(area.left, v.left), std::max(area.top, v.top), std::min(area.right, v.right),
                       std::min(area.bottom, v.bottom)};
    std::optional<Picture> out = Picture::Allocate(std::max(0, a.Width()), std::max(0, a.Height()));
    for (int32_t y = 0; y < out->height(); ++y)
      for (int32_t x = 0; x < out->width(); ++x) out->Row(y)[x] = screenPicture.At(a.left - v.left + x, a.top - v.top + y);
    out->left = a.left;
    out->top = a.top;
    out->bitsPerPixel = static_cast<uint16_t>(screen.bitsPerPixel);
    return out;
  }
  std::optional<Picture> ReadPictureFile(const std::string& path, OsError* error) override {
    auto it = pictureFiles.find(path);
    if (it != pictureFiles.end()) return it->second;
    *error = OsError("ReadPictureFile", oscode::kFileNotFound, "no such picture");
    return std::nullopt;
  }
  bool HasDesktop() override { return hasDesktop; }

  std::vector<uint32_t> EnumWindows() override {
    ++enumerations;
    return top_;
  }
  uint32_t DesktopWindow() override { return kDesktopWindow; }
  std::vector<uint32_t> EnumChildWindows(uint32_t parent) override {
    std::vector<uint32_t> out;
    if (IsWindow(parent)) Descendants(parent, &out);
    return out;
  }
  std::string ClassName(uint32_t handle) override {
    const Window* w = Get(handle);
    return w ? w->className : std::string();
  }
  std::string WindowText(uint32_t handle, size_t maxChars) override {
    const Window* w = Get(handle);
    return w ? w->title.substr(0, maxChars) : std::string();
  }
  int64_t WindowLong(uint32_t handle, int index) override {
    const Window* w = Get(handle);
    if (!w) return 0;
    switch (index) {
      case gwl::kStyle: return static_cast<int32_t>(w->style);
      case gwl::kExStyle: return exStyle[handle];
      case gwl::kId: return w->id;
      case gwl::kUserData: return w->userData;
    }
    return 0;
  }
  bool ChangeWindowLong(uint32_t handle, int index, int64_t value) override {
    Window* w = Get(handle);
    if (!w) return false;
    Record("SetWindowLong", handle, index, value);
    if (index == gwl::kStyle) w->style = static_cast<uint32_t>(value);
    if (index == gwl::kExStyle) exStyle[handle] = value;
    if (index == gwl::kUserData) w->userData = value;
    if (index == gwl::kId) w->id = value;
    return true;
  }
  std::optional<WindowRect> GetWindowRect(uint32_t handle) override {
    const Window* w = Get(handle);
    if (!w) return std::nullopt;
    return w->rect;
  }
  bool IsWindowVisible(uint32_t handle) override {
    for (uint32_t h = handle; h; h = ParentOf(h)) {
      const Window* w = Get(h);
      if (!w || !(w->style & ws::kVisible)) return false;
    }
    return true;
  }
  bool IsIconic(uint32_t handle) override { return StyleHas(handle, ws::kMinimize); }
  bool IsZoomed(uint32_t handle) override { return StyleHas(handle, ws::kMaximize); }
  bool IsWindowEnabled(uint32_t handle) override { return IsWindow(handle) && !StyleHas(handle, ws::kDisabled); }
  uint32_t WindowFromPoint(int32_t x, int32_t y) override {
    for (uint32_t h : top_)
      if (uint32_t hit = Hit(h, x, y)) return hit;
    return 0;
  }
  uint32_t GetWindowThreadProcessId(uint32_t handle, uint32_t* processId) override {
    const Window* w = Get(handle);
    if (processId) *processId = w ? w->process : 0;
    return w ? w->thread : 0;
  }
  uint32_t GetCurrentThreadId() override { return kThisThread; }
  bool AttachThreadInput(uint32_t thread, uint32_t toThread, bool attach) override {
    calls.push_back((attach ? "Attach " : "Detach ") + std::to_string(thread) + " " + std::to_string(toThread));
    if (attach && attachRefused && thread != kThisThread) return false;
    if (attach) attachedTo_.insert(thread == kThisThread ? toThread : thread);
    else attachedTo_.erase(thread == kThisThread ? toThread : thread);
    return true;
  }
  // The focus is seen only from the focus owner's thread or one attached to it.
  uint32_t GetFocus() override {
    const Window* w = Get(focus);
    if (!w) return 0;
    return attachedTo_.count(w->thread) ? focus : 0;
  }
  uint32_t GetNextDlgTabItem(uint32_t dialog, uint32_t control) override {
    auto it = nodes_.find(dialog);
    if (it == nodes_.end()) return 0;
    const std::vector<uint32_t>& kids = it->second.children;
    auto at = std::find(kids.begin(), kids.end(), control);
    if (at == kids.end()) return 0;
    for (size_t step = 1; step <= kids.size(); ++step) {
      const uint32_t h = kids[(static_cast<size_t>(at - kids.begin()) + step) % kids.size()];
      if (StyleHas(h, ws::kTabStop) && IsWindowVisible(h)) return h;
    }
    return control;
  }
  bool SetForegroundWindow(uint32_t handle) override {
    Record("SetForegroundWindow", handle);
    if (!IsWindow(handle) || refuseForeground.count(handle)) return false;
    uint32_t top = handle;
    while (ParentOf(top)) top = ParentOf(top);
    foreground_ = top;
    Raise(top);
    return true;
  }
  bool BringWindowToTop(uint32_t handle) override {
    Record("BringWindowToTop", handle);
    if (!IsWindow(handle)) return false;
    Raise(handle);
    return true;
  }
  uint32_t SetActiveWindow(uint32_t handle) override {
    Record("SetActiveWindow", handle);
    return IsWindow(handle) ? handle : 0;
  }
  uint32_t SetFocus(uint32_t handle) override {
    Record("SetFocus", handle);
    const uint32_t old = focus;
    if (IsWindow(handle)) focus = handle;
    return old;
  }
  bool ShowWindow(uint32_t handle, int command) override {
    Window* w = Get(handle);
    Record("ShowWindow", handle, command);
    if (!w) return false;
    switch (command) {
      case sw::kHide: w->style &= ~ws::kVisible; break;
      case sw::kShow: w->style |= ws::kVisible; break;
      case sw::kMinimize: w->style = (w->style | ws::kMinimize) & ~ws::kMaximize; break;
      case sw::kMaximize: w->style = (w->style | ws::kMaximize | ws::kVisible) & ~ws::kMinimize; break;
      case sw::kRestore: w->style = (w->style | ws::kVisible) & ~(ws::kMinimize | ws::kMaximize); break;
    }
    return true;
  }
  bool SetWindowPos(uint32_t handle, uint32_t insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                    uint32_t flags) override {
    Window* w = Get(handle);
    Record("SetWindowPos", handle, insertAfter, x, y, cx, cy, flags);
    if (!w) return false;
    if (!(flags & swp::kNoMove)) {
      w->rect.right += x - w->rect.left;
      w->rect.bottom += y - w->rect.top;
      w->rect.left = x;
      w->rect.top = y;
    }
    if (!(flags & swp::kNoSize)) {
      w->rect.right = w->rect.left + cx;
      w->rect.bottom = w->rect.top + cy;
    }
    if (!(flags & swp::kNoZOrder) && insertAfter == swp::kTopMost) exStyle[handle] |= kExTopMost;
    if (!(flags & swp::kNoZOrder) && insertAfter == swp::kNoTopMost) exStyle[handle] &= ~kExTopMost;
    return true;
  }
  bool EnableWindow(uint32_t handle, bool enable) override {
    Window* w = Get(handle);
    Record("EnableWindow", handle, enable);
    if (!w) return false;
    w->style = enable ? (w->style & ~ws::kDisabled) : (w->style | ws::kDisabled);
    return true;
  }
  bool RedrawWindow(uint32_t handle) override {
    Record("RedrawWindow", handle);
    return IsWindow(handle);
  }
  bool DestroyWindow(uint32_t handle) override {
    Record("DestroyWindow", handle);
    if (!IsWindow(handle) || !destroyWorks) return false;
    Remove(handle);
    return true;
  }

  std::optional<int64_t> Send(uint32_t handle, uint32_t msg, uint64_t wParam, int64_t lParam,
                              uint32_t timeoutMs) override {
    Record("Send", handle, msg, static_cast<int64_t>(wParam), lParam);
    Window* w = Get(handle);
    if (!w) return std::nullopt;
    // A question asked while closing holds the sender as a hung window would.
    if (w->hung || (msg == wm::kClose && w->asksOnClose)) {
      waitedMs += timeoutMs;
      return std::nullopt;
    }
    return Answer(handle, *w, msg, wParam, lParam);
  }
  bool Post(uint32_t handle, uint32_t msg, uint64_t wParam, int64_t lParam) override {
    Record("Post", handle, msg, static_cast<int64_t>(wParam), lParam);
    Window* w = Get(handle);
    if (!w) return false;
    if (!w->hung) Answer(handle, *w, msg, wParam, lParam);
    return true;
  }
  std::optional<int64_t> SendTextMessage(uint32_t handle, uint32_t msg, uint64_t wParam, const std::string& text) override {
    calls.push_back("SendText " + std::to_string(handle) + " " + std::to_string(msg) + " " + text);
    Window* w = Get(handle);
    if (!w || w->hung) return std::nullopt;
    if (msg == wm::kSetText) {
      w->title = text;
      return 1;
    }
    if (msg == wm::kLbAddString || msg == wm::kCbAddString) {
      w->items.push_back(text);
      return static_cast<int64_t>(w->items.size() - 1);
    }
    (void)wParam;
    return 0;
  }
  std::optional<std::string> SendBufferMessage(uint32_t handle, uint32_t msg, uint64_t wParam, size_t maxChars,
                                               uint32_t timeoutMs) override {
    Window* w = Get(handle);
    if (!w) return std::nullopt;
    if (w->hung) {
      waitedMs += timeoutMs;
      return std::nullopt;
    }
    if (msg == wm::kGetText) return w->title.substr(0, std::min<size_t>(maxChars, wParam ? wParam - 1 : 0));
    if (msg == wm::kLbGetText || msg == wm::kCbGetLbText) {
      if (wParam >= w->items.size()) return std::nullopt;
      return w->items[wParam].substr(0, maxChars);
    }
    return std::string();
  }
  int64_t SendToDlgItem(uint32_t dialog, int32_t id, uint32_t msg, uint64_t wParam, int64_t lParam) override {
    auto it = nodes_.find(dialog);
    if (it == nodes_.end()) return 0;
    for (uint32_t h : it->second.children)
      if (nodes_[h].window.id == id) return Send(h, msg, wParam, lParam, 0).value_or(0);
    return 0;
  }
  std::optional<std::string> ListViewItemText(uint32_t handle, int item, size_t maxChars) override {
    const Window* w = Get(handle);
    if (!w || item < 0 || static_cast<size_t>(item) >= w->items.size() || unreadableItems.count(item)) return std::nullopt;
    return w->items[static_cast<size_t>(item)].substr(0, maxChars);
  }
  std::optional<std::string> TreeViewItemText(uint32_t handle, int64_t item, size_t maxChars) override {
    const Window* w = Get(handle);
    if (!w || item < 1 || static_cast<size_t>(item) > w->items.size()) return std::nullopt;
    return w->items[static_cast<size_t>(item - 1)].substr(0, maxChars);
  }

  uint32_t GetMenu(uint32_t window) override {
    const Window* w = Get(window);
    return w ? w->menu : 0;
  }
  int GetMenuItemCount(uint32_t menu) override {
    auto it = menus.find(menu);
    return it == menus.end() ? -1 : static_cast<int>(it->second.size());
  }
  std::optional<MenuEntry> GetMenuItem(uint32_t menu, int position) override {
    auto it = menus.find(menu);
    if (it == menus.end() || position < 0 || static_cast<size_t>(position) >= it->second.size()) return std::nullopt;
    return it->second[static_cast<size_t>(position)];
  }
  std::optional<size_t> TrackPopupMenu(const std::vector<MenuEntry>& entries, int32_t x, int32_t y) override {
    popupShown = entries;
    calls.push_back("TrackPopupMenu " + std::to_string(x) + " " + std::to_string(y));
    return popupChoice;
  }

  OsError SendKeyInput(uint32_t vk, uint32_t scanCode, uint32_t flags) override {
    if (!keyInputError.ok()) return keyInputError;
    ++inputRecords;
    input.push_back(std::string(flags & keyevent::kKeyUp ? "up " : "down ") + std::to_string(vk) + " " +
                    std::to_string(scanCode) + ((flags & keyevent::kExtendedKey) ? " x" : ""));
    return OsError::Ok();
  }
  uint32_t ScanCodeOf(uint32_t vk) override { return vk + 0x100; }
  // A US layout's letters, digits, space, Tab, Enter (Ctrl+Enter for a line feed) and a few
  // punctuation keys; the rest it cannot type.
  int16_t KeyForChar(char c) override {
    if (c >= 'A' && c <= 'Z') return static_cast<int16_t>(0x100 | c);
    if (c >= 'a' && c <= 'z') return static_cast<int16_t>(c - 'a' + 'A');
    if (c >= '0' && c <= '9') return c;
    switch (c) {
      case ' ': return 0x20;
      case '\t': return 0x09;
      case '\r': return 0x0D;
      case '\n': return 0x20D;
      case '{': return 0x1DB;
      case '}': return 0x1DD;
      case '!': return 0x131;
      case '.': return 0xBE;
      case '@': return 0x632;  // as a layout with it on AltGr has it
      default: return -1;
    }
  }
  OsError SendMouseInput(uint32_t flags, int32_t dx, int32_t dy, int32_t data) override {
    input.push_back("mouse " + std::to_string(flags) + " " + std::to_string(dx) + " " + std::to_string(dy) + " " +
                    std::to_string(data));
    return OsError::Ok();
  }
  OsError SendMouseButton(uint32_t flags, ScreenPoint at, int32_t data) override {
    cursor = at;
    input.push_back("button " + std::to_string(flags) + " " + std::to_string(at.x) + " " + std::to_string(at.y) + " " +
                    std::to_string(data));
    return OsError::Ok();
  }
  void ShowCursor() override { ++cursorShown; }
  bool SetCursorPos(int32_t x, int32_t y) override {
    cursor = {x, y};
    input.push_back("cursor " + std::to_string(x) + " " + std::to_string(y));
    return true;
  }
  // Written as SendKeyInput writes its records; the two calls are counted apart.
  OsError KeyboardEvent(uint32_t vk, uint32_t scanCode, uint32_t flags) override {
    ++keyboardEvents;
    --inputRecords;
    return SendKeyInput(vk, scanCode, flags);
  }
  char CharOfKey(uint32_t vk) override {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return static_cast<char>(vk);
    auto it = oemChars.find(vk);
    return it == oemChars.end() ? 0 : it->second;
  }
  bool KeyDown(uint32_t vk) override { return keysDown.count(vk) > 0; }
  std::optional<uint32_t> LastInputTick() override { return lastInputTick; }
  uint32_t DoubleClickTime() override { return doubleClickMs; }
  bool ScreenSaverRunning() override { return screenSaver; }
  OsError BlockInput(bool block) override {
    input.push_back(block ? "block" : "unblock");
    return blockInputError;
  }

  static constexpr int64_t kExTopMost = 0x8;

  int keyboardEvents = 0, inputRecords = 0;
  std::map<uint32_t, char> oemChars{{0xBA, ';'}, {0xBE, '.'}, {0xDB, '['}, {0xC0, '`'}};
  uint32_t doubleClickMs = 500;
  bool screenSaver = false;
  OsError blockInputError;
  OsError keyInputError;  // SendKeyInput fails so
  bool hasDesktop = true;
  std::optional<uint32_t> lastInputTick;  // unknown unless a test sets it

  bool exactLookupWorks = true;
  int exactLookups = 0;
  int enumerations = 0;
  std::vector<uint32_t> activated, closed;
  std::map<std::pair<int32_t, int32_t>, uint32_t> pixels;
  std::set<uint32_t> keysDown;
  std::set<uint32_t> pressedSince;  // pressed and let go: the next question answers it once
  std::function<void()> beforeKeyAsked;
  std::vector<std::string> released;
  std::vector<std::string> pressedKeys;
  // The screen's pixels; captures name their form.
  Picture screenPicture = *Picture::Allocate(64, 48);
  bool canCapture = true, fastCaptureWorks = true;
  std::vector<std::string> captures;
  std::function<void()> beforeCapture;
  // Files the system's picture service would read.
  std::map<std::string, Picture> pictureFiles;
  ScreenInfo screen{32, 2, 1920, 1080};
  // Details of windows beyond their title.
  std::map<uint32_t, WindowFacts> facts;
  ScreenPoint cursor{640, 480};
  int cursorShown = 0;  // ShowCursor calls
  std::vector<MonitorArea> monitors{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};

  // What was done to the windows, in order ("ShowWindow 5 3", "Send 5 274 61728 0", ...).
  std::vector<std::string> calls;
  // Keyboard and mouse input and cursor moves, in order.
  std::vector<std::string> input;
  uint32_t focus = 0;
  std::map<uint32_t, int64_t> exStyle;
  std::map<uint32_t, std::vector<MenuEntry>> menus;
  std::vector<MenuEntry> popupShown;
  std::optional<size_t> popupChoice;
  std::set<uint32_t> refuseForeground;  // SetForegroundWindow fails for these
  std::set<int> unreadableItems;        // list view items that cannot be read
  bool attachRefused = false;           // another thread's input cannot be attached to ours
  bool destroyWorks = false;            // only windows of the calling thread can be destroyed
  uint32_t waitedMs = 0;                // time-outs spent on hung windows

 private:
  struct Node {
    Window window;
    uint32_t parent = 0;
    std::vector<uint32_t> children;
  };

  static bool EqualFold(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
  }
  uint32_t Add(Window w, uint32_t parent) {
    const uint32_t h = w.handle;
    std::vector<Window> kids = std::move(w.children);
    w.children.clear();
    if (w.visible) w.style |= ws::kVisible;
    if (w.framed && !(w.style & ws::kDlgFrame)) w.style |= ws::kThickFrame;
    if (parent) w.style |= ws::kChild;
    Node node{std::move(w), parent, {}};
    for (Window& k : kids) node.children.push_back(k.handle);
    nodes_[h] = std::move(node);
    for (Window& k : kids) Add(std::move(k), h);
    return h;
  }
  void Remove(uint32_t handle) {
    auto it = nodes_.find(handle);
    if (it == nodes_.end()) return;
    const std::vector<uint32_t> kids = it->second.children;
    for (uint32_t k : kids) Remove(k);
    std::vector<uint32_t>& siblings = Siblings(handle);
    std::erase(siblings, handle);
    nodes_.erase(handle);
    if (focus == handle) focus = 0;
  }
  std::vector<uint32_t>& Siblings(uint32_t handle) {
    const uint32_t parent = ParentOf(handle);
    return parent ? nodes_[parent].children : top_;
  }
  void Raise(uint32_t handle) {
    std::vector<uint32_t>& siblings = Siblings(handle);
    std::erase(siblings, handle);
    siblings.insert(siblings.begin(), handle);
  }
  void Descendants(uint32_t parent, std::vector<uint32_t>* out) {
    for (uint32_t k : nodes_[parent].children) {
      out->push_back(k);
      Descendants(k, out);
    }
  }
  uint32_t Hit(uint32_t h, int32_t x, int32_t y) {
    const Window& w = nodes_[h].window;
    if (!(w.style & ws::kVisible) || x < w.rect.left || x >= w.rect.right || y < w.rect.top || y >= w.rect.bottom)
      return 0;
    for (uint32_t k : nodes_[h].children)
      if (uint32_t hit = Hit(k, x, y)) return hit;
    return h;
  }
  bool StyleHas(uint32_t handle, uint32_t bits) {
    const Window* w = Get(handle);
    return w && (w->style & bits) != 0;
  }
  template <typename... Args>
  void Record(const char* what, Args... args) {
    std::string line = what;
    ((line += " " + std::to_string(args)), ...);
    calls.push_back(line);
  }
  int FirstSelected(const Window& w) { return w.selected.empty() ? -1 : *w.selected.begin(); }
  // How the window procedure of a common control answers.
  int64_t Answer(uint32_t handle, Window& w, uint32_t msg, uint64_t wParam, int64_t lParam) {
    const auto count = static_cast<int64_t>(w.items.size());
    switch (msg) {
      case wm::kGetTextLength: return static_cast<int64_t>(w.title.size());
      case wm::kClose:
        if (!w.asksOnClose) Remove(handle);
        return 0;
      case wm::kSysCommand:
        switch (wParam & 0xFFF0) {
          case sc::kMinimize: ShowWindow(handle, sw::kMinimize); break;
          case sc::kMaximize: ShowWindow(handle, sw::kMaximize); break;
          case sc::kRestore: ShowWindow(handle, sw::kRestore); break;
          case sc::kClose: return Answer(handle, w, wm::kClose, 0, 0);
        }
        return 0;
      case wm::kLbGetCount:
      case wm::kCbGetCount:
      case wm::kLvmGetItemCount: return count;
      case wm::kLbGetCurSel:
      case wm::kCbGetCurSel: return FirstSelected(w);
      case wm::kLbGetTextLen:
      case wm::kCbGetLbTextLen: return wParam < w.items.size() ? static_cast<int64_t>(w.items[wParam].size()) : kLbErr;
      case wm::kEmGetSel: return editSelection;
      case wm::kEmSetSel: editSelection = (lParam << 16) | static_cast<int64_t>(wParam & 0xFFFF); return 0;
      case wm::kBmGetCheck: return w.check;
      case wm::kBmSetCheck: w.check = static_cast<int64_t>(wParam); return 0;
      case wm::kLvmGetSelectedCount: return static_cast<int64_t>(w.selected.size());
      case wm::kLvmGetNextItem: {
        auto it = w.selected.upper_bound(static_cast<int>(static_cast<int64_t>(wParam)));
        return it == w.selected.end() ? -1 : *it;
      }
      case wm::kTvmGetNextItem: return wParam == kTvgnCaret && FirstSelected(w) >= 0 ? FirstSelected(w) + 1 : 0;
    }
    return 0;
  }

  std::map<uint32_t, Node> nodes_;
  std::vector<uint32_t> top_;
  uint32_t foreground_ = 0;
  std::set<uint32_t> attachedTo_{kThisThread};

 public:
  int64_t editSelection = 0;  // EM_GETSEL's answer: start in the low word, end in the high word
};

}  // namespace plumo
