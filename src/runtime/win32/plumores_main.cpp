// PlumoRes.DLL: the runtime library. Its resources will hold the runtime images that the
// program builder copies; it runs no code of its own beyond reporting what it holds.
#include <windows.h>

#include "base/option_block.h"

extern "C" __declspec(dllexport) const char* PlumoResOptionBlock() {
  static char block[32];
  lstrcpynA(block, plumo::ProgramOptionBlock().c_str(), sizeof(block));
  return block;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
