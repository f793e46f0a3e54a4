// Listing files by a mask, and watching folders with change notifications.
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_files.h"

namespace plumo {
namespace {

bool IsDots(const char* name) { return !std::strcmp(name, ".") || !std::strcmp(name, ".."); }

// false when fn asked to stop.
bool ListIn(const std::string& folder, const std::string& leaf, bool folders, bool recursive,
            const std::function<bool(const std::string&)>& fn) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + leaf).c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    bool go = true;
    do {
      const bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (!IsDots(fd.cFileName) && isFolder == folders) go = fn(folder + fd.cFileName);
    } while (go && FindNextFileA(h, &fd));
    FindClose(h);
    if (!go) return false;
  }
  if (!recursive) return true;
  std::vector<std::string> below;
  h = FindFirstFileA((folder + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return true;
  do {
    // A junction or linked folder may lead back up the tree: it is listed, never entered.
    const DWORD a = fd.dwFileAttributes;
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT) && !IsDots(fd.cFileName))
      below.push_back(folder + fd.cFileName + "\\");
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  for (const std::string& b : below)
    if (!ListIn(b, leaf, folders, recursive, fn)) return false;
  return true;
}

class NotificationWatch : public FolderWatch {
 public:
  NotificationWatch(HANDLE change, HANDLE cancel) : change_(change), cancel_(cancel) {}
  ~NotificationWatch() override {
    FindCloseChangeNotification(change_);
    CloseHandle(cancel_);
  }
  bool WaitForChange() override {
    HANDLE both[2] = {change_, cancel_};
    return WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0;
  }
  void Cancel() override { SetEvent(cancel_); }

 private:
  HANDLE change_;
  HANDLE cancel_;
};

}  // namespace

void Win32Files::ListMatches(const std::string& mask, bool folders, bool recursive,
                             const std::function<bool(const std::string& path)>& fn) {
  const size_t slash = mask.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "" : mask.substr(0, slash + 1);
  const std::string leaf = slash == std::string::npos ? mask : mask.substr(slash + 1);
  ListIn(folder, leaf, folders, recursive, fn);
}

std::unique_ptr<FolderWatch> Win32Files::WatchFolder(const std::string& path, OsError* error) {
  const DWORD filter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES |
                       FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
  HANDLE change = FindFirstChangeNotificationA(path.c_str(), TRUE, filter);
  if (change == INVALID_HANDLE_VALUE) {
    *error = LastWin32Error("FindFirstChangeNotificationA");
    return nullptr;
  }
  HANDLE cancel = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!cancel) {
    *error = LastWin32Error("CreateEventA");
    FindCloseChangeNotification(change);
    return nullptr;
  }
  return std::make_unique<NotificationWatch>(change, cancel);
}

}  // namespace plumo
