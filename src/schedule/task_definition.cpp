// Builds the Task Scheduler 2.0 definition text of a scheduled task, line by line.
#include "schedule/task_definition.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/host.h"

namespace {

using std::chrono::sys_days;
using std::chrono::sys_seconds;

// The calendar types cover the years -32767 to 32767; clamping keeps every
// conversion inside that range, whatever 64-bit value arrives.
sys_seconds ToSysSeconds(std::int64_t time) {
  using namespace std::chrono;
  constexpr std::int64_t earliest =
      duration_cast<seconds>(sys_days{year::min() / January / 1}.time_since_epoch()).count();
  constexpr std::int64_t latest =
      duration_cast<seconds>(sys_days{year::max() / December / 31}.time_since_epoch()).count() + 86399;
  return sys_seconds{seconds{std::clamp(time, earliest, latest)}};
}

std::int64_t ToTime(sys_seconds moment) { return moment.time_since_epoch().count(); }

void AppendTwoDigits(std::wstring& text, long long value) {
  text += static_cast<wchar_t>(L'0' + value / 10 % 10);
  text += static_cast<wchar_t>(L'0' + value % 10);
}

// Character data: only the three characters that could end or open markup are replaced.
std::wstring EscapeXml(const std::wstring& text) {
  std::wstring escaped;
  escaped.reserve(text.size());
  for (const wchar_t c : text) {
    switch (c) {
      case L'&': escaped += L"&amp;"; break;
      case L'<': escaped += L"&lt;"; break;
      case L'>': escaped += L"&gt;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

// The first day at startMinutes, keeping the seconds of startTime; minutes
// beyond one day carry over into the following days.
std::int64_t StartBoundary(const ScheduledTaskSpec& task) {
  using namespace std::chrono;
  const sys_seconds start = ToSysSeconds(task.startTime);
  const sys_days day = floor<days>(start);
  const seconds secondOfMinute = (start - day) % minutes{1};
  return ToTime(day + hours{task.startMinutes / 60} + minutes{task.startMinutes % 60} + secondOfMinute);
}

const wchar_t* DayElement(std::uint16_t dayOfWeek) {
  static constexpr const wchar_t* elements[] = {L"<Sunday/>",   L"<Monday/>", L"<Tuesday/>", L"<Wednesday/>",
                                                L"<Thursday/>", L"<Friday/>", L"<Saturday/>"};
  return dayOfWeek < 7 ? elements[dayOfWeek] : L"";
}

class DefinitionWriter {
 public:
  void Line(int tabs, const std::wstring& text) {
    out.append(static_cast<std::size_t>(tabs), L'\t');
    out += text;
    out += L'\n';
  }
  void Element(int tabs, const std::wstring& tag, const std::wstring& value) {
    Line(tabs, L"<" + tag + L">" + value + L"</" + tag + L">");
  }
  std::wstring& Text() { return out; }

 private:
  std::wstring out;
};

}  // namespace

std::wstring RandomDelayText(unsigned minutes) { return L"PT" + std::to_wstring(minutes) + L"M"; }

TaskDate UtcDateOf(std::int64_t time) {
  using namespace std::chrono;
  const year_month_day date{floor<days>(ToSysSeconds(time))};
  return {static_cast<int>(date.year()), static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day())};
}

std::wstring FormatTaskTime(std::int64_t time) {
  using namespace std::chrono;
  const sys_seconds moment = ToSysSeconds(time);
  const sys_days day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss<seconds> clock{moment - day};

  std::wstring text = std::to_wstring(static_cast<int>(date.year()));
  text += L'-';
  AppendTwoDigits(text, static_cast<unsigned>(date.month()));
  text += L'-';
  AppendTwoDigits(text, static_cast<unsigned>(date.day()));
  text += L'T';
  AppendTwoDigits(text, clock.hours().count());
  text += L':';
  AppendTwoDigits(text, clock.minutes().count());
  text += L':';
  AppendTwoDigits(text, clock.seconds().count());
  return text;
}

bool BuildTaskXml(const ScheduledTaskSpec& task, std::int64_t now, std::wstring& xml) {
  if (task.scheduleKind != kScheduleDaily && task.scheduleKind != kScheduleWeekly &&
      task.scheduleKind != kScheduleMonthly)
    return false;

  DefinitionWriter w;
  w.Line(0, L"<?xml version=\"1.0\" ?>");
  w.Line(0, L"<Task xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">");
  w.Line(1, L"<RegistrationInfo>");
  w.Element(2, L"Date", FormatTaskTime(now));
  w.Element(2, L"Author", EscapeXml(task.author));
  w.Element(2, L"Description", EscapeXml(task.description));
  w.Line(1, L"</RegistrationInfo>");
  w.Line(1, L"<Triggers>");
  w.Line(2, L"<CalendarTrigger>");
  w.Element(3, L"StartBoundary", FormatTaskTime(StartBoundary(task)));
  if (task.endTime != 0) w.Element(3, L"EndBoundary", FormatTaskTime(task.endTime));
  if (task.randomDelayMinutes != 0) w.Element(3, L"RandomDelay", RandomDelayText(task.randomDelayMinutes));
  switch (task.scheduleKind) {
    case kScheduleDaily:
      w.Line(3, L"<ScheduleByDay>");
      w.Element(4, L"DaysInterval", L"1");
      w.Line(3, L"</ScheduleByDay>");
      break;
    case kScheduleWeekly:
      w.Line(3, L"<ScheduleByWeek>");
      w.Element(4, L"WeeksInterval", L"1");
      w.Element(4, L"DaysOfWeek", std::wstring(DayElement(task.dayOfWeek)) + L"\t\t\t\t");
      w.Line(3, L"</ScheduleByWeek>");
      break;
    default:
      w.Line(3, L"<ScheduleByMonth>");
      w.Element(4, L"DaysOfMonth", L"<Day>" + std::to_wstring(task.dayOfMonth) + L"</Day>");
      w.Element(4, L"Months",
                L"<January/><February/><March/><April/><May/><June/><July/><August/><September/><October/>"
                L"<November/><December/>");
      w.Line(3, L"</ScheduleByMonth>");
  }
  w.Line(2, L"</CalendarTrigger>");
  w.Line(1, L"</Triggers>");
  w.Line(1, L"<Settings>");
  w.Element(2, L"Enabled", L"true");
  w.Element(2, L"AllowStartOnDemand", L"true");
  w.Element(2, L"AllowHardTerminate", L"true");
  w.Element(2, L"StartWhenAvailable", L"true");
  // A laptop on battery runs the weekly sync too, and one under way goes on
  // when the machine leaves mains power.
  w.Element(2, L"DisallowStartIfOnBatteries", L"false");
  w.Element(2, L"StopIfGoingOnBatteries", L"false");
  w.Line(1, L"</Settings>");
  w.Line(1, L"<Actions>");
  w.Line(2, L"<Exec>");
  w.Element(3, L"Command", EscapeXml(task.command));
  w.Element(3, L"Arguments", EscapeXml(task.arguments));
  w.Line(2, L"</Exec>");
  w.Line(1, L"</Actions>");
  w.Line(0, L"</Task>");
  xml = std::move(w.Text());
  return true;
}

bool BuildTaskXml(const ScheduledTaskSpec& task, std::wstring& xml) {
  return BuildTaskXml(task, platform::CurrentTime(), xml);
}
