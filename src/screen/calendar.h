// The game calendar: twelve fixed months of 365 days, no leap years, a seven-day week.
//
// Month lengths, month names and weekday names come from two static tables; the names are
// Shift-JIS text like every string inside the engine. Times are signed 64-bit counts of seconds
// since year 1, month 1, day 1, 00:00:00, which was the first day of the week (index 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screen/int_array.h"

namespace tav::screen {

// Days per month, with the months' names beside them.
class TOL_DayCountArray : public TOL_IntArray {
 public:
  TOL_DayCountArray();

  int MonthCount() const { return GetSize(); }
  // By 0-based month; 0 days and an empty name outside the table.
  int DaysInMonth(int month) const { return GetAt(month); }
  const std::string& MonthName(int month) const;
  int DaysInYear() const;

 private:
  std::vector<std::string> names_;
};

// The weekday names, index 0 first.
class TOL_DayNameArray {
 public:
  TOL_DayNameArray();

  int GetSize() const { return static_cast<int>(names_.size()); }
  // An empty name outside 0 .. size-1.
  const std::string& GetAt(int index) const;

 private:
  std::vector<std::string> names_;
};

const TOL_DayCountArray& DayCounts();
const TOL_DayNameArray& DayNames();

namespace calendar {

constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerHour = 60 * kSecondsPerMinute;
constexpr int64_t kSecondsPerDay = 24 * kSecondsPerHour;
int64_t SecondsPerYear();
int64_t SecondsPerWeek();

// A time taken apart. Year is 1-based, month and day are 1-based. For negative times the parts
// are whatever the integer arithmetic gives, but Compose of them gives the time back.
struct Date {
  int64_t year;
  int month;
  int64_t day;
  int64_t secondOfDay;
};

Date Split(int64_t t);
// Year, 1-based month (1 .. 12) and 1-based day, not limited; arithmetic wraps at 64 bits.
int64_t Compose(int64_t year, int month, int64_t day, int64_t secondOfDay);

// The 0-based month of a position within the year, and the seconds left after its whole months.
int MonthOfPosition(int64_t positionInYear, int64_t* remainder);

// Moves by `months` (a year per twelve, then month by month), keeping the time of day and the
// day of the month limited to the target month's length.
int64_t AddMonths(int64_t t, int64_t months);

// Wrapping 64-bit arithmetic: setters are not range-checked, so sums may leave the range.
inline int64_t WrapAdd(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}
inline int64_t WrapMul(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

}  // namespace calendar
}  // namespace tav::screen
