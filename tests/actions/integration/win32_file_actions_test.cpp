// What only Windows has: files held by another program, shortcuts read back by the shell,
// network drives.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <fstream>

#include "actions/integration/action_harness.h"
#include "actions/integration/files/file_actions.h"
#include "actions/integration/native_files.h"
#include "platform/win32/win32_system.h"

namespace plumo {
namespace {

class Win32FileActions : public ::testing::Test {
 protected:
  Win32FileActions() : h(NativeFilesForTest()), dir(scratch.path()) { RegisterFileActions(h.session); }
  int Run(std::string_view action, const StepFields& f) { return h.Run(9, action, f); }
  ScratchFolder scratch;
  ActionHarness h;
  std::string dir;
};

TEST_F(Win32FileActions, AFileAnotherProgramHoldsIsLeftAsItWas) {
  const std::string held = dir + "held.txt", other = dir + "other.txt";
  ASSERT_EQ(Run("Write/Create File", {"old", held}), 1) << h.Error();
  ASSERT_EQ(Run("Write/Create File", {"new", other}), 1);
  HANDLE lock = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const std::pair<std::string_view, StepFields> attempts[] = {
      {"Write/Create File", {"x", held}},
      {"Write/Create File", {"x", held, "", "", "", "Erase"}},
      {"Copy File", {"", other, held}},
      {"Delete File", {"", held}},
      {"Read File", {"", held}},
  };
  for (const auto& [action, fields] : attempts) {
    EXPECT_EQ(Run(action, fields), 0) << action;
    EXPECT_NE(h.Error().find(held), std::string::npos) << action << ": " << h.Error();
  }
  CloseHandle(lock);
  ASSERT_EQ(Run("Read File", {"", held}), 1);
  EXPECT_EQ(h.Out(), "old");
}

TEST_F(Win32FileActions, TheShellReadsTheShortcutBack) {
  const std::string target = dir + "target.txt";
  ASSERT_EQ(Run("Write/Create File", {"t", target}), 1);
  ASSERT_EQ(Run("Create Shortcut", {"", target, dir + "link", "A description", dir, "", "-x", "Maximized"}), 1)
      << h.Error();
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  IShellLinkA* link = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                             reinterpret_cast<void**>(&link)), S_OK);
  IPersistFile* file = nullptr;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
  std::wstring wide(MAX_PATH, L'\0');
  MultiByteToWideChar(CP_ACP, 0, (dir + "link.lnk").c_str(), -1, wide.data(), MAX_PATH);
  ASSERT_EQ(file->Load(wide.c_str(), STGM_READ), S_OK);
  char text[MAX_PATH] = {};
  ASSERT_EQ(link->GetPath(text, MAX_PATH, nullptr, 0), S_OK);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text, -1, target.c_str(), -1), CSTR_EQUAL) << text;
  ASSERT_EQ(link->GetArguments(text, MAX_PATH), S_OK);
  EXPECT_STREQ(text, "-x");
  ASSERT_EQ(link->GetDescription(text, MAX_PATH), S_OK);
  EXPECT_STREQ(text, "A description");
  // Wine's link object reads every show command back as normal; the file's header holds it.
  std::ifstream lnk(dir + "link.lnk", std::ios::binary);
  char header[0x40] = {};
  lnk.read(header, sizeof header);
  EXPECT_EQ(header[0x3C], SW_SHOWMAXIMIZED);
  file->Release();
  link->Release();
  CoUninitialize();
}

TEST(Win32System, AShareThatIsNotThereIsNotMapped) {
  OsError e = Win32System().MapDrive("Q:", "\\\\no-such-server.invalid\\share", "", "");
  EXPECT_FALSE(e.ok());
  EXPECT_FALSE(e.message().empty());
  EXPECT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

}  // namespace
}  // namespace plumo
