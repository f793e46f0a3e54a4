// The Run actions (category 2): programs, documents, Call Script, processes, Control Panel
// pages, services, start-up entries, Send Command and DLL calls, and "Windows API".
#pragma once

#include <string>

namespace plumo {

class Libraries;
class Session;

// scriptRunner: the program that runs a called Script with "-r"; empty for this program itself
// (Plumo.exe, plumo, a built program). A DLL's host is no such program.
void RegisterProgramActions(Session& session, Libraries& libraries, std::string scriptRunner = {});

}  // namespace plumo
