// plumo: the Linux runner. Same command line as Plumo.exe; no studio window.
#include <pthread.h>
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "base/message_sink.h"
#include "base/option_block.h"
#include "base/version.h"
#include "engine/run_controller.h"
#include "engine/session.h"
#include "platform/memory/memory_resources.h"
#include "platform/native_port.h"
#include "runtime/all_actions.h"
#include "runtime/standalone_run.h"
#include "scripts/embedded_catalog.h"
#include "scripts/script_file.h"
#include "settings/settings_defaults.h"
#include "studio/command_line.h"
#include "studio/startup.h"

namespace {

// Without a desktop there is no screen or font to measure: the sizes of a common one.
constexpr int kAssumedScreenWidth = 1280;
constexpr int kAssumedFontHeight = 13;

// The arguments as one Windows-style command line; arguments with spaces keep them in quotes.
std::string CommandLineOf(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line.push_back(' ');
    std::string arg = argv[i];
    bool quote = arg.empty() || arg.find(' ') != std::string::npos;
    if (quote && arg.find('%') == std::string::npos) line += "\"" + arg + "\"";
    else line += arg;
  }
  return line;
}

constexpr char kUsage[] =
    "Usage: plumo [-r|-v] FILE.vxm [-s STEP] [-L|-F] [%name=value ...]\n"
    "\n"
    "Runs a Plumo Script without the studio.\n"
    "\n"
    "  FILE.vxm      run the Script and print its Output lines (as -v)\n"
    "  -r FILE.vxm   run the Script; its Output lines only with -L\n"
    "  -v FILE.vxm   run the Script and also print the run's Output lines\n"
    "  -s STEP       start at Step STEP (1 is the first)\n"
    "  -L            log every line of the run (the Output lines too)\n"
    "  -F            turn the run log off\n"
    "  %name=value   set the user variable name before the run\n"
    "  -h, --help    this text;  --version  the version\n"
    "\n"
    "Exit codes: 0 the run finished (or the code \"Exit Run\" gave), 1 a Step failed and\n"
    "stopped the run, 2 the Script cannot be found or loaded, 3 the run was stopped.\n"
    "Ctrl+C or SIGTERM stops the run as the studio's Stop does; a second one ends plumo at once.\n"
    "\n"
    "Settings and user variables live in $PLUMO_REGISTRY, else\n"
    "$XDG_CONFIG_HOME/plumo/registry.sqlite3, else ~/.config/plumo/registry.sqlite3.\n";

// Switches a word starting with '/' may be; any other such word is a file name on Linux.
bool IsSlashSwitch(const char* arg) {
  static const char* const kSwitches[] = {"/r", "/v", "/e", "/l", "/f", "/s", "/c", "/?"};
  for (const char* sw : kSwitches)
    if (!strcasecmp(arg, sw)) return true;
  return false;
}

// A file named alone ("plumo x.vxm", "plumo /home/me/x.vxm") is run as with -v.
bool NamesFileAlone(int argc, char** argv) {
  if (argc < 2) return false;
  const char* first = argv[1];
  if (first[0] == '-' || first[0] == '%' || first[0] == '\0') return false;
  return first[0] != '/' || !IsSlashSwitch(first);
}

// Ctrl+C and SIGTERM: the first asks the run to stop as the studio's Stop does, so that it ends
// through Finish run (keys and buttons released, the summary, exit code 3); the second, or one
// that comes while no run exists, ends the process at once.
class StopSignals {
 public:
  StopSignals() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    // Blocked before any other thread exists, so that only the watcher takes them.
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    std::thread([this] { Watch(); }).detach();
  }

  void Attach(plumo::Session* session) {
    std::lock_guard<std::mutex> lock(mu_);
    session_ = session;
  }

 private:
  void Watch() {
    for (bool first = true;; first = false) {
      int sig = 0;
      if (sigwait(&set_, &sig) != 0) continue;
      std::lock_guard<std::mutex> lock(mu_);
      if (!first || !session_) {
        // The default action, so that the caller sees the process ended by the signal.
        signal(sig, SIG_DFL);
        pthread_sigmask(SIG_UNBLOCK, &set_, nullptr);
        raise(sig);
        _exit(128 + sig);
      }
      plumo::Session* session = session_;
      session->mainQueue().Post([session] { plumo::StopRun(*session, false); });
    }
  }

  sigset_t set_;
  std::mutex mu_;
  plumo::Session* session_ = nullptr;
};

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
  // Numbers, dates and comparisons follow the user's locale, as on Windows.
  std::setlocale(LC_ALL, "");
  if (argc == 1) {
    std::fputs(kUsage, stderr);
    return plumo::exitcode::kCannotLoad;
  }
  if (argc == 2 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "/?"))) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && !std::strcmp(argv[1], "--version")) {
    std::printf("Plumo %s (%s)\n", plumo::kVersionText, plumo::ProgramOptionBlock().c_str());
    return 0;
  }
  using namespace plumo;
  std::string commandLine = CommandLineOf(argc, argv);
  if (NamesFileAlone(argc, argv)) commandLine = "-v " + commandLine;
  const StartRequest request = ParseStartRequest(commandLine);
  if (request.consoleSwitch) std::fprintf(stderr, "%s", ConsoleSwitchRefusal(commandLine).c_str());

  StopSignals signals;  // before the port starts any thread
  NativePort port;
  SettingsStore store(port.registry(), port.environment(), port.files());
  ApplyIniKeyOverride(store, port.environment().ProgramPath());
  WriteStartupDefaults(store, {kAssumedScreenWidth, kAssumedFontHeight, DocumentsFolderOf(port.environment(), store)});
  const ProcessLogging logging = ApplyLoggingSwitches(store, request);
  int variables = StoreCommandLineVariables(store, commandLine);

  if (request.mode == 0) {
    if (variables > 0) return 0;
    std::fputs(kUsage, stderr);
    return exitcode::kCannotLoad;
  }
  if (!(request.mode & startmode::kRun)) {
    std::fprintf(stderr, "plumo: editing Scripts needs the Plumo Studio on Windows (Plumo.exe -e \"%s\").\n",
                 request.file.c_str());
    return exitcode::kCannotLoad;
  }
  if (!FileExists(request.file)) {
    std::fprintf(stderr, "plumo: cannot open the Script %s.\n", request.file.c_str());
    return exitcode::kCannotLoad;
  }

  // The catalogue travels inside the program, as resource 9001 does on Windows.
  MemoryResources resources;
  resources.Add("", 9001, std::string(EmbeddedActionCatalog()));
  ActionCatalogs catalogs(resources);
  ConsoleMessages messages(std::cerr);
  ScriptFileServices io{port.files(), messages, store, catalogs};

  StandaloneRun run;
  run.logging = logging;
  // -v shows the Output palette; a hidden run shows it only when -L asks for every line.
  run.showOutput = !(request.mode & startmode::kHidden) || request.loggingOn;
  run.startStep = request.startStep;
  run.load = ScriptFileLoader(io, request.file);
  run.attach = [&signals](Session* session) { signals.Attach(session); };
  run.registerActions = RegisterAllActions;
  return RunStandalone(port, store, run);
}
