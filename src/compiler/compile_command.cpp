#include "compiler/compile_command.h"

#include <utility>

#include "base/text.h"
#include "studio/command_line.h"

namespace plumo {
namespace {

constexpr size_t kPathWidth = 260;
constexpr size_t kTextWidth = 128;

// Options with a value, each long form first; the short form is read only when the long one
// gave nothing.
struct TextOption {
  const char* longForm;
  const char* shortForm;
  size_t width;
  std::string BuildRequest::*field;
};
constexpr TextOption kTextOptions[] = {
    {"-icon", "-i", kPathWidth, &BuildRequest::icon},
    {"-version", "-v", kTextWidth, &BuildRequest::version},
    {"-copyright", "-y", kTextWidth, &BuildRequest::copyright},
    {"-description", "-d", kTextWidth, &BuildRequest::description},
};

struct FlagOption {
  const char* longForm;
  const char* shortForm;  // nullptr: the long form only
  bool BuildRequest::*field;
};
constexpr FlagOption kFlagOptions[] = {
    {"-compress", "-z", &BuildRequest::compress},
    {"-single", "-s", &BuildRequest::singleInstance},
    {"-encrypt", "-e", &BuildRequest::encrypt},
    // The help text's long quiet form is not searched.
    {"-q", nullptr, &BuildRequest::quiet},
};

struct PackagingOption {
  const char* longForm;
  const char* shortForm;
  int bit;
};
constexpr PackagingOption kPackagingOptions[] = {
    {"-package_image", "-pi", packaging::kImageFiles},
    {"-package_data", "-pd", packaging::kDataFiles},
};

std::string QuotedPath(std::string_view path) {
  if (path.find(' ') == std::string_view::npos) return std::string(path);
  std::string quoted(1, '"');
  quoted.append(path).push_back('"');
  return quoted;
}

bool HasOption(std::string_view line, const char* longForm, const char* shortForm) {
  return FindSwitch(line, longForm) != 0 || (shortForm && FindSwitch(line, shortForm) != 0);
}

}  // namespace

const char kCompileHelp[] =
    "COMPILE OPTIONS:\n"
    "----------------------\n"
    "   -c [file]          VXM source to compile (required)\n"
    "   -o [file]          Output filename\n"
    "   -icon [file] (-i)  Icon File (.exe .dll .ico)\n"
    "   -compress (-z)     Use compression\n"
    "   -package_i (-pi)   Package (embed) IMAGE files\n"
    "   -package_d (-pd)   Package (embed) DATA files\n"
    "   -single (-s)       Single instance\n"
    "   -encrypt (-e)      Do not allow decompile\n"
    "   -version (-v)      Version number\n"
    "   -description (-d)  Description text\n"
    "   -copyright (-y)    Copyright text\n"
    "   -quiet (-q)        Suppress messages\n"
    "   -WIN32             Create Windows program\n"
    "   -CONSOLE           Create Console program\n"
    "   -DLL               Create Dynamic Link Library\n"
    "\n"
    "Examples:\n"
    "   Plumo -c script.vxm\n"
    "   Plumo -c script.vxm -icon C:\\Windows\\Notepad.exe\n"
    "   Plumo /c script.vxm /version 1.2\n"
    "   Plumo /c demo.vxm /o demo.exe /WIN32 /z /v 2.5.1";

std::string JoinArguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (i > 0) line.push_back(' ');
    if (arg.find(' ') != std::string::npos) {
      line.push_back('"');
      line += arg;
      line.push_back('"');
    } else {
      line += arg;
    }
  }
  return line;
}

std::string DefaultOutputName(std::string_view script) {
  size_t dot = script.rfind('.');
  std::string name(script.substr(0, dot));
  return name + ".exe";
}

ScriptAndOutput ReadScriptAndOutput(std::string_view commandLine) {
  ScriptAndOutput r;
  r.hasScript = FindSwitch(commandLine, "-c", &r.script, kPathWidth) != 0;
  if (!r.hasScript) return r;
  if (FindSwitch(commandLine, "-o", &r.output, kPathWidth) == 0 || r.output.empty())
    r.output = DefaultOutputName(r.script);
  return r;
}

void ReadBuildOptions(std::string_view commandLine, BuildRequest& request) {
  for (const TextOption& o : kTextOptions) {
    std::string& value = request.*o.field;
    if (FindSwitch(commandLine, o.longForm, &value, o.width) == 0 || value.empty())
      FindSwitch(commandLine, o.shortForm, &value, o.width);
  }
  for (const FlagOption& o : kFlagOptions) request.*o.field = HasOption(commandLine, o.longForm, o.shortForm);
  request.packaging = 0;
  for (const PackagingOption& o : kPackagingOptions)
    if (HasOption(commandLine, o.longForm, o.shortForm)) request.packaging |= o.bit;
  // "/CONSOLE" wins over "/DLL".
  request.platform = FindSwitch(commandLine, "/CONSOLE") ? Platform::kConsole
                     : FindSwitch(commandLine, "/DLL")   ? Platform::kDll
                                                         : Platform::kWindows;
}

std::string EquivalentCommandLine(const BuildRequest& r, std::string_view scriptPath) {
  static constexpr const char* kPlatformSwitches[] = {" /WIN32", " /CONSOLE", " /DLL"};
  std::string line = "Plumo";
  line += kPlatformSwitches[static_cast<int>(r.platform)];
  const std::pair<bool, const char*> flags[] = {
      {r.compress, " /z"},
      {(r.packaging & packaging::kImageFiles) != 0, " /pi"},
      {(r.packaging & packaging::kDataFiles) != 0, " /pd"},
      {r.singleInstance, " /s"},
      {r.encrypt, " /e"},
  };
  for (const auto& [on, word] : flags)
    if (on) line += word;
  const std::pair<const char*, std::string_view> paths[] = {{" /c ", scriptPath}, {" /o ", r.output}, {" /i ", r.icon}};
  for (const auto& [word, path] : paths)
    if (!path.empty()) line += word + QuotedPath(path);
  const std::pair<const char*, const std::string*> texts[] = {
      {" /v ", &r.version}, {" /d ", &r.description}, {" /y ", &r.copyright}};
  for (const auto& [word, text] : texts) {
    line += word;
    line.push_back('"');
    line += *text;
    line.push_back('"');
  }
  return line;
}

std::string MissingScriptText(std::string_view commandLine) {
  std::string text;
  if (commandLine.find('?') == std::string_view::npos) text = "Missing command line parameters\n\n";
  text += '\n';
  text += kCompileHelp;
  text += '\n';
  return text;
}

}  // namespace plumo
