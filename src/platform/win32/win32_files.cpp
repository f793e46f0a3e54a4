#include "platform/win32/win32_files.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  return path.substr(0, slash + 1);
}

}  // namespace

PathKind Win32Files::Kind(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return PathKind::kNone;
  return (a & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder : PathKind::kFile;
}

bool Win32Files::AnyMatch(const std::string& pattern) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    if (std::strcmp(fd.cFileName, ".") != 0 && std::strcmp(fd.cFileName, "..") != 0) found = true;
  } while (!found && FindNextFileA(h, &fd));
  FindClose(h);
  return found;
}

std::optional<uint64_t> Win32Files::FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return std::nullopt;
  if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

OsError Win32Files::ReadFile(const std::string& path, std::string* out, bool* opened) {
  *opened = false;
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastWin32Error("CreateFileA");
  *opened = true;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) return LastWin32Error("GetFileSizeEx");
  if (static_cast<uint64_t>(size.QuadPart) > out->max_size()) return Win32Error("ReadFile", ERROR_NOT_ENOUGH_MEMORY);
  std::string data;
  try {
    data.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return Win32Error("ReadFile", ERROR_NOT_ENOUGH_MEMORY);
  }
  size_t done = 0;
  while (done < data.size()) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 24));
    if (!::ReadFile(file.get(), &data[done], want, &n, nullptr)) return LastWin32Error("ReadFile");
    if (n == 0) break;  // the file shrank meanwhile
    done += n;
  }
  data.resize(done);
  *out = std::move(data);
  return OsError::Ok();
}

OsError Win32Files::CreateExclusive(const std::string& path) {
  // CREATE_NEW fails on any existing name, a reparse point included.
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD code = GetLastError();
    return Win32Error("CreateFileA", code == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : code);
  }
  return OsError::Ok();
}

OsError Win32Files::Delete(const std::string& path) {
  if (DeleteFileA(path.c_str())) return OsError::Ok();
  const DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return OsError::Ok();
  return Win32Error("DeleteFileA", code);
}

OsError Win32Files::ReplaceContent(const std::string& path, std::string_view data, bool* created) {
  *created = false;
  if (const DWORD attributes = GetFileAttributesA(path.c_str()); attributes != INVALID_FILE_ATTRIBUTES) {
    // The old file must be one we may write: not read-only, not held by another program. The
    // attribute is tested itself: Wine run by root opens a read-only file for writing.
    if (attributes & FILE_ATTRIBUTE_READONLY) return Win32Error("CreateFileA", ERROR_ACCESS_DENIED);
    UniqueHandle old(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!old.valid()) return LastWin32Error("CreateFileA");
  }
  char temp[MAX_PATH];
  if (!GetTempFileNameA(FolderOf(path).c_str(), "plm", 0, temp)) return LastWin32Error("GetTempFileNameA");
  *created = true;
  auto fail = [&](const char* call) {
    const DWORD code = GetLastError();
    DeleteFileA(temp);
    return Win32Error(call, code);
  };
  {
    UniqueHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return fail("CreateFileA");
    while (!data.empty()) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size(), 1u << 24));
      if (!WriteFile(file.get(), data.data(), want, &n, nullptr)) {
        const DWORD code = GetLastError();
        file.reset();
        SetLastError(code);
        return fail("WriteFile");
      }
      data.remove_prefix(n);
    }
    if (!FlushFileBuffers(file.get())) {
      const DWORD code = GetLastError();
      file.reset();
      SetLastError(code);
      return fail("FlushFileBuffers");
    }
  }
  if (!MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return fail("MoveFileExA");
  return OsError::Ok();
}

}  // namespace plumo
