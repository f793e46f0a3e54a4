#include "studio/actions_palette.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "studio/studio_icons.h"

namespace plumo {
namespace {

constexpr char kClass[] = "PlumoActions";

// An item's lParam: the group's index in the shown tree, and its leaf's index plus 1 (0 for
// the group itself).
LPARAM ItemCode(size_t group, int leaf) { return static_cast<LPARAM>((group << 16) | static_cast<size_t>(leaf + 1)); }

struct ContextItem {
  int id;  // 0: a separator
  const char* label;
};
constexpr ContextItem kMenu[] = {
    {actioncmd::kInsert, "Insert"},
    {actioncmd::kAddToTop, "Add to Top"},
    {actioncmd::kAddToEnd, "Add to End"},
    {0, nullptr},
    {actioncmd::kAddToFavorites, "Add to Favorites"},
    {actioncmd::kRenameFavorite, "Rename Favorite"},
    {actioncmd::kRemoveFavorite, "Remove from Favorites"},
    {0, nullptr},
    {actioncmd::kCustomizeXml, "Customize XML"},
    {actioncmd::kCopyName, "Copy Name to Clipboard"},
    {0, nullptr},
    {actioncmd::kCollapseAll, "Collapse All Actions -"},
    {actioncmd::kExpandAll, "Expand All Actions +"},
    {0, nullptr},
    {actioncmd::kExportFavorites, "Export All Favorites (.reg)"},
    {actioncmd::kRemoveAllFavorites, "Remove All Favorites"},
    {0, nullptr},
    {actioncmd::kHelp, "Help: What does this action do?"},
};

int ImageOfLeaf(const ActionLeaf& leaf) { return ActionImageOf(leaf.category, false); }

}  // namespace

ActionsPalette::ActionsPalette(HINSTANCE instance, SettingsStore& store, ActionsPaletteHost& host)
    : instance_(instance), store_(store), host_(host) {}

ActionsPalette::~ActionsPalette() {
  if (font_) DeleteObject(font_);
  if (images_) ImageList_Destroy(images_);
}

bool ActionsPalette::Create(HWND parent, int id) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &ActionsPalette::Proc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  hwnd_ = CreateWindowExA(0, kClass, "Actions", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, this);
  if (!hwnd_) return false;
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  font_ = CreateFontIndirectA(&metrics.lfMessageFont);
  label_ = CreateWindowExA(0, "STATIC", "Search:", WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, 0, 0, 0, 0, hwnd_, nullptr,
                           instance_, nullptr);
  search_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0,
                            0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSearchId)), instance_, nullptr);
  tree_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                              TVS_SHOWSELALWAYS,
                          0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTreeId)), instance_, nullptr);
  for (HWND w : {label_, search_, tree_}) SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  images_ = MakeActionImages(dpi >= 144 ? 24 : 16);
  SendMessageA(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
  Rebuild();
  return true;
}

void ActionsPalette::Rebuild() {
  all_ = BuildActionsTree(host_.PaletteCatalog(), store_);
  shown_ = FilterActionsTree(all_, filter_);
  Fill();
}

void ActionsPalette::Fill() {
  filling_ = true;
  SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  HTREEITEM firstLeaf = nullptr;
  for (size_t g = 0; g < shown_.groups.size(); ++g) {
    const ActionGroup& group = shown_.groups[g];
    TVINSERTSTRUCTA in = {};
    in.hParent = TVI_ROOT;
    in.hInsertAfter = TVI_LAST;
    in.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    in.item.pszText = const_cast<char*>(group.name.c_str());
    in.item.iImage = in.item.iSelectedImage = ActionImageOf(group.category, false);
    in.item.lParam = ItemCode(g, -1);
    HTREEITEM parent = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&in)));
    for (size_t l = 0; l < group.leaves.size(); ++l) {
      const ActionLeaf& leaf = group.leaves[l];
      in.hParent = parent;
      in.item.pszText = const_cast<char*>(leaf.name.c_str());
      in.item.iImage = in.item.iSelectedImage = ImageOfLeaf(leaf);
      in.item.lParam = ItemCode(g, static_cast<int>(l));
      HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&in)));
      if (!firstLeaf) firstLeaf = item;
    }
    if (group.expanded) SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
  }
  // While searching, the first match is ready for Enter.
  if (!filter_.empty() && firstLeaf) SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(firstLeaf));
  SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree_, nullptr, TRUE);
  filling_ = false;
}

const ActionGroup* ActionsPalette::SelectedGroup() const {
  TVITEMA item = {};
  item.mask = TVIF_PARAM;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item.hItem || !SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  const size_t g = static_cast<size_t>(item.lParam) >> 16;
  return g < shown_.groups.size() ? &shown_.groups[g] : nullptr;
}

const ActionLeaf* ActionsPalette::SelectedLeaf() const {
  TVITEMA item = {};
  item.mask = TVIF_PARAM;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item.hItem || !SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  const size_t g = static_cast<size_t>(item.lParam) >> 16;
  const int l = static_cast<int>(item.lParam & 0xFFFF) - 1;
  if (g >= shown_.groups.size() || l < 0 || static_cast<size_t>(l) >= shown_.groups[g].leaves.size()) return nullptr;
  return &shown_.groups[g].leaves[static_cast<size_t>(l)];
}

void ActionsPalette::Insert(Document::Place place) {
  const ActionLeaf* leaf = SelectedLeaf();
  if (!leaf) return;
  host_.InsertSteps(LeafStepsText(host_.PaletteCatalog(), *leaf), place);
}

void ActionsPalette::ExpandAll(bool expand) {
  filling_ = true;
  for (HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
       item = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
    SendMessageA(tree_, TVM_EXPAND, expand ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(item));
  filling_ = false;
  if (!filter_.empty()) return;  // a search's folding is its own
  for (ActionGroup& g : all_.groups) {
    g.expanded = expand;
    SaveGroupExpanded(store_, g.id, expand);
  }
}

void ActionsPalette::AddToFavorites() {
  const std::string steps = host_.SelectedStepsText();
  if (steps.empty()) return host_.PaletteStatus(" Select the Steps to keep as a favorite first");
  std::optional<std::string> name = host_.AskText("Add to Favorites", "Name of the new favorite:", "");
  if (!name) return;
  if (!ValidFavoriteName(*name)) return host_.PaletteStatus(" A favorite needs a name without '<'");
  if (AddFavorite(store_, *name, steps) == 0)
    return host_.PaletteStatus(" No room for another favorite: remove one first (32 at most)");
  Rebuild();
}

void ActionsPalette::RenameFavorite() {
  const ActionLeaf* leaf = SelectedLeaf();
  if (!leaf || !leaf->favorite) return;
  const int number = leaf->favorite;
  std::optional<std::string> name = host_.AskText("Rename Favorite", "New name of the favorite:", leaf->name);
  if (!name) return;
  if (!plumo::RenameFavorite(store_, number, *name)) return host_.PaletteStatus(" A favorite needs a name without '<'");
  Rebuild();
}

// A favourite's Steps are changed in place; an action's customised Steps become a favourite of
// its name, as the catalogue's own default cannot change.
void ActionsPalette::CustomizeXml() {
  const ActionLeaf* leaf = SelectedLeaf();
  if (!leaf) return;
  // The tree may be rebuilt while the dialog is open: nothing of the leaf is used after it.
  const int favorite = leaf->favorite;
  const std::string name = leaf->name;
  const std::string original = StepsOnLines(LeafStepsText(host_.PaletteCatalog(), *leaf));
  const std::string prompt = favorite ? "Steps of the favorite \"" + name + "\":"
                                      : "Steps of \"" + name + "\", kept as a favorite of that name:";
  const std::optional<std::string> edited = host_.AskLines("Customize XML", prompt, original);
  if (!edited || *edited == original) return;
  const std::string steps = StepsJoined(*edited);
  if (steps.find("<action>") == std::string::npos)
    return host_.PaletteStatus(" The XML holds no <action>: nothing was changed");
  if (favorite) {
    if (!SetFavoriteSteps(store_, favorite, steps)) return host_.PaletteStatus(" The favorite could not be changed");
  } else if (AddFavorite(store_, name, steps) == 0) {
    return host_.PaletteStatus(" No room for another favorite: remove one first (32 at most)");
  }
  Rebuild();
}

void ActionsPalette::RemoveAllFavorites() {
  if (MessageBoxA(GetAncestor(hwnd_, GA_ROOT), "Remove all favorites?", "Confirm Action",
                  MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  plumo::RemoveAllFavorites(store_);
  Rebuild();
}

void ActionsPalette::ExportFavorites() {
  const std::string text = FavoritesRegFile(store_);
  if (text.empty()) return host_.PaletteStatus(" There are no favorites to export");
  char file[MAX_PATH] = "Favorites.reg";
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = GetAncestor(hwnd_, GA_ROOT);
  ofn.lpstrFilter = "Registry Files (*.reg)\0*.reg\0All Files (*.*)\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = "reg";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameA(&ofn)) return;
  // Written beside it first, so a failed write leaves an older export whole.
  const std::string temporary = std::string(file) + ".tmp";
  HANDLE h = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool ok = h != INVALID_HANDLE_VALUE &&
                  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (!ok || !MoveFileExA(temporary.c_str(), file, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporary.c_str());
    return host_.PaletteStatus(std::string(" The favorites could not be written to ") + file);
  }
  host_.PaletteStatus(std::string(" Favorites exported to ") + file);
}

void ActionsPalette::Command(int id) {
  const ActionLeaf* leaf = SelectedLeaf();
  switch (id) {
    case actioncmd::kInsert: return Insert(Document::Place::kSelection);
    case actioncmd::kAddToTop: return Insert(Document::Place::kTop);
    case actioncmd::kAddToEnd: return Insert(Document::Place::kEnd);
    case actioncmd::kAddToFavorites: return AddToFavorites();
    case actioncmd::kRenameFavorite: return RenameFavorite();
    case actioncmd::kRemoveFavorite:
      if (leaf && leaf->favorite && RemoveFavorite(store_, leaf->favorite)) Rebuild();
      return;
    case actioncmd::kCopyName:
      if (leaf) host_.CopyText(leaf->name);
      else if (const ActionGroup* g = SelectedGroup()) host_.CopyText(g->name);
      return;
    case actioncmd::kCollapseAll: return ExpandAll(false);
    case actioncmd::kExpandAll: return ExpandAll(true);
    case actioncmd::kRemoveAllFavorites: return RemoveAllFavorites();
    case actioncmd::kExportFavorites: return ExportFavorites();
    case actioncmd::kHelp: {
      const ActionGroup* group = SelectedGroup();
      if (leaf || group) host_.OpenActionHelp(leaf ? leaf->category : group->category);
      return;
    }
    case actioncmd::kCustomizeXml: return CustomizeXml();
  }
}

void ActionsPalette::ShowMenu(POINT screen) {
  const ActionLeaf* leaf = SelectedLeaf();
  const bool anyFavorite = !all_.groups.empty() && !all_.groups[0].leaves.empty();
  HMENU menu = CreatePopupMenu();
  for (const ContextItem& e : kMenu) {
    if (!e.id) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    bool enabled = true;
    switch (e.id) {
      case actioncmd::kInsert:
      case actioncmd::kAddToTop:
      case actioncmd::kAddToEnd: enabled = leaf != nullptr; break;
      case actioncmd::kAddToFavorites: enabled = !host_.SelectedStepsText().empty(); break;
      case actioncmd::kRenameFavorite:
      case actioncmd::kRemoveFavorite: enabled = leaf && leaf->favorite; break;
      case actioncmd::kCopyName:
      case actioncmd::kHelp: enabled = leaf || SelectedGroup(); break;
      case actioncmd::kRemoveAllFavorites:
      case actioncmd::kExportFavorites: enabled = anyFavorite; break;
      case actioncmd::kCustomizeXml: enabled = leaf != nullptr; break;
    }
    AppendMenuA(menu, MF_STRING | (enabled ? 0 : MF_GRAYED), static_cast<UINT_PTR>(e.id), e.label);
  }
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr);
  DestroyMenu(menu);
  if (chosen) Command(chosen);
}

LRESULT ActionsPalette::Notify(NMHDR* header) {
  if (header->hwndFrom != tree_) return 0;
  switch (header->code) {
    case NM_DBLCLK:
      if (SelectedLeaf()) {
        Insert(Document::Place::kSelection);
        return 1;  // a leaf has nothing to expand
      }
      return 0;
    case TVN_KEYDOWN:
      if (reinterpret_cast<NMTVKEYDOWN*>(header)->wVKey == VK_RETURN) Insert(Document::Place::kSelection);
      return 0;
    case NM_RCLICK: {
      POINT at;
      GetCursorPos(&at);
      TVHITTESTINFO hit = {};
      hit.pt = at;
      ScreenToClient(tree_, &hit.pt);
      if (HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))))
        SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
      ShowMenu(at);
      return 1;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
      if (filling_ || !filter_.empty()) return 0;
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
      const size_t g = static_cast<size_t>(nm->itemNew.lParam) >> 16;
      if ((nm->itemNew.lParam & 0xFFFF) != 0 || g >= all_.groups.size()) return 0;
      const bool expanded = (nm->itemNew.state & TVIS_EXPANDED) != 0;
      all_.groups[g].expanded = expanded;
      SaveGroupExpanded(store_, all_.groups[g].id, expanded);
      return 0;
    }
    case TVN_BEGINDRAGA:
    case TVN_BEGINDRAGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
      SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(nm->itemNew.hItem));
      if (const ActionLeaf* leaf = SelectedLeaf()) {
        dragged_ = LeafStepsText(host_.PaletteCatalog(), *leaf);
        SetCapture(hwnd_);
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_UPARROW)));
      }
      return 0;
    }
  }
  return 0;
}

LRESULT CALLBACK ActionsPalette::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<ActionsPalette*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || !self->hwnd_) return DefWindowProcA(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

LRESULT ActionsPalette::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE: {
      if (!search_) return 0;
      const int width = LOWORD(lp), height = HIWORD(lp);
      HDC dc = GetDC(search_);
      HGDIOBJ old = SelectObject(dc, font_);
      TEXTMETRICA tm = {};
      GetTextMetricsA(dc, &tm);
      SIZE label = {};
      GetTextExtentPoint32A(dc, "Search:", 7, &label);
      SelectObject(dc, old);
      ReleaseDC(search_, dc);
      const int searchHeight = tm.tmHeight + 8, labelWidth = label.cx + tm.tmAveCharWidth;
      MoveWindow(label_, 2, 0, labelWidth, searchHeight, TRUE);
      MoveWindow(search_, labelWidth + 2, 0, std::max(0, width - labelWidth - 2), searchHeight, TRUE);
      MoveWindow(tree_, 0, searchHeight + 2, width, std::max(0, height - searchHeight - 2), TRUE);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == kSearchId && HIWORD(wp) == EN_CHANGE) {
        char typed[128] = {};
        GetWindowTextA(search_, typed, sizeof(typed));
        filter_ = typed;
        shown_ = FilterActionsTree(all_, filter_);
        Fill();
        return 0;
      }
      Command(LOWORD(wp));
      return 0;
    case WM_NOTIFY: return Notify(reinterpret_cast<NMHDR*>(lp));
    case WM_LBUTTONUP:
      if (dragged_) {
        std::string steps = std::move(*dragged_);
        dragged_.reset();
        ReleaseCapture();
        POINT at;
        GetCursorPos(&at);
        host_.DropSteps(steps, at);
      }
      return 0;
    case WM_CAPTURECHANGED:
      dragged_.reset();
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

}  // namespace plumo
