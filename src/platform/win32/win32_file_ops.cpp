// The file and folder work of the Files & Folders actions on Windows: facts, streamed reads,
// appends and size changes that undo themselves on failure, copies that take the old file's
// place in one step, moves, and folder trees walked without entering junctions or links.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_files.h"

namespace plumo {
namespace {

constexpr DWORD kChunk = 1 << 20;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  return path.substr(0, slash + 1);
}

std::string Joined(const std::string& folder, const char* name) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') return folder + "\\" + name;
  return folder + name;
}

SystemTime LocalTimeOf(const FILETIME& ft) {
  SYSTEMTIME utc{}, local{};
  FileTimeToSystemTime(&ft, &utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  return SystemTime{local.wYear, local.wMonth, local.wDayOfWeek, local.wDay,
                    local.wHour, local.wMinute, local.wSecond, local.wMilliseconds};
}

class Win32Reader : public FileReader {
 public:
  explicit Win32Reader(HANDLE file) : file_(file) {}
  OsError Read(char* buffer, size_t size, size_t* got) override {
    DWORD n = 0;
    *got = 0;
    if (!::ReadFile(file_.get(), buffer, static_cast<DWORD>(std::min<size_t>(size, 1u << 30)), &n, nullptr))
      return LastWin32Error("ReadFile");
    *got = n;
    return OsError::Ok();
  }

 private:
  UniqueHandle file_;
};

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    DWORD n = 0;
    if (!WriteFile(file, data.data(), static_cast<DWORD>(std::min<size_t>(data.size(), kChunk)), &n, nullptr))
      return false;
    data.remove_prefix(n);
  }
  return true;
}

// Cuts a file back to its old length after a failed write, keeping the write's error.
void CutBack(HANDLE file, LONGLONG length) {
  const DWORD code = GetLastError();
  LARGE_INTEGER at;
  at.QuadPart = length;
  if (SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) SetEndOfFile(file);
  SetLastError(code);
}

// A destination we may write: absent, or a file that opens for writing.
OsError CheckDestination(const std::string& to) {
  const DWORD a = GetFileAttributesA(to.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return OsError::Ok();
  if (a & FILE_ATTRIBUTE_DIRECTORY) return Win32Error("CreateFileA", ERROR_ACCESS_DENIED);
  UniqueHandle old(CreateFileA(to.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!old.valid()) return LastWin32Error("CreateFileA");
  return OsError::Ok();
}

// Makes the new file beside to with fill, then puts it in to's place.
OsError ReplaceWith(const std::string& to, const std::function<bool(const char* temp)>& fill, const char* call) {
  if (OsError e = CheckDestination(to); !e) return e;
  char temp[MAX_PATH];
  if (!GetTempFileNameA(FolderOf(to).c_str(), "plm", 0, temp)) return LastWin32Error("GetTempFileNameA");
  auto fail = [&](const char* what) {
    const DWORD code = GetLastError();
    SetFileAttributesA(temp, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(temp);
    return Win32Error(what, code);
  };
  if (!fill(temp)) return fail(call);
  if (!MoveFileExA(temp, to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return fail("MoveFileExA");
  return OsError::Ok();
}

bool IsDotEntry(const char* name) { return !std::strcmp(name, ".") || !std::strcmp(name, ".."); }

// The entries of a folder other than "." and "..".
OsError Entries(const std::string& folder, std::vector<WIN32_FIND_DATAA>* out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(Joined(folder, "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return LastWin32Error("FindFirstFileA");
  do {
    if (!IsDotEntry(fd.cFileName)) out->push_back(fd);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return OsError::Ok();
}

OsError RemoveFolder(const std::string& path) {
  std::vector<WIN32_FIND_DATAA> entries;
  if (OsError e = Entries(path, &entries); !e) return e;
  for (const WIN32_FIND_DATAA& fd : entries) {
    const std::string child = Joined(path, fd.cFileName);
    const DWORD a = fd.dwFileAttributes;
    if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(child.c_str(), a & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
      if (OsError e = RemoveFolder(child); !e) return e;
    } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or folder link: only the link goes.
      if (!RemoveDirectoryA(child.c_str())) return LastWin32Error("RemoveDirectoryA");
    } else if (!DeleteFileA(child.c_str())) {
      return LastWin32Error("DeleteFileA");
    }
  }
  if (!RemoveDirectoryA(path.c_str())) return LastWin32Error("RemoveDirectoryA");
  return OsError::Ok();
}

}  // namespace

std::optional<FileFacts> Win32Files::Facts(const std::string& path, OsError* error) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) {
    *error = LastWin32Error("GetFileAttributesExA");
    return std::nullopt;
  }
  FileFacts f;
  const bool folder = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  f.kind = folder ? PathKind::kFolder : PathKind::kFile;
  f.size = folder ? 0 : (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  f.attributes = d.dwFileAttributes;
  f.created = LocalTimeOf(d.ftCreationTime);
  f.modified = LocalTimeOf(d.ftLastWriteTime);
  f.accessed = LocalTimeOf(d.ftLastAccessTime);
  return f;
}

std::unique_ptr<FileReader> Win32Files::OpenRead(const std::string& path, uint64_t offset, OsError* error) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = LastWin32Error("CreateFileA");
    return nullptr;
  }
  auto reader = std::make_unique<Win32Reader>(file);
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (offset > 0 && !SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) {
    *error = LastWin32Error("SetFilePointerEx");
    return nullptr;
  }
  return reader;
}

OsError Win32Files::Append(const std::string& path, std::string_view data) {
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastWin32Error("CreateFileA");
  const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) return LastWin32Error("GetFileSizeEx");
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_END)) return LastWin32Error("SetFilePointerEx");
  if (!WriteAll(file.get(), data)) {
    CutBack(file.get(), size.QuadPart);
    const DWORD code = GetLastError();
    file.reset();
    if (created) DeleteFileA(path.c_str());
    return Win32Error("WriteFile", code);
  }
  return OsError::Ok();
}

OsError Win32Files::Resize(const std::string& path, uint64_t size, char fill) {
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastWin32Error("CreateFileA");
  LARGE_INTEGER old;
  if (!GetFileSizeEx(file.get(), &old)) return LastWin32Error("GetFileSizeEx");
  LARGE_INTEGER at;
  if (size <= static_cast<uint64_t>(old.QuadPart) || fill == '\0') {
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) {
      const DWORD code = GetLastError();
      CutBack(file.get(), old.QuadPart);
      return Win32Error("SetEndOfFile", code);
    }
    return OsError::Ok();
  }
  const std::string block(static_cast<size_t>(std::min<uint64_t>(size - old.QuadPart, kChunk)), fill);
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_END)) return LastWin32Error("SetFilePointerEx");
  for (uint64_t left = size - old.QuadPart; left > 0;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
    if (!WriteAll(file.get(), std::string_view(block).substr(0, n))) {
      CutBack(file.get(), old.QuadPart);
      return LastWin32Error("WriteFile");
    }
    left -= n;
  }
  return OsError::Ok();
}

OsError Win32Files::Copy(const std::string& from, const std::string& to) {
  const DWORD a = GetFileAttributesA(from.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return LastWin32Error("CopyFileExA");
  if (a & FILE_ATTRIBUTE_DIRECTORY) return Win32Error("CopyFileExA", ERROR_ACCESS_DENIED);
  return ReplaceWith(
      to, [&](const char* temp) { return CopyFileExA(from.c_str(), temp, nullptr, nullptr, nullptr, 0) != 0; },
      "CopyFileExA");
}

OsError Win32Files::CopyPart(const std::string& from, uint64_t offset, uint64_t length, const std::string& to) {
  OsError error;
  std::unique_ptr<FileReader> reader = OpenRead(from, offset, &error);
  if (!reader) return error;
  return ReplaceWith(
      to,
      [&](const char* temp) {
        UniqueHandle out(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out.valid()) return false;
        std::vector<char> buffer(kChunk);
        for (uint64_t left = length; left > 0;) {
          size_t got = 0;
          error = reader->Read(buffer.data(), static_cast<size_t>(std::min<uint64_t>(left, kChunk)), &got);
          if (!error) {
            SetLastError(error.code());
            return false;
          }
          if (got == 0) break;
          if (!WriteAll(out.get(), std::string_view(buffer.data(), got))) return false;
          left -= got;
        }
        return FlushFileBuffers(out.get()) != 0;
      },
      "WriteFile");
}

OsError Win32Files::Move(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED)) return OsError::Ok();
  const DWORD code = GetLastError();
  const DWORD a = GetFileAttributesA(from.c_str());
  // Folders do not move between volumes by themselves.
  if (code != ERROR_NOT_SAME_DEVICE || a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY))
    return Win32Error("MoveFileExA", code);
  if (GetFileAttributesA(to.c_str()) != INVALID_FILE_ATTRIBUTES) return Win32Error("MoveFileExA", ERROR_ALREADY_EXISTS);
  if (OsError e = CopyTree(from, to); !e) {
    (void)RemoveFolder(to);  // the copy's failure is the answer
    return e;
  }
  return RemoveTree(from);
}

OsError Win32Files::MakeFolder(const std::string& path) {
  // Every folder on the way is tried; only whether the last one is there in the end counts,
  // so drives and shares on the way need no rules of their own.
  DWORD last = ERROR_PATH_NOT_FOUND;
  for (size_t at = path.find_first_of("\\/", 1);; at = path.find_first_of("\\/", at + 1)) {
    const std::string part = path.substr(0, at);
    if (part.back() != ':' && !CreateDirectoryA(part.c_str(), nullptr)) last = GetLastError();
    if (at == std::string::npos) break;
  }
  const DWORD a = GetFileAttributesA(path.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) return OsError::Ok();
  return Win32Error("CreateDirectoryA", last);
}

OsError Win32Files::RemoveTree(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  const DWORD a = GetFileAttributesA(folder.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return LastWin32Error("GetFileAttributesA");
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return Win32Error("RemoveDirectoryA", ERROR_DIRECTORY);
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
    if (!RemoveDirectoryA(folder.c_str())) return LastWin32Error("RemoveDirectoryA");
    return OsError::Ok();
  }
  if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(folder.c_str(), a & ~DWORD{FILE_ATTRIBUTE_READONLY});
  return RemoveFolder(folder);
}

OsError Win32Files::CopyTree(const std::string& from, const std::string& to) {
  if (OsError e = MakeFolder(to); !e) return e;
  std::vector<WIN32_FIND_DATAA> entries;
  if (OsError e = Entries(from, &entries); !e) return e;
  for (const WIN32_FIND_DATAA& fd : entries) {
    const DWORD a = fd.dwFileAttributes;
    // Linked folders are not copied: their content lies outside the tree.
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    const std::string source = Joined(from, fd.cFileName), target = Joined(to, fd.cFileName);
    // A copy made inside its source is not copied into itself again.
    if (lstrcmpiA(source.c_str(), to.c_str()) == 0) continue;
    OsError e = (a & FILE_ATTRIBUTE_DIRECTORY) ? CopyTree(source, target) : Copy(source, target);
    if (!e) return e;
  }
  return OsError::Ok();
}

OsError Win32Files::ChangeDirectory(const std::string& path) {
  if (!SetCurrentDirectoryA(path.c_str())) return LastWin32Error("SetCurrentDirectoryA");
  return OsError::Ok();
}

}  // namespace plumo

namespace plumo {

OsError Win32Files::CreateShortcut(const std::string& path, const Shortcut& link, std::string* made) {
  *made = path + ".lnk";
  // The run thread may not have COM yet; a thread that has it in another mode works as it is.
  const HRESULT init = CoInitialize(nullptr);
  const bool ours = SUCCEEDED(init);
  IShellLinkA* shell = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell));
  if (SUCCEEDED(hr)) {
    shell->SetPath(link.target.c_str());
    shell->SetArguments(link.arguments.c_str());
    shell->SetWorkingDirectory(link.workingFolder.c_str());
    shell->SetDescription(link.description.c_str());
    shell->SetShowCmd(link.show);
    IPersistFile* file = nullptr;
    hr = shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
      std::wstring wide(MAX_PATH * 4, L'\0');
      const int n = MultiByteToWideChar(CP_ACP, 0, made->c_str(), -1, wide.data(), static_cast<int>(wide.size()));
      hr = n > 0 ? file->Save(wide.c_str(), TRUE) : HRESULT_FROM_WIN32(GetLastError());
      file->Release();
    }
    shell->Release();
  }
  if (ours) CoUninitialize();
  if (FAILED(hr)) {
    const DWORD code = HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<DWORD>(hr);
    return Win32Error("IShellLinkA", code);
  }
  return OsError::Ok();
}

}  // namespace plumo
