// The command line of Plumo.com: the arguments joined into one line, its options, and the
// help text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compiler/build_request.h"

namespace plumo {

// Joined by single spaces; an argument with a space in it is wrapped in double quotes.
std::string JoinArguments(const std::vector<std::string>& arguments);

// "-c" and "-o" as given; empty when absent.
struct ScriptAndOutput {
  bool hasScript = false;
  std::string script;
  std::string output;  // the default name when "-o" gave none
};
ScriptAndOutput ReadScriptAndOutput(std::string_view commandLine);

// The Script's name cut at its last "." with ".exe" appended.
std::string DefaultOutputName(std::string_view script);

// Every other option, into a request whose output is already set.
void ReadBuildOptions(std::string_view commandLine, BuildRequest& request);

// What Plumo.com prints when "-c" is missing: the complaint (unless the line asks with "?"),
// a line end, the help text and a line end.
std::string MissingScriptText(std::string_view commandLine);

// The console command line equivalent to a request, as the studio's Compile dialog shows it.
// Paths with a space are quoted; empty paths are left out, so no option takes the next one
// as its value.
std::string EquivalentCommandLine(const BuildRequest& request, std::string_view scriptPath);

extern const char kCompileHelp[];

}  // namespace plumo
