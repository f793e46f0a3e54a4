// The Compile dialog: every choice of the program builder, kept in *\Compile\..., with the
// equivalent console command line and a button that copies it.
#pragma once

#include <windows.h>

#include <string>

#include "compiler/build_request.h"
#include "platform/clipboard.h"
#include "settings/settings_store.h"

namespace plumo {

inline constexpr char kCompileDialogTitle[] = "Compile Program";

// Control ids, for tests that drive the dialog.
namespace compileid {
enum : int {
  kOutput = 100,
  kOutputBrowse,
  kPlatform,
  kIconStandard,
  kIconStudio,
  kIconFile,
  kIconPath,
  kIconBrowse,
  kVersion,
  kCopyright,
  kDescription,
  kCompress,
  kSingleInstance,
  kEncrypt,
  kEmbedImages,
  kEmbedData,
  kCommandLine,
  kCopy,
};
}  // namespace compileid

struct CompileDialogContext {
  std::string scriptPath;
  std::string studioPath;     // Plumo.exe, whose icon is the studio's icon choice
  std::string currentFolder;  // completes an output name without a folder
  Clipboard& clipboard;
};

// True when the user chose Compile; the choices are then saved and in request.
bool RunCompileDialog(HWND owner, SettingsStore& store, const CompileDialogContext& context, BuildRequest& request);

}  // namespace plumo
