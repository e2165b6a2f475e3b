#include "screen/var_time.h"

#include <algorithm>
#include <functional>
#include <string_view>

#include "screen/calendar.h"
#include "screen/method_args.h"
#include "script/core/method_table.h"
#include "script/methods/native_function.h"

namespace tav::screen {

using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;
using namespace calendar;

TOL_IMPLEMENT_CLASS(TOL_VarTime)

VarRef TOL_VarTime::Clone(TOL_Var* target) {
  if (target) {
    target->Assign(this);
    return VarRef(target);
  }
  return NewTime(Value());
}

TOL_Var* TOL_VarTime::FindMember(script::Atom name) {
  if (TOL_Var* method = script::MethodTable::Get(TimeMethodTableId()).Find(name)) return method;
  return TOL_VarInt64::FindMember(name);
}

int TimeMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

namespace {

int32_t Low32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

int64_t WeekdayIndex(int64_t t) { return (t / kSecondsPerDay) % DayNames().GetSize(); }

// Readers work on any receiver's 64-bit value.
void DefineReader(script::MethodTable& table, std::string_view name,
                  std::function<VarRef(int64_t t)> body) {
  table.Define(name, script::NewReceiverMethod(name, [body = std::move(body)](TOL_Var* self) {
                 return body(self->GetInt64());
               }));
}

void DefineInt(script::MethodTable& table, std::string_view name, int64_t (*part)(int64_t t)) {
  DefineReader(table, name, [part](int64_t t) { return script::NewInt(Low32(part(t))); });
}

void DefineCount(script::MethodTable& table, std::string_view name, int64_t (*count)(int64_t t)) {
  DefineReader(table, name, [count](int64_t t) { return script::NewInt64(count(t)); });
}

// Changers need a 64-bit receiver to change and at least `required` arguments (read as 32-bit
// integers); they answer none.
using Changer = std::function<int64_t(int64_t t, TOL_VarObArray* args)>;

void DefineChanger(script::MethodTable& table, std::string_view name, int required,
                   Changer change) {
  table.Define(name, script::NewNative(name, [required, change = std::move(change)](
                                                 TOL_Var* self, TOL_VarObArray* args,
                                                 TOL_VarObArray*) -> VarRef {
                 auto* time = dynamic_cast<script::TOL_VarInt64*>(self);
                 if (!time || script::ArgCount(args) < required) return nullptr;
                 time->SetValue(change(time->Value(), args));
                 return nullptr;
               }));
}

// Adds n units of `seconds` each.
void DefineAdder(script::MethodTable& table, std::string_view name, int64_t seconds) {
  DefineChanger(table, name, 1, [seconds](int64_t t, TOL_VarObArray* args) {
    return WrapAdd(t, LongArg(args, 0) * seconds);
  });
}

// Replaces one part: t - current * unit + n * unit.
void DefinePartSetter(script::MethodTable& table, std::string_view name, int64_t unit,
                      int64_t (*current)(int64_t t)) {
  DefineChanger(table, name, 1, [unit, current](int64_t t, TOL_VarObArray* args) {
    return WrapAdd(t, (int64_t{LongArg(args, 0)} - current(t)) * unit);
  });
}

// SETTIME(year [, month, day, hour, minute, second]) builds a time from its parts:
// - a year of 0 or less is year 1;
// - the month is limited to 1 .. 12 (the year is given, so no month carries into another);
// - the day is limited to 1 .. the length of that month;
// - hour, minute and second are taken as given, like SETHOUR and its kin: 30 hours is the
//   next day at 06:00.
int64_t BuildTime(int64_t, TOL_VarObArray* args) {
  int64_t year = std::max(LongArg(args, 0), 1);
  int month = std::clamp(LongArg(args, 1, 1), 1, DayCounts().MonthCount());
  int64_t day = std::clamp(LongArg(args, 2, 1), 1, DayCounts().DaysInMonth(month - 1));
  int64_t secondOfDay = int64_t{LongArg(args, 3, 0)} * kSecondsPerHour +
                        int64_t{LongArg(args, 4, 0)} * kSecondsPerMinute + LongArg(args, 5, 0);
  return Compose(year, month, day, secondOfDay);
}

}  // namespace

void DefineTimeMethods() {
  script::MethodTable& table = script::MethodTable::Get(TimeMethodTableId());
  if (table.Size() > 0) return;

  DefineInt(table, "GETYEAR", [](int64_t t) { return t / SecondsPerYear() + 1; });
  DefineInt(table, "GETMONTH", [](int64_t t) -> int64_t { return Split(t).month; });
  DefineInt(table, "GETDAY", [](int64_t t) { return Split(t).day; });
  DefineInt(table, "GETHOUR", [](int64_t t) { return t % kSecondsPerDay / kSecondsPerHour; });
  DefineInt(table, "GETMINUTE", [](int64_t t) { return t % kSecondsPerHour / kSecondsPerMinute; });
  DefineInt(table, "GETSECOND", [](int64_t t) { return t % kSecondsPerMinute; });
  DefineInt(table, "GETDAYOFWEEK", WeekdayIndex);
  DefineReader(table, "GETMONTHNAME", [](int64_t t) {
    return script::NewString(DayCounts().MonthName(Split(t).month - 1));
  });
  // Times before year 1 give negative indexes, which have no name: the answer is then empty.
  DefineReader(table, "GETDAYOFWEEKNAME", [](int64_t t) {
    int64_t index = WeekdayIndex(t);
    return script::NewString(index >= 0 ? DayNames().GetAt(static_cast<int>(index)) : "");
  });

  DefineCount(table, "GETYEARCOUNT", [](int64_t t) { return t / SecondsPerYear(); });
  DefineCount(table, "GETDAYCOUNT", [](int64_t t) { return t / kSecondsPerDay; });
  DefineCount(table, "GETHOURCOUNT", [](int64_t t) { return t / kSecondsPerHour; });
  DefineCount(table, "GETMINUTECOUNT", [](int64_t t) { return t / kSecondsPerMinute; });
  DefineCount(table, "GETSECONDCOUNT", [](int64_t t) { return t; });
  DefineCount(table, "GETWEEKCOUNT", [](int64_t t) { return t / SecondsPerWeek(); });

  DefineAdder(table, "ADDYEAR", SecondsPerYear());
  DefineAdder(table, "ADDDAY", kSecondsPerDay);
  DefineAdder(table, "ADDHOUR", kSecondsPerHour);
  DefineAdder(table, "ADDMINUTE", kSecondsPerMinute);
  DefineAdder(table, "ADDSECOND", 1);
  // ADDMONTH(n): a year for each twelve months of n, then month by month; the time of day is
  // kept and the day of the month limited to the target month's length (January 31 plus one
  // month is February 28).
  DefineChanger(table, "ADDMONTH", 1, [](int64_t t, TOL_VarObArray* args) {
    return AddMonths(t, LongArg(args, 0));
  });

  DefineChanger(table, "SETTIME", 1, BuildTime);
  DefineChanger(table, "SETYEAR", 1, [](int64_t t, TOL_VarObArray* args) {
    return WrapAdd(t % SecondsPerYear(), WrapMul(int64_t{LongArg(args, 0)} - 1, SecondsPerYear()));
  });
  // SETMONTH(n) is a move by n - (current month) months: the day is limited to the new month's
  // length and the time of day kept. Like the other setters it does not range-check: 13 is
  // January of the next year, 0 December of the year before.
  DefineChanger(table, "SETMONTH", 1, [](int64_t t, TOL_VarObArray* args) {
    return AddMonths(t, int64_t{LongArg(args, 0)} - Split(t).month);
  });
  // The day is not limited to the month: SETDAY(31) in February is early March.
  DefinePartSetter(table, "SETDAY", kSecondsPerDay, [](int64_t t) { return Split(t).day; });
  DefinePartSetter(table, "SETHOUR", kSecondsPerHour,
                   [](int64_t t) { return t % kSecondsPerDay / kSecondsPerHour; });
  DefinePartSetter(table, "SETMINUTE", kSecondsPerMinute,
                   [](int64_t t) { return t % kSecondsPerHour / kSecondsPerMinute; });
  DefinePartSetter(table, "SETSECOND", 1, [](int64_t t) { return t % kSecondsPerMinute; });
}

}  // namespace tav::screen
