#include "screen/calendar.h"

#include <algorithm>
#include <iterator>

namespace tav::screen {
namespace {

struct MonthEntry {
  int days;
  const char* name;  // Shift-JIS
};

constexpr MonthEntry kMonths[] = {
    {31, "\x96\x72\x8c\x8e"},          // 睦月
    {28, "\x94\x40\x8c\x8e"},          // 如月
    {31, "\x96\xed\x90\xb6"},          // 弥生
    {30, "\x89\x4b\x8c\x8e"},          // 卯月
    {31, "\x8e\x48\x8c\x8e"},          // 皐月
    {30, "\x90\x85\x96\xb3\x8c\x8e"},  // 水無月
    {31, "\x95\xb6\x8c\x8e"},          // 文月
    {31, "\x97\x74\x8c\x8e"},          // 葉月
    {30, "\x92\xb7\x8c\x8e"},          // 長月
    {31, "\x90\x5f\x96\xb3\x8c\x8e"},  // 神無月
    {30, "\x91\x9a\x8c\x8e"},          // 霜月
    {31, "\x8e\x74\x91\x96"},          // 師走
};

constexpr const char* kWeekdays[] = {
    "\x93\xfa",  // 日
    "\x8c\x8e",  // 月
    "\x89\xce",  // 火
    "\x90\x85",  // 水
    "\x96\xd8",  // 木
    "\x8b\xe0",  // 金
    "\x93\x79",  // 土
};

const std::string& NoName() {
  static const std::string empty;
  return empty;
}

}  // namespace

TOL_DayCountArray::TOL_DayCountArray() {
  for (const MonthEntry& month : kMonths) {
    Add(month.days);
    names_.emplace_back(month.name);
  }
}

const std::string& TOL_DayCountArray::MonthName(int month) const {
  return month >= 0 && month < static_cast<int>(names_.size()) ? names_[month] : NoName();
}

int TOL_DayCountArray::DaysInYear() const {
  int days = 0;
  for (int m = 0; m < GetSize(); ++m) days += GetAt(m);
  return days;
}

TOL_DayNameArray::TOL_DayNameArray() : names_(std::begin(kWeekdays), std::end(kWeekdays)) {}

const std::string& TOL_DayNameArray::GetAt(int index) const {
  return index >= 0 && index < GetSize() ? names_[index] : NoName();
}

const TOL_DayCountArray& DayCounts() {
  static const TOL_DayCountArray table;
  return table;
}

const TOL_DayNameArray& DayNames() {
  static const TOL_DayNameArray table;
  return table;
}

namespace calendar {

int64_t SecondsPerYear() {
  static const int64_t seconds = DayCounts().DaysInYear() * kSecondsPerDay;
  return seconds;
}

int64_t SecondsPerWeek() { return DayNames().GetSize() * kSecondsPerDay; }

int MonthOfPosition(int64_t positionInYear, int64_t* remainder) {
  const TOL_DayCountArray& months = DayCounts();
  int month = 0;
  int64_t r = positionInYear;
  // The last month takes whatever is left, so a month index never leaves the table.
  while (month + 1 < months.MonthCount() && r >= months.DaysInMonth(month) * kSecondsPerDay) {
    r -= months.DaysInMonth(month) * kSecondsPerDay;
    ++month;
  }
  if (remainder) *remainder = r;
  return month;
}

Date Split(int64_t t) {
  Date date;
  date.year = t / SecondsPerYear() + 1;
  int64_t rest = 0;
  date.month = MonthOfPosition(t % SecondsPerYear(), &rest) + 1;
  date.day = rest / kSecondsPerDay + 1;
  date.secondOfDay = t % kSecondsPerDay;
  return date;
}

int64_t Compose(int64_t year, int month, int64_t day, int64_t secondOfDay) {
  const TOL_DayCountArray& months = DayCounts();
  int64_t days = 0;
  for (int m = 0; m + 1 < month && m < months.MonthCount(); ++m) days += months.DaysInMonth(m);
  int64_t t = WrapMul(year - 1, SecondsPerYear());
  t = WrapAdd(t, days * kSecondsPerDay);
  t = WrapAdd(t, WrapMul(day - 1, kSecondsPerDay));
  return WrapAdd(t, secondOfDay);
}

int64_t AddMonths(int64_t t, int64_t months) {
  const int perYear = DayCounts().MonthCount();
  Date date = Split(t);
  int64_t year = WrapAdd(date.year, months / perYear);
  int month = date.month + static_cast<int>(months % perYear);
  if (month > perYear) {
    month -= perYear;
    year = WrapAdd(year, 1);
  } else if (month < 1) {
    month += perYear;
    year = WrapAdd(year, -1);
  }
  int64_t day = std::min<int64_t>(date.day, DayCounts().DaysInMonth(month - 1));
  return Compose(year, month, day, date.secondOfDay);
}

}  // namespace calendar
}  // namespace tav::screen
