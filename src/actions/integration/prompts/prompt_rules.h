// The rules of the User Prompts actions that need no dialog: message-box styles from action
// names and options, the list separator, the prompt's line feed, entry kinds and flags, and the
// answers an unattended run gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"

namespace plumo {

// The message-box style of "Display Message", "Display Warning", "Ask Yes/No Question" and
// "Custom Message", with the foreground flag and the options' "top"; `keptOnTop` adds the
// topmost flag as the studio does when it stays on top.
uint32_t MessageStyleOf(std::string_view action, std::string_view options, bool keptOnTop);

// A message of 4096 characters or more keeps its first 3840 and says it was cut.
constexpr size_t kMessageCutAt = 4096;
constexpr size_t kMessageKept = 3840;
constexpr std::string_view kTruncatedMark = "<<MESSAGE TRUNCATED>>";
std::string CutMessage(std::string text);

// The name of a prompt's answer for {command}: "OK", "Cancel" ... "Help"; empty for others.
std::string_view AnswerName(int answer);

// The separator of a list prompt's text: the first of ';', LF, CR and ',' that occurs at least
// twice, else ';'.
char ListSeparator(std::string_view text);

// A list prompt's text split into its prompt and items (the separator rule).
struct ListText {
  std::string prompt;
  std::vector<std::string> items;
};
ListText SplitListText(std::string_view text);

// A one-line prompt shorter than 55 characters gets a line feed in front, so that it sits
// beside the middle of the dialog's icon.
std::string WithLeadingLine(std::string prompt);

// Which entry dialog an action shows, and its flags from the options.
EntryKind EntryKindOf(std::string_view action, std::string_view options);
uint32_t EntryFlagsOf(std::string_view action, std::string_view options);

// What a person pressing the default button would answer, for unattended runs and runs
// without a terminal: OK with the initial value (a list: the initial item when it is one,
// else the first; a login: the user name and an empty password).
PromptAnswer DefaultEntryAnswer(const EntryRequest& request);

// ---- Custom Dialog ----
constexpr size_t kCustomSlots = 5;

// The kind a "[n] Control Type" word names ("CHECK" is a check box, "(none)" and empty leave
// the slot empty); nullopt for a word that names none.
std::optional<CustomKind> CustomKindOf(std::string_view word);

// The text field's parts, one per slot: split at '|', the last slot keeping any further '|'.
std::vector<std::string> CustomTexts(std::string_view text);

// A slot's control from its kind and text: a list's first line is its label and the other
// lines its choices; a link is "<a href="address">words</a>" or a bare address.
CustomControl CustomControlOf(CustomKind kind, std::string_view text);

// OK with every field as it opens: edits empty, check boxes "0", lists on their first choice.
CustomAnswer DefaultCustomAnswer(const CustomRequest& request);

}  // namespace plumo
