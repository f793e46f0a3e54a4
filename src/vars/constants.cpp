#include "vars/constants.h"

#include <cstdio>

#include "base/text.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

constexpr uint32_t Neg(int32_t v) { return static_cast<uint32_t>(v); }

constexpr WindowsConstant kConstants[] = {
    {"MB_OKCANCEL", 0x1}, {"MB_OK", 0x0}, {"MB_ABORTRETRYIGNORE", 0x2}, {"MB_YESNOCANCEL", 0x3},
    {"MB_YESNO", 0x4}, {"MB_RETRYCANCEL", 0x5}, {"MB_ICONHAND", 0x10}, {"MB_ICONSTOP", 0x10},
    {"MB_ICONERROR", 0x10}, {"MB_ICONQUESTION", 0x20}, {"MB_ICONEXCLAMATION", 0x30},
    {"MB_ICONWARNING", 0x30}, {"MB_ICONASTERISK", 0x40}, {"MB_ICONINFORMATION", 0x40},
    {"MB_USERICON", 0x80}, {"MB_DEFBUTTON1", 0x0}, {"MB_DEFBUTTON2", 0x100}, {"MB_DEFBUTTON3", 0x200},
    {"MB_DEFBUTTON4", 0x300}, {"MB_SYSTEMMODAL", 0x1000}, {"MB_TASKMODAL", 0x2000}, {"MB_HELP", 0x4000},
    {"MB_NOFOCUS", 0x8000}, {"MB_SETFOREGROUND", 0x10000}, {"MB_DEFAULT_DESKTOP_ONLY", 0x20000},
    {"MB_TOPMOST", 0x40000}, {"MB_RIGHT", 0x80000}, {"MB_RTLREADING", 0x100000},
    {"WS_OVERLAPPEDWINDOW", 0xCF0000}, {"WS_OVERLAPPED", 0x0}, {"WS_POPUPWINDOW", 0x80880000},
    {"WS_POPUP", 0x80000000}, {"WS_CHILD", 0x40000000}, {"WS_VISIBLE", 0x10000000},
    {"WS_DISABLED", 0x8000000}, {"WS_CLIPSIBLINGS", 0x4000000}, {"WS_CLIPCHILDREN", 0x2000000},
    {"WS_MINIMIZEBOX", 0x20000}, {"WS_MINIMIZE", 0x20000000}, {"WS_MAXIMIZEBOX", 0x10000},
    {"WS_MAXIMIZE", 0x1000000}, {"WS_CAPTION", 0xC00000}, {"WS_BORDER", 0x800000},
    {"WS_DLGFRAME", 0x400000}, {"WS_VSCROLL", 0x200000}, {"WS_HSCROLL", 0x100000},
    {"WS_SYSMENU", 0x80000}, {"WS_THICKFRAME", 0x40000}, {"WS_EX_TOPMOST", 0x8}, {"SS_LEFT", 0x0},
    {"SS_RIGHT", 0x2}, {"SS_CENTER", 0x1}, {"SS_BLACKFRAME", 0x7}, {"SS_BLACKRECT", 0x4},
    {"SS_GRAYFRAME", 0x8}, {"SS_GRAYRECT", 0x5}, {"SS_WHITEFRAME", 0x9}, {"SS_WHITERECT", 0x6},
    {"ES_LEFT", 0x0}, {"ES_RIGHT", 0x2}, {"ES_CENTER", 0x1}, {"ES_NUMBER", 0x2000},
    {"ES_LOWERCASE", 0x10}, {"ES_UPPERCASE", 0x8}, {"ES_WANTRETURN", 0x1000}, {"ES_PASSWORD", 0x20},
    {"ES_AUTOVSCROLL", 0x40}, {"WS_EX_PALETTEWINDOW", 0x188}, {"WS_EX_TOOLWINDOW", 0x80},
    {"SM_CXSCREEN", 0}, {"SM_CYSCREEN", 1}, {"SM_CXVSCROLL", 2}, {"SM_CYHSCROLL", 3},
    {"SM_CYCAPTION", 4}, {"SM_CXBORDER", 5}, {"SM_CYBORDER", 6}, {"SM_CXDLGFRAME", 7},
    {"SM_CYDLGFRAME", 8}, {"SM_CYMENU", 15}, {"SM_CXFULLSCREEN", 16}, {"SM_CYFULLSCREEN", 17},
    {"SM_MOUSEPRESENT", 19}, {"SM_CYVSCROLL", 20}, {"SM_CXHSCROLL", 21}, {"SM_DEBUG", 22},
    {"SM_CXSIZE", 30}, {"SM_CYSIZE", 31}, {"SM_CXFRAME", 32}, {"SM_CYFRAME", 33},
    {"SM_CXDOUBLECLK", 36}, {"SM_CYDOUBLECLK", 37}, {"SM_CXICONSPACING", 38},
    {"SM_CYICONSPACING", 39}, {"GENERIC_READ", 0x80000000}, {"GENERIC_WRITE", 0x40000000},
    {"FILE_SHARE_READ", 0x1}, {"FILE_SHARE_WRITE", 0x2}, {"CREATE_NEW", 1}, {"CREATE_ALWAYS", 2},
    {"OPEN_EXISTING", 3}, {"OPEN_ALWAYS", 4}, {"TRUNCATE_EXISTING", 5}, {"FILE_ATTRIBUTE_HIDDEN", 0x2},
    {"FILE_ATTRIBUTE_NORMAL", 0x80}, {"FILE_ATTRIBUTE_TEMPORARY", 0x100},
    {"FILE_ATTRIBUTE_DIRECTORY", 0x10}, {"FILE_BEGIN", 0}, {"FILE_CURRENT", 1}, {"FILE_END", 2},
    {"SW_HIDE", 0}, {"SW_SHOWNORMAL", 1}, {"SW_NORMAL", 1}, {"SW_SHOWMINIMIZED", 2},
    {"SW_SHOWMAXIMIZED", 3}, {"SW_MAXIMIZE", 3}, {"SW_MINIMIZE", 6}, {"SW_SHOWMINNOACTIVE", 7},
    {"SW_RESTORE", 9}, {"SW_SHOWDEFAULT", 10}, {"SW_FORCEMINIMIZE", 11}, {"SW_SHOW", 5},
    {"MF_BYCOMMAND", 0x0}, {"MF_BYPOSITION", 0x400}, {"GWL_WNDPROC", Neg(-4)},
    {"GWL_HINSTANCE", Neg(-6)}, {"GWL_HWNDPARENT", Neg(-8)}, {"GWL_STYLE", Neg(-16)},
    {"GWL_EXSTYLE", Neg(-20)}, {"GWL_USERDATA", Neg(-21)}, {"GWL_ID", Neg(-12)},
    {"WM_COMMAND", 0x111}, {"WM_SIZE", 0x5}, {"WM_NOTIFY", 0x4E}, {"WM_PAINT", 0xF},
    {"WM_CLOSE", 0x10}, {"WM_DESTROY", 0x2}, {"WM_TIMER", 0x113}, {"WM_HELP", 0x53},
    {"WM_USER", 0x400}, {"WM_APP", 0x8000}, {"WM_KEYDOWN", 0x100}, {"WM_KEYUP", 0x101},
    {"WM_CHAR", 0x102}, {"WM_SYSCOMMAND", 0x112}, {"WM_SYSKEYDOWN", 0x104}, {"WM_SYSKEYUP", 0x105},
    {"WM_MOUSEMOVE", 0x200}, {"WM_LBUTTONDOWN", 0x201}, {"WM_LBUTTONUP", 0x202},
    {"WM_LBUTTONDBLCLK", 0x203}, {"WM_RBUTTONDOWN", 0x204}, {"WM_RBUTTONUP", 0x205},
    {"WM_CUT", 0x300}, {"WM_COPY", 0x301}, {"WM_PASTE", 0x302}, {"WM_CLEAR", 0x303},
    {"WM_UNDO", 0x304}, {"SC_RESTORE", 0xF120}, {"SC_MOVE", 0xF010}, {"SC_SIZE", 0xF000},
    {"SC_MINIMIZE", 0xF020}, {"SC_MAXIMIZE", 0xF030}, {"HWND_TOPMOST", Neg(-1)},
    {"HWND_NOTOPMOST", Neg(-2)}, {"SWP_NOSIZE", 0x1}, {"SWP_NOMOVE", 0x2}, {"SWP_NOZORDER", 0x4},
    {"SWP_NOREDRAW", 0x8}, {"SWP_NOACTIVATE", 0x10}, {"SWP_FRAMECHANGED", 0x20},
    {"SWP_SHOWWINDOW", 0x40}, {"SWP_HIDEWINDOW", 0x80}, {"SWP_NOCOPYBITS", 0x100},
    {"SWP_NOOWNERZORDER", 0x200}, {"SWP_NOSENDCHANGING", 0x400}, {"SWP_DRAWFRAME", 0x20},
    {"SWP_NOREPOSITION", 0x200}, {"SC_CLOSE", 0xF060}, {"IDOK", 1}, {"ID_OK", 1}, {"IDCANCEL", 2},
    {"ID_CANCEL", 2}, {"IDABORT", 3}, {"ID_ABORT", 3}, {"IDRETRY", 4}, {"ID_RETRY", 4},
    {"IDIGNORE", 5}, {"ID_IGNORE", 5}, {"IDYES", 6}, {"ID_YES", 6}, {"IDNO", 7}, {"ID_NO", 7},
    {"vbOKOnly", 0}, {"vbOKCancel", 1}, {"vbAbortRetryIgnore", 2}, {"vbYesNoCancel", 3},
    {"vbYesNo", 4}, {"vbRetryCancel", 5}, {"vbCritical", 16}, {"vbQuestion", 32},
    {"vbExclamation", 48}, {"vbInformation", 64}, {"vbDefaultButton1", 0}, {"vbDefaultButton2", 256},
    {"vbDefaultButton3", 512}, {"vbDefaultButton4", 768}, {"vbApplicationModal", 0},
    {"vbSystemModal", 4096},
};
static_assert(std::size(kConstants) == 208);

bool IsRunChar(char c) { return (c >= '0' && c <= '9') || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '|'; }

}  // namespace

std::span<const WindowsConstant> WindowsConstants() { return kConstants; }

size_t ReplaceConstants(std::string& text, FormulaEngine& engine) {
  size_t replaced = 0;
  char number[16];
  for (const WindowsConstant& c : kConstants) {
    if (text.find(c.name) == std::string::npos) continue;
    size_t at = FindNoCase(text, c.name);
    int n = std::snprintf(number, sizeof(number), "%lu", static_cast<unsigned long>(c.value));
    text.replace(at, c.name.size(), number, static_cast<size_t>(n));
    ++replaced;
  }
  if (replaced == 0) return 0;

  std::string formula;
  for (size_t bar; (bar = text.find('|')) != std::string::npos;) {
    size_t begin = bar, end = bar + 1;
    while (begin > 0 && IsRunChar(text[begin - 1])) --begin;
    while (end < text.size() && IsRunChar(text[end])) ++end;
    // The blanks at the ends of the run belong to the text around it.
    while (text[begin] != '|' && !(text[begin] >= '0' && text[begin] <= '9')) ++begin;
    while (text[end - 1] != '|' && !(text[end - 1] >= '0' && text[end - 1] <= '9')) --end;
    std::string_view run = std::string_view(text).substr(begin, std::min<size_t>(end - begin, 4095));
    if (run.find_first_of("0123456789") == std::string_view::npos) break;
    formula.clear();
    formula.push_back('=');
    formula.append(run);
    double value = engine.Evaluate(formula, nullptr);
    int n = std::snprintf(number, sizeof(number), "%lu", static_cast<unsigned long>(Bits32(value)));
    text.replace(begin, run.size(), number, static_cast<size_t>(n));
  }
  return replaced;
}

}  // namespace plumo
