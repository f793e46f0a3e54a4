// The run log: the one writer of every line a run produces (log file and Output palette), the
// status bar texts, Step begin, and the header and summary around each run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/os_error.h"

namespace plumo {

class Session;

// Lines reach the log file whole up to this length.
constexpr size_t kLogLineMax = 991;
constexpr size_t kStatusTextLimit = 240;
constexpr uint32_t kStatusThrottleMs = 100;
constexpr uint32_t kScrollThrottleMs = 100;
constexpr uint32_t kTrackingThrottleMs = 101;
constexpr uint32_t kHighlightThrottleMs = 100;
// Separates runs; never the first line of an empty Output palette.
inline constexpr std::string_view kBlankLine = " ";
// Writers that must keep a '%' through the log's formatting put this byte in its place.
constexpr char kPercentStandIn = '\xB0';

// Writes a finished line: nothing in it is taken as a format.
void LogLine(Session& session, std::string_view text);
// Formats with the arguments when the format holds '%' and is shorter than 992 characters;
// otherwise the format is the text. Formats are the program's own, never user text.
void LogFormat(Session& session, const char* format, ...) __attribute__((format(printf, 2, 3)));

// printf into a string (up to 4095 characters).
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A message box through the dialogs port; the button chosen (engine/message_box.h).
int AskUser(Session& session, const std::string& text, const std::string& caption, uint32_t style);

// Status bar part 0 to 3. Without `forced` a part takes at most one text per 100 ms; texts of
// 240 characters or more and empty texts change nothing.
void StatusText(Session& session, int part, bool forced, std::string_view text);

// Appends text as it is to the log file, whatever the log level ("Write to Log").
OsError AppendToLogFile(Session& session, const std::string& text);

// *\Logfile, or the program's path with ".exe" made "Log.txt".
std::string LogFilePath(Session& session);

// A Step is entered (or re-entered by the failure handling): clocks, tracking, log line,
// status bar, progress, highlight.
void StepBegin(Session& session, int slot, int index);

void WriteRunHeader(Session& session, int slot);
// Returns the completion line shown in the status bar.
std::string WriteRunSummary(Session& session, int slot, int endIndex);

// English names; index 0 is Sunday / January.
std::string_view WeekdayName(int dayOfWeek);
std::string_view MonthName(int month);

// The Script's file name without its folder.
std::string ScriptFileName(std::string_view path);

}  // namespace plumo
