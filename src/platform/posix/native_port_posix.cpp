#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/loop_main_queue.h"
#include "platform/memory/memory_registry.h"
#include "platform/native_port.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_environment.h"
#include "platform/posix/sqlite_registry.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_libraries.h"
#include "platform/posix/posix_locale.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_system.h"
#include "platform/posix/terminal_dialogs.h"

namespace plumo {
namespace {

// The database of the user, or, when it cannot be opened, settings in memory for this run:
// the program still works with its defaults.
std::unique_ptr<Registry> OpenUserRegistry() {
  std::string path = RegistryDatabasePath([](const char* name) -> const char* { return getenv(name); });
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  OsError error;
  if (auto reg = SqliteRegistry::Open(path, &error)) return reg;
  std::fprintf(stderr,
               "plumo: cannot open the registry database %s (%s); settings are kept in memory "
               "for this run only.\n",
               path.c_str(), error.ToString().c_str());
  return std::make_unique<MemoryRegistry>();
}

}  // namespace

// There is no desktop session yet; the clipboard is the process's own.
NativePort::NativePort()
    : registry_(OpenUserRegistry()),
      clock_(std::make_unique<PosixClock>()),
      environment_(std::make_unique<PosixEnvironment>()),
      mainQueue_(std::make_unique<LoopMainQueue>()),
      locale_(std::make_unique<PosixLocale>()),
      desktop_(std::make_unique<HeadlessDesktop>()),
      dialogs_(std::make_unique<TerminalDialogs>()),
      files_(std::make_unique<PosixFiles>()),
      system_(std::make_unique<PosixSystem>()),
      processes_(std::make_unique<PosixProcesses>()),
      threads_(std::make_unique<StdThreads>()),
      clipboard_(std::make_unique<MemoryClipboard>()),
      libraries_(std::make_unique<PosixLibraries>()) {}

NativePort::~NativePort() = default;

}  // namespace plumo
