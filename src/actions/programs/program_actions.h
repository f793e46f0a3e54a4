// The Run actions (category 2): programs, documents, Call Script, processes, Control Panel
// pages, services, start-up entries, Send Command and DLL calls, and "Windows API".
#pragma once

namespace plumo {

class Libraries;
class Session;

// callsScripts: this program can run another Script with "-r" (Plumo.exe, the Linux runner);
// the runtime images cannot yet, and Call Script says so there.
void RegisterProgramActions(Session& session, Libraries& libraries, bool callsScripts = true);

}  // namespace plumo
