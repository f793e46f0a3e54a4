// The text, number and date functions that older Scripts name and that loading puts into the
// Data category although the catalogue lists them no more.
#include <algorithm>
#include <cmath>
#include <random>

#include "actions/integration/action_context.h"
#include "actions/integration/data/data_actions.h"
#include "actions/integration/data/text_functions.h"
#include "base/text.h"
#include "engine/session.h"
#include "vars/dates.h"
#include "vars/number_text.h"
#include "vars/system_variables.h"
#include "vars/text_format.h"

namespace plumo {
namespace {

constexpr std::string_view kWhitespace = " \t\r\n";
constexpr int64_t kSecondsPerDay = 86400;

int ChangeCase(ActionContext& c) {
  std::string text = c.Expand(c.step.value1);
  if (c.Option("Upper")) return c.Store(ToUpperAnsi(text));
  if (c.Option("Lower")) return c.Store(ToLowerAnsi(text));
  if (!c.Option("Title")) return c.Fail("No Change To word (Upper, Lower or Title) given");
  bool start = true;
  for (char& ch : text) {
    ch = start ? ToUpperAnsi(ch) : ToLowerAnsi(ch);
    start = ToUpperAnsi(ch) == ToLowerAnsi(ch) && ch != '\'';  // letters go on a word
  }
  return c.Store(text);
}

int TrimText(ActionContext& c) {
  const std::string text = c.Expand(c.step.value1);
  std::string characters = c.Expand(c.step.value2);
  if (characters.empty() || c.Option("Whitespace")) characters += c.Option("Whitespace") ? kWhitespace : " ";
  const bool front = !c.Option("End") || c.Option("Front + End");
  const bool end = !c.Option("Front") || c.Option("Front + End");
  size_t first = front ? text.find_first_not_of(characters) : 0;
  if (first == std::string::npos) return c.Store("");
  size_t last = end ? text.find_last_not_of(characters) : text.size() - 1;
  return c.Store(std::string_view(text).substr(first, last + 1 - first));
}

// Where the text matches the Match Type: a 1-based position, 0 for none.
size_t MatchPosition(ActionContext& c, const std::string& text, const std::string& wanted) {
  if (c.Option("Any Characters from List")) {
    const size_t at = text.find_first_of(wanted);
    return at == std::string::npos ? 0 : at + 1;
  }
  if (c.Option("Only Characters from List")) {
    const size_t at = text.find_first_not_of(wanted);
    return at == std::string::npos ? 0 : at + 1;
  }
  if (wanted.empty()) return 0;
  const size_t at = FindText(text, wanted, 0, c.Option("Case Sensitive"));
  return at == std::string::npos ? 0 : at + 1;
}

int Contains(ActionContext& c) {
  const std::string text = c.Expand(c.step.value1), wanted = c.Expand(c.step.value2);
  const size_t at = MatchPosition(c, text, wanted);
  // Only characters from the list: no character outside it.
  const bool yes = c.Option("Only Characters from List") ? at == 0 && !text.empty() : at != 0;
  return c.Store(yes ? "1" : "0");
}

int FindTextAction(ActionContext& c) {
  return c.Store(std::to_string(MatchPosition(c, c.Expand(c.step.value1), c.Expand(c.step.value2))));
}

std::optional<size_t> Count(const std::string& text) {
  const std::optional<int64_t> n = WholeNumber(text);
  if (!n || *n < 0) return std::nullopt;
  return static_cast<size_t>(std::min<int64_t>(*n, 16 << 20));
}

int PadText(ActionContext& c) {
  std::string text = c.Expand(c.step.value1);
  const std::optional<size_t> length = Count(c.Expand(c.step.value2));
  if (!length) return c.Fail("Pad to Length must be a number from 0 on");
  std::string with = c.Expand(c.step.value3);
  if (with.empty()) with = " ";
  if (text.size() >= *length) return c.Store(text);
  std::string pad;
  while (pad.size() < *length - text.size()) pad += with;
  pad.resize(*length - text.size());
  return c.Store(c.Option("Front") ? pad + text : text + pad);
}

int SideText(ActionContext& c, bool left) {
  const std::string text = c.Expand(c.step.value1);
  const std::optional<size_t> n = Count(c.Expand(c.step.value2));
  if (!n) return c.Fail("Length must be a number from 0 on");
  const size_t take = std::min(*n, text.size());
  return c.Store(left ? text.substr(0, take) : text.substr(text.size() - take));
}
int LeftText(ActionContext& c) { return SideText(c, true); }
int RightText(ActionContext& c) { return SideText(c, false); }

std::optional<double> NumberOf(const std::string& text) {
  const std::string_view t = Trim(text);
  if (t.empty() || t.find_first_not_of("0123456789.-+eE") != std::string_view::npos) return std::nullopt;
  return LeadingNumber(t);
}

int FormatNumber(ActionContext& c) {
  const std::string text = c.Expand(c.step.value1);
  const std::optional<double> value = NumberOf(text);
  if (!value) return c.Fail("\"" + text + "\" is no number");
  const std::string format = c.Expand(c.step.value2);
  if (Trim(format).empty() || ContainsNoCase(format, "Default Format")) return c.Store(NumberToText(*value, 15));
  std::string out;
  FormatValue(*value, format, c.session.locale().Values(), c.session.clock(), out);
  return c.Store(out);
}

int RandomNumber(ActionContext& c) {
  std::optional<int64_t> low = WholeNumber(c.Expand(c.step.value1)), high = WholeNumber(c.Expand(c.step.value2));
  if (!low || !high) return c.Fail("Minimum and Maximum must be whole numbers");
  if (*low > *high) std::swap(*low, *high);
  std::random_device seed;
  std::mt19937_64 random(seed());
  return c.Store(std::to_string(std::uniform_int_distribution<int64_t>(*low, *high)(random)));
}

int NumberToWordsAction(ActionContext& c) {
  const std::string text = c.Expand(c.step.value1);
  if (!NumberOf(text)) return c.Fail("\"" + text + "\" is no number");
  return c.Store(NumberToWords(Trim(text), false));
}

// The date of a field: today when empty.
std::optional<CivilDate> DateOf(ActionContext& c, const std::string& text) {
  Clock& clock = c.session.clock();
  if (Trim(text).empty()) {
    const SystemTime now = clock.LocalTime();
    return CivilDate{now.year, now.month, now.day};
  }
  return ParseDate(text, c.session.locale().Values(), clock);
}

double SerialOf(const CivilDate& d) {
  return DateSerial(static_cast<double>(d.year), d.month, d.day);
}

std::string DateText(ActionContext& c, double serial) {
  const CivilDate d = DateOfSerial(serial);
  SystemTime t;
  t.year = static_cast<uint16_t>(d.year);
  t.month = static_cast<uint16_t>(d.month);
  t.day = static_cast<uint16_t>(d.day);
  t.dayOfWeek = static_cast<uint16_t>(WeekdayOfSerial(serial) - 1);
  const LocaleValues& locale = c.session.locale().Values();
  return FormatPicture(locale.shortDateFormat, t, locale);
}

// The part a field names by one of its words; fallback when it names none.
template <size_t N>
int PartOf(std::string_view field, const std::array<std::string_view, N>& words, int fallback) {
  for (size_t i = 0; i < N; ++i)
    if (ContainsNoCase(field, words[i])) return static_cast<int>(i);
  return fallback;
}
constexpr std::array<std::string_view, 3> kDateParts = {"year", "month", "day"};
constexpr std::array<std::string_view, 3> kTimeParts = {"hour", "minute", "second"};

std::optional<int64_t> Amount(ActionContext& c) {
  const std::optional<int64_t> n = WholeNumber(c.Expand(c.step.value2));
  if (!n) return std::nullopt;
  return ContainsNoCase(c.step.value1, "Subtract") ? -*n : *n;
}

int DateAdd(ActionContext& c) {
  const std::string text = c.Expand(c.step.text);
  const std::optional<CivilDate> date = DateOf(c, text);
  if (!date) return c.Fail("\"" + text + "\" is no date");
  const std::optional<int64_t> amount = Amount(c);
  if (!amount) return c.Fail("Amount must be a whole number");
  const int part = PartOf(c.step.value3.str(), kDateParts, 2);
  if (part == 2) return c.Store(DateText(c, SerialOf(*date) + static_cast<double>(*amount)));
  // Months and years keep the day where the new month has it, else its last day.
  const int64_t months = part == 0 ? *amount * 12 : *amount;
  const double first = DateSerial(static_cast<double>(date->year), static_cast<double>(date->month + months), 1);
  return c.Store(DateText(c, first + std::min(date->day, DaysInMonth(first)) - 1));
}

int DateDifference(ActionContext& c) {
  const std::string a = c.Expand(c.step.text), b = c.Expand(c.step.value1);
  const std::optional<CivilDate> from = DateOf(c, a), to = DateOf(c, b);
  if (!from || !to) return c.Fail("\"" + (from ? b : a) + "\" is no date");
  const int part = PartOf(c.step.value2.str(), kDateParts, 2);
  if (part == 2) return c.Store(std::to_string(static_cast<int64_t>(SerialOf(*to) - SerialOf(*from))));
  // Whole months (or years) that lie between them.
  int64_t months = (to->year - from->year) * 12 + (to->month - from->month);
  if (months > 0 && to->day < from->day) --months;
  if (months < 0 && to->day > from->day) ++months;
  return c.Store(std::to_string(part == 0 ? months / 12 : months));
}

int64_t SecondsOf(const ClockTime& t) { return t.hours * 3600 + t.minutes * 60 + t.seconds; }

int TimeAdd(ActionContext& c) {
  const std::string text = c.Expand(c.step.text);
  ClockTime t;
  if (Trim(text).empty()) {
    const SystemTime now = c.session.clock().LocalTime();
    t = ClockTime{now.hour, now.minute, now.second};
  } else {
    t = ParseTime(text);
  }
  const std::optional<int64_t> amount = Amount(c);
  if (!amount) return c.Fail("Amount must be a whole number");
  static constexpr int64_t kUnit[] = {3600, 60, 1};
  int64_t s = (SecondsOf(t) + *amount * kUnit[PartOf(c.step.value3.str(), kTimeParts, 1)]) % kSecondsPerDay;
  if (s < 0) s += kSecondsPerDay;
  SystemTime out;
  out.hour = static_cast<uint16_t>(s / 3600);
  out.minute = static_cast<uint16_t>(s / 60 % 60);
  out.second = static_cast<uint16_t>(s % 60);
  const LocaleValues& locale = c.session.locale().Values();
  return c.Store(FormatPicture(locale.timeFormat, out, locale));
}

int TimeDifference(ActionContext& c) {
  const int64_t s = SecondsOf(ParseTime(c.Expand(c.step.value1))) - SecondsOf(ParseTime(c.Expand(c.step.text)));
  static constexpr int64_t kUnit[] = {3600, 60, 1};
  return c.Store(std::to_string(s / kUnit[PartOf(c.step.value2.str(), kTimeParts, 2)]));
}

int ClockTicksToText(ActionContext& c) {
  const std::string text = c.Expand(c.step.text);
  const std::optional<int64_t> ms = WholeNumber(text);
  if (!ms || *ms < 0 || *ms > UINT32_MAX) return c.Fail("\"" + text + "\" is no number of milliseconds");
  return c.Store(DurationText(static_cast<uint32_t>(*ms)));
}

int GetWeekday(ActionContext& c) {
  const std::string text = c.Expand(c.step.text);
  const std::optional<CivilDate> date = DateOf(c, text);
  if (!date) return c.Fail("\"" + text + "\" is no date");
  return c.Store(c.session.locale().Values().dayNames[static_cast<size_t>(WeekdayOfSerial(SerialOf(*date)) - 1)]);
}

constexpr ActionRow kOlderRows[] = {
    {"Change Case", ChangeCase},       {"Trim", TrimText},
    {"Contains", Contains},            {"Pad Text", PadText},
    {"Find Text", FindTextAction},     {"Left Text String", LeftText},
    {"Right Text String", RightText},  {"Format Number", FormatNumber},
    {"Random Number", RandomNumber},   {"Number to Words", NumberToWordsAction},
    {"Date Add", DateAdd},             {"Date Difference", DateDifference},
    {"Time Add", TimeAdd},             {"Time Difference", TimeDifference},
    {"Clock Ticks to Text", ClockTicksToText}, {"Get Weekday", GetWeekday},
};

}  // namespace

std::span<const ActionRow> OlderTextActionRows() { return kOlderRows; }

}  // namespace plumo
