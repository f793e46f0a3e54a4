// Flow control: the executors of "Loops & Flow" (13) and "IF" (14). A Script is a flat list;
// its structure comes from marker Steps that these executors interpret when they run, finding
// their partners (NEXT LOOP, START, ELSE, END IF, the label) by scanning the Step list and
// keeping the nesting in the small stacks of FlowState.
#pragma once

#include <string>
#include <string_view>

namespace plumo {

class Session;
struct Script;
struct Step;

// Registers both executors and fills Session::flow.
void RegisterFlowControl(Session& session);

// The matching NEXT LOOP of the loop at (or around) index; index + 1 when there is none.
int FindNextLoop(const Script& script, int index);
// The matching loop START going back from index; -1 when there is none.
int FindStart(const Script& script, int index);
// The next ELSE, ELSE IF or END IF of the same level after index (only END IF with
// endIfOnly), logged; the Step count, with a warning, when there is none.
int FindElseOrEndIf(Session& session, int slot, int index, bool endIfOnly);

int FlowControlExecutor(Session& session, int slot, int index, bool mainThread);
int ConditionExecutor(Session& session, int slot, int index, bool mainThread);

// A name that contains both "START" and "LOOP".
bool IsLoopStart(const Step& step);

// Loop values and other numbers as the loops write them (seven significant digits).
std::string LoopNumberText(double value);

}  // namespace plumo
