#include "studio/dialog_template.h"

#include <commdlg.h>

#include <cstdlib>

namespace plumo {
namespace {

constexpr short kEditHeight = 14;
constexpr short kLabelHeight = 8;
constexpr short kLabelDrop = 2;

}  // namespace

DialogTemplate::DialogTemplate(const std::string& title, short width, short height) {
  DLGTEMPLATE head = {};
  head.style = DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  head.cx = width;
  head.cy = height;
  const WORD* p = reinterpret_cast<const WORD*>(&head);
  words_.assign(p, p + sizeof(head) / sizeof(WORD));
  words_.push_back(0);  // no menu
  words_.push_back(0);  // the standard dialog class
  Text(title);
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  HDC screen = GetDC(nullptr);
  const int points = MulDiv(std::abs(metrics.lfMessageFont.lfHeight), 72, GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  words_.push_back(static_cast<WORD>(points > 0 ? points : 8));
  Text(metrics.lfMessageFont.lfFaceName[0] ? metrics.lfMessageFont.lfFaceName : "MS Shell Dlg");
}

void DialogTemplate::Text(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  for (wchar_t c : wide) words_.push_back(static_cast<WORD>(c));  // ends with the NUL
}

void DialogTemplate::Item(int id, DWORD style, short x, short y, short w, short h) {
  if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD
  DLGITEMTEMPLATE item = {};
  item.style = style | WS_CHILD | WS_VISIBLE;
  item.x = x;
  item.y = y;
  item.cx = w;
  item.cy = h;
  item.id = static_cast<WORD>(id);
  const WORD* p = reinterpret_cast<const WORD*>(&item);
  words_.insert(words_.end(), p, p + sizeof(item) / sizeof(WORD));
  ++reinterpret_cast<DLGTEMPLATE*>(words_.data())->cdit;
}

void DialogTemplate::Add(Class cls, int id, const std::string& text, DWORD style, short x, short y, short w, short h) {
  Item(id, style, x, y, w, h);
  words_.push_back(0xFFFF);
  words_.push_back(cls);
  Text(text);
  words_.push_back(0);  // no creation data
}

void DialogTemplate::Add(const std::string& className, int id, DWORD style, short x, short y, short w, short h) {
  Item(id, style, x, y, w, h);
  Text(className);
  Text("");
  words_.push_back(0);
}

void DialogTemplate::Label(const std::string& text, short x, short y, short w) {
  Add(kStatic, -1, text, SS_LEFT, x, static_cast<short>(y + kLabelDrop), w, kLabelHeight);
}
void DialogTemplate::Edit(int id, short x, short y, short w, DWORD extra) {
  Add(kEdit, id, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | extra, x, y, w, kEditHeight);
}
void DialogTemplate::Button(int id, const std::string& text, short x, short y, short w, bool isDefault) {
  Add(kButton, id, text, WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), x, y, w, kEditHeight);
}
void DialogTemplate::Check(int id, const std::string& text, short x, short y, short w) {
  Add(kButton, id, text, WS_TABSTOP | BS_AUTOCHECKBOX, x, y, w, 10);
}
void DialogTemplate::Radio(int id, const std::string& text, short x, short y, short w, bool firstOfGroup) {
  Add(kButton, id, text, BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP | WS_TABSTOP : 0), x, y, w, 10);
}
void DialogTemplate::Group(const std::string& text, short x, short y, short w, short h) {
  Add(kButton, -1, text, BS_GROUPBOX, x, y, w, h);
}
void DialogTemplate::DropList(int id, short x, short y, short w, short listHeight) {
  Add(kComboBox, id, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, x, y, w, listHeight);
}

INT_PTR ModalDialog::Run(HWND owner, const DialogTemplate& layout) {
  return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), layout.data(), owner, &ModalDialog::Proc,
                                 reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ModalDialog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<ModalDialog*>(lp);
    SetWindowLongPtrA(hwnd, DWLP_USER, lp);
    self->hwnd_ = hwnd;
    self->Init();
    return TRUE;
  }
  auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (msg == WM_NOTIFY) {
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, self->Notify(reinterpret_cast<NMHDR*>(lp)));
    return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  const int id = LOWORD(wp);
  if (self->Command(id, HIWORD(wp))) return TRUE;
  if (id == IDCANCEL) {
    EndDialog(hwnd, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

std::string ModalDialog::GetText(int id) const {
  HWND control = GetDlgItem(hwnd_, id);
  std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}
void ModalDialog::SetText(int id, const std::string& text) const { SetDlgItemTextA(hwnd_, id, text.c_str()); }
bool ModalDialog::Checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
void ModalDialog::SetChecked(int id, bool on) const { CheckDlgButton(hwnd_, id, on ? BST_CHECKED : BST_UNCHECKED); }
void ModalDialog::Enable(int id, bool on) const { EnableWindow(GetDlgItem(hwnd_, id), on); }

std::string ModalDialog::BrowseFile(bool save, const char* filter, const std::string& current) const {
  char name[MAX_PATH] = {};
  current.copy(name, sizeof(name) - 1);
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = hwnd_;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = name;
  ofn.nMaxFile = sizeof(name);
  ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  return ok ? std::string(name) : std::string();
}

}  // namespace plumo
