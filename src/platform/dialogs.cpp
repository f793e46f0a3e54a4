#include "platform/dialogs.h"

namespace plumo {
namespace {

struct ButtonSet {
  int count;
  int answers[3];
  const char* labels[3];
};

// By the low four bits of the style: MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL,
// MB_YESNO, MB_RETRYCANCEL.
constexpr ButtonSet kButtonSets[] = {
    {1, {1, 0, 0}, {"OK", nullptr, nullptr}},
    {2, {1, 2, 0}, {"OK", "Cancel", nullptr}},
    {3, {3, 4, 5}, {"Abort", "Retry", "Ignore"}},
    {3, {6, 7, 2}, {"Yes", "No", "Cancel"}},
    {2, {6, 7, 0}, {"Yes", "No", nullptr}},
    {2, {4, 2, 0}, {"Retry", "Cancel", nullptr}},
};

}  // namespace

MessageButtons ButtonsOfStyle(uint32_t style) {
  uint32_t set = style & 0xF;
  if (set >= sizeof(kButtonSets) / sizeof(kButtonSets[0])) set = 0;
  const ButtonSet& b = kButtonSets[set];
  MessageButtons out;
  out.count = b.count;
  for (int i = 0; i < 3; ++i) {
    out.answers[i] = b.answers[i];
    out.labels[i] = b.labels[i];
  }
  int def = static_cast<int>((style >> 8) & 0xF);
  out.defaultIndex = def < b.count ? def : 0;
  return out;
}

}  // namespace plumo
