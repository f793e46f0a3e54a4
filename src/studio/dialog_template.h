// The studio's dialogs are laid out in memory, in dialog units, with the system's message font:
// they grow with the font and the screen's DPI like any Windows dialog. A dialog object gets its
// messages through ModalDialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace plumo {

class DialogTemplate {
 public:
  DialogTemplate(const std::string& title, short width, short height);

  // The system classes by atom.
  enum Class : WORD { kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83, kComboBox = 0x85 };
  void Add(Class cls, int id, const std::string& text, DWORD style, short x, short y, short w, short h);
  // A control of a registered class, such as the common controls.
  void Add(const std::string& className, int id, DWORD style, short x, short y, short w, short h);

  // Common controls at the heights the Windows guidelines give (edits and buttons 14, labels 8),
  // labels moved down 2 units so that their text lines up with the edit beside them.
  void Label(const std::string& text, short x, short y, short w);
  void Edit(int id, short x, short y, short w, DWORD extra = 0);
  void Button(int id, const std::string& text, short x, short y, short w, bool isDefault = false);
  void Check(int id, const std::string& text, short x, short y, short w);
  void Radio(int id, const std::string& text, short x, short y, short w, bool firstOfGroup);
  void Group(const std::string& text, short x, short y, short w, short h);
  void DropList(int id, short x, short y, short w, short listHeight);

  const DLGTEMPLATE* data() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Text(const std::string& text);
  void Item(int id, DWORD style, short x, short y, short w, short h);
  std::vector<WORD> words_;
};

// A modal dialog: Run shows the template and returns the id that ended it (IDOK, IDCANCEL).
class ModalDialog {
 public:
  virtual ~ModalDialog() = default;
  INT_PTR Run(HWND owner, const DialogTemplate& layout);

 protected:
  virtual void Init() = 0;
  // A WM_COMMAND from a control; true when handled.
  virtual bool Command(int id, int code) = 0;
  virtual INT_PTR Notify(NMHDR*) { return 0; }

  std::string GetText(int id) const;
  void SetText(int id, const std::string& text) const;
  bool Checked(int id) const;
  void SetChecked(int id, bool on) const;
  void Enable(int id, bool on) const;
  // The shell's file dialogs; empty when cancelled.
  std::string BrowseFile(bool save, const char* filter, const std::string& current) const;
  void End(INT_PTR result) const { EndDialog(hwnd_, result); }

  HWND hwnd_ = nullptr;

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

}  // namespace plumo
