// The docks around the Step list: palettes stacked in a left, a right and a bottom dock, each
// under a caption with a close box, sized by dragging the dock's inner edge or the gap between two
// palettes. Which palettes show and how big the docks are live in the settings.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>

#include "settings/settings_store.h"

namespace plumo {

enum class DockSide : uint8_t { kLeft, kRight, kBottom };

enum class PaletteId : uint8_t { kActions, kProperties, kVariables, kOutput };
inline constexpr size_t kPaletteCount = 4;

struct PaletteInfo {
  PaletteId id;
  const char* key;  // *\Palettes\<key>\Show and \Weight
  const char* title;
  DockSide side;
  uint16_t viewCommand;  // its Show command in the View menu
};

// In dock order: the first of a side is its top (or left) palette.
inline constexpr PaletteInfo kPalettes[kPaletteCount] = {
    {PaletteId::kActions, "Actions", "Actions", DockSide::kLeft, 1043},
    {PaletteId::kProperties, "Properties", "Properties", DockSide::kRight, 1076},
    {PaletteId::kVariables, "Variables", "Variables", DockSide::kRight, 1049},
    {PaletteId::kOutput, "Output", "Output", DockSide::kBottom, 1047},
};

const PaletteInfo& PaletteOf(PaletteId id);

class DockHost {
 public:
  // Gaps between palettes, and the dock edges' grip, from View "Palette borders".
  static constexpr int kMaxBorder = 10;
  static constexpr int kDefaultBorder = 4;

  explicit DockHost(SettingsStore& store) : store_(store) {}
  // Makes the three dock windows; `changed` is called when the frame must lay itself out again.
  bool Create(HINSTANCE instance, HWND frame, int firstId, int dpi, HFONT captionFont, std::function<void()> changed);
  // Hands a palette's window (a child of the frame) to its dock.
  void Add(PaletteId id, HWND content);
  HWND Content(PaletteId id) const { return palettes_[Index(id)].content; }
  HWND DockWindow(DockSide side) const { return docks_[static_cast<size_t>(side)].hwnd; }

  bool Shown(PaletteId id) const;
  void Show(PaletteId id, bool shown);
  void Toggle(PaletteId id) { Show(id, !Shown(id)); }
  int Border() const { return border_; }
  void SetBorder(int pixels);
  // Forgets sizes, weights and hidden palettes.
  void Reset();

  // Places the docks inside `area` (frame client coordinates); returns what is left for the list.
  RECT Place(RECT area);

 private:
  struct Palette {
    HWND content = nullptr;
    bool shown = true;
    int weight = 100;  // share of its dock's length
  };
  struct Dock {
    HWND hwnd = nullptr;
    int size = 0;  // across the dock, at 96 DPI
  };
  enum class Drag { kNone, kEdge, kGap };

  static size_t Index(PaletteId id) { return static_cast<size_t>(id); }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(DockSide side, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void ReadSettings();
  bool DockShown(DockSide side) const;
  // Lays the captions and contents of one dock; rects in its client coordinates.
  void Arrange(DockSide side);
  void Paint(DockSide side, HDC dc);
  RECT Grip(DockSide side) const;
  RECT CaptionRect(PaletteId id) const;
  RECT CloseBox(PaletteId id) const;
  // The shown palette before the gap under `point`, if any.
  const PaletteInfo* GapAt(DockSide side, POINT point) const;
  int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
  int CaptionHeight() const;

  SettingsStore& store_;
  HWND frame_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  int border_ = kDefaultBorder;
  std::function<void()> changed_;
  std::array<Palette, kPaletteCount> palettes_{};
  std::array<Dock, 3> docks_{};
  std::array<RECT, kPaletteCount> captions_{};  // in their dock's client coordinates
  RECT frameArea_{};
  Drag drag_ = Drag::kNone;
  DockSide dragSide_ = DockSide::kLeft;
  const PaletteInfo* dragGap_ = nullptr;
  POINT dragFrom_{};
  int dragStart_ = 0;
  int dragStartWeights_[2] = {};
  int dragLength_ = 0;
};

}  // namespace plumo
