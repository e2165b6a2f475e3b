#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "archive/archive.h"
#include "encoding/sjis.h"
#include "screen/calendar.h"
#include "screen/screen_classes.h"
#include "screen/var_time.h"
#include "script/core/method_table.h"
#include "script/methods/native_function.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script_call.h"

namespace tav::screen {
namespace {

using script::NewInt;
using script::VarRef;
using testing::CallMethod;

constexpr int64_t kDay = 86400;
constexpr int64_t kYear = 365 * kDay;

class TimeValues : public ::testing::Test {
 protected:
  void SetUp() override {
    script::InitializeRuntime();
    RegisterScreenValueClasses();
  }
  void TearDown() override { script::Registry::CollectGarbageAll(); }

  // "Y-M-D hh:mm:ss" as the getters see it.
  static std::string Show(script::TOL_Var* time) {
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %02d:%02d:%02d",
                  CallMethod(time, "GETYEAR")->GetLong(), CallMethod(time, "GETMONTH")->GetLong(),
                  CallMethod(time, "GETDAY")->GetLong(), CallMethod(time, "GETHOUR")->GetLong(),
                  CallMethod(time, "GETMINUTE")->GetLong(), CallMethod(time, "GETSECOND")->GetLong());
    return text;
  }
  static std::string Utf8(const VarRef& sjis) { return platform::SjisToUtf8(sjis->GetString()); }
  static VarRef At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    VarRef time = NewTime();
    CallMethod(time.get(), "SETTIME",
               {NewInt(year), NewInt(month), NewInt(day), NewInt(hour), NewInt(minute), NewInt(second)});
    return time;
  }
};

TEST_F(TimeValues, TablesHoldTheCalendar) {
  const char* months[] = {"睦月", "如月", "弥生", "卯月", "皐月", "水無月",
                          "文月", "葉月", "長月", "神無月", "霜月", "師走"};
  const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  ASSERT_EQ(DayCounts().MonthCount(), 12);
  for (int m = 0; m < 12; ++m) {
    EXPECT_EQ(platform::SjisToUtf8(DayCounts().MonthName(m)), months[m]) << m;
    EXPECT_EQ(DayCounts().DaysInMonth(m), days[m]) << m;
  }
  EXPECT_EQ(DayCounts().DaysInYear(), 365);
  const char* weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
  ASSERT_EQ(DayNames().GetSize(), 7);
  for (int d = 0; d < 7; ++d) EXPECT_EQ(platform::SjisToUtf8(DayNames().GetAt(d)), weekdays[d]);
  EXPECT_EQ(DayNames().GetAt(7), "");
  EXPECT_EQ(DayCounts().MonthName(-1), "");
}

TEST_F(TimeValues, TheFirstSecond) {
  VarRef time = NewTime();
  EXPECT_EQ(Show(time.get()), "1-1-1 00:00:00");
  EXPECT_EQ(Utf8(CallMethod(time.get(), "GETMONTHNAME")), "睦月");
  EXPECT_EQ(CallMethod(time.get(), "GETDAYOFWEEK")->GetLong(), 0);
  EXPECT_EQ(Utf8(CallMethod(time.get(), "GETDAYOFWEEKNAME")), "日");
  EXPECT_EQ(CallMethod(time.get(), "GETYEAR")->GetType(), script::kTypeInt);
  EXPECT_EQ(CallMethod(time.get(), "GETYEARCOUNT")->GetType(), script::kTypeInt64);
}

TEST_F(TimeValues, AddingDaysWalksTheFixedCalendar) {
  VarRef time = NewTime();
  EXPECT_EQ(CallMethod(time.get(), "ADDDAY", {NewInt(365)}), nullptr);
  EXPECT_EQ(Show(time.get()), "2-1-1 00:00:00");

  time = NewTime();
  CallMethod(time.get(), "ADDDAY", {NewInt(59)});  // February always has 28 days
  EXPECT_EQ(Show(time.get()), "1-3-1 00:00:00");
  EXPECT_EQ(Utf8(CallMethod(time.get(), "GETMONTHNAME")), "弥生");

  time = NewTime();
  CallMethod(time.get(), "ADDDAY", {NewInt(1)});
  EXPECT_EQ(CallMethod(time.get(), "GETDAYOFWEEK")->GetLong(), 1);
  EXPECT_EQ(Utf8(CallMethod(time.get(), "GETDAYOFWEEKNAME")), "月");
  CallMethod(time.get(), "ADDDAY", {NewInt(6)});
  EXPECT_EQ(CallMethod(time.get(), "GETDAYOFWEEK")->GetLong(), 0);
  EXPECT_EQ(CallMethod(time.get(), "GETWEEKCOUNT")->GetInt64(), 1);

  time = NewTime(kDay + 3600);
  EXPECT_EQ(CallMethod(time.get(), "GETHOURCOUNT")->GetInt64(), 25);
  EXPECT_EQ(CallMethod(time.get(), "GETMINUTECOUNT")->GetInt64(), 25 * 60);
  EXPECT_EQ(CallMethod(time.get(), "GETDAYCOUNT")->GetInt64(), 1);

  time = NewTime(3 * kYear);
  CallMethod(time.get(), "ADDYEAR", {NewInt(-1)});
  CallMethod(time.get(), "ADDHOUR", {NewInt(26)});
  CallMethod(time.get(), "ADDMINUTE", {NewInt(-1)});
  CallMethod(time.get(), "ADDSECOND", {NewInt(61)});
  EXPECT_EQ(Show(time.get()), "3-1-2 02:00:01");
  EXPECT_EQ(CallMethod(time.get(), "GETYEARCOUNT")->GetInt64(), 2);
  EXPECT_EQ(CallMethod(time.get(), "ADDDAY"), nullptr);  // too few arguments: nothing changes
  EXPECT_EQ(Show(time.get()), "3-1-2 02:00:01");
}

TEST_F(TimeValues, SettersReplaceOnePartWithoutRangeChecks) {
  VarRef time = At(1, 1, 1, 10, 15, 20);
  CallMethod(time.get(), "SETMINUTE", {NewInt(30)});
  EXPECT_EQ(Show(time.get()), "1-1-1 10:30:20");
  CallMethod(time.get(), "SETSECOND", {NewInt(0)});
  EXPECT_EQ(Show(time.get()), "1-1-1 10:30:00");
  CallMethod(time.get(), "SETHOUR", {NewInt(30)});
  EXPECT_EQ(Show(time.get()), "1-1-2 06:30:00");

  time = At(1, 2, 10);
  CallMethod(time.get(), "SETDAY", {NewInt(20)});
  EXPECT_EQ(Show(time.get()), "1-2-20 00:00:00");
  time = At(1, 2, 1);
  CallMethod(time.get(), "SETDAY", {NewInt(31)});
  EXPECT_EQ(Show(time.get()), "1-3-3 00:00:00");

  time = At(2, 7, 4, 12);
  CallMethod(time.get(), "SETYEAR", {NewInt(5)});
  EXPECT_EQ(Show(time.get()), "5-7-4 12:00:00");
}

TEST_F(TimeValues, SetTimeBuildsFromLimitedParts) {
  EXPECT_EQ(At(2024, 2, 30, 25, 61, 5)->GetInt64(),
            2023 * kYear + (31 + 28) * kDay + 2 * 3600 + 60 + 5);  // Feb 28, then 25:61:05 on
  EXPECT_EQ(At(0, 1, 1)->GetInt64(), 0);
  EXPECT_EQ(Show(At(-3, 13, 0).get()), "1-12-1 00:00:00");

  VarRef time = NewTime(12345);
  CallMethod(time.get(), "SETTIME", {NewInt(3)});
  EXPECT_EQ(Show(time.get()), "3-1-1 00:00:00");
  EXPECT_EQ(CallMethod(time.get(), "SETTIME"), nullptr);
  EXPECT_EQ(time->GetInt64(), 2 * kYear);
}

TEST_F(TimeValues, MonthMovesKeepTheDayWithinTheMonth) {
  VarRef time = At(1, 1, 31, 10);
  CallMethod(time.get(), "SETMONTH", {NewInt(2)});
  EXPECT_EQ(Show(time.get()), "1-2-28 10:00:00");
  CallMethod(time.get(), "SETMONTH", {NewInt(13)});
  EXPECT_EQ(Show(time.get()), "2-1-28 10:00:00");
  CallMethod(time.get(), "SETMONTH", {NewInt(0)});
  EXPECT_EQ(Show(time.get()), "1-12-28 10:00:00");

  time = At(1, 1, 31, 23, 59, 59);
  CallMethod(time.get(), "ADDMONTH", {NewInt(1)});
  EXPECT_EQ(Show(time.get()), "1-2-28 23:59:59");
  CallMethod(time.get(), "ADDMONTH", {NewInt(1)});  // the day stays cut to 28
  EXPECT_EQ(Show(time.get()), "1-3-28 23:59:59");

  time = At(4, 11, 15);
  CallMethod(time.get(), "ADDMONTH", {NewInt(3)});
  EXPECT_EQ(Show(time.get()), "5-2-15 00:00:00");
  CallMethod(time.get(), "ADDMONTH", {NewInt(-2)});
  EXPECT_EQ(Show(time.get()), "4-12-15 00:00:00");
  CallMethod(time.get(), "ADDMONTH", {NewInt(25)});
  EXPECT_EQ(Show(time.get()), "7-1-15 00:00:00");
  CallMethod(time.get(), "ADDMONTH", {NewInt(-13)});
  EXPECT_EQ(Show(time.get()), "5-12-15 00:00:00");
}

TEST_F(TimeValues, TimesBeforeYearOneStaySafe) {
  VarRef time = NewTime(-kDay - 5);
  int32_t month = CallMethod(time.get(), "GETMONTH")->GetLong();
  EXPECT_GE(month, 1);
  EXPECT_LE(month, 12);
  EXPECT_EQ(CallMethod(time.get(), "GETDAYOFWEEKNAME")->GetString(), "");
  CallMethod(time.get(), "ADDMONTH", {NewInt(1)});
  CallMethod(time.get(), "SETMONTH", {NewInt(0)});
  VarRef far = NewTime(INT64_MAX);
  CallMethod(far.get(), "ADDYEAR", {NewInt(2147483647)});  // wraps, no overflow fault
  CallMethod(far.get(), "ADDMONTH", {NewInt(-2147483647 - 1)});
}

TEST_F(TimeValues, TimesCopyAndStoreAsTimes) {
  VarRef time = NewTime(5 * kDay);
  VarRef copy = time->Clone(nullptr);
  ASSERT_NE(dynamic_cast<TOL_VarTime*>(copy.get()), nullptr);
  EXPECT_EQ(copy->GetInt64(), 5 * kDay);
  EXPECT_EQ(CallMethod(copy.get(), "GETDAY")->GetLong(), 6);
  VarRef number = script::NewInt(0);
  EXPECT_EQ(time->Clone(number.get()).get(), number.get());
  EXPECT_EQ(number->GetLong(), 5 * kDay);
  time->Assign(script::NewString("60").get());
  EXPECT_EQ(CallMethod(time.get(), "GETMINUTE")->GetLong(), 1);

  archive::Archive out = archive::Archive::ForWriting();
  out.WriteObject(time.get());
  std::vector<uint8_t> bytes = out.Bytes();
  std::vector<uint8_t> tail(bytes.end() - 10, bytes.end());
  EXPECT_EQ(tail, (std::vector<uint8_t>{1, 0, 60, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(std::string(bytes.begin() + 6, bytes.end() - 10), "TOL_VarTime");
  archive::Archive in = archive::Archive::ForReading(bytes);
  VarRef loaded = VarRef::Adopt(in.ReadObjectAs<script::TOL_Var>());
  ASSERT_NE(dynamic_cast<TOL_VarTime*>(loaded.get()), nullptr);
  EXPECT_EQ(loaded->GetInt64(), 60);
}

TEST_F(TimeValues, OtherNamesComeFromTheIntegerMethods) {
  script::MethodTable::Get(script::kInt64Methods)
      .Define("TIMETESTPROBE", script::NewReceiverMethod("TIMETESTPROBE", [](script::TOL_Var* self) {
                return script::NewInt64(self->GetInt64() * 2);
              }));
  VarRef time = NewTime(21);
  EXPECT_EQ(CallMethod(time.get(), "TIMETESTPROBE")->GetInt64(), 42);
  EXPECT_EQ(time->FindMember(script::Atom::Intern("NOSUCHMETHOD")), nullptr);
  // The time table is asked first.
  EXPECT_NE(time->FindMember(script::Atom::Intern("GETYEAR")), nullptr);
  EXPECT_EQ(script::NewInt64(0)->FindMember(script::Atom::Intern("GETYEAR")), nullptr);
}

TEST(IntArray, GrowsByTheDefaultOrGivenStep) {
  TOL_IntArray array;
  EXPECT_EQ(array.Add(7), 0);
  EXPECT_EQ(array.GetCapacity(), 4);
  ASSERT_TRUE(array.SetSize(100));
  EXPECT_EQ(array.GetCapacity(), 100);  // a jump past the step takes exactly what was asked
  array.Add(1);
  EXPECT_EQ(array.GetCapacity(), 112);  // 100 / 8 = 12
  ASSERT_TRUE(array.SetSize(20000));
  array.Add(1);
  EXPECT_EQ(array.GetCapacity(), 20000 + 1024);
  array.SetGrowBy(10);
  ASSERT_TRUE(array.SetSize(20000 + 1025));
  EXPECT_EQ(array.GetCapacity(), 20000 + 1034);

  EXPECT_EQ(array.GetAt(0), 7);
  array.SetAt(5, 9);
  ASSERT_TRUE(array.SetSize(3));
  ASSERT_TRUE(array.SetSize(10));
  EXPECT_EQ(array.GetAt(5), 0);  // elements dropped and grown again are 0
  array.SetAt(10, 1);            // outside: ignored
  EXPECT_EQ(array.GetAt(10), 0);
  EXPECT_EQ(array.GetAt(-1), 0);
  EXPECT_FALSE(array.SetSize(-1));
  EXPECT_FALSE(array.SetSize(TOL_IntArray::kMaxSize + 1));
  EXPECT_FALSE(array.SetAtGrow(2147483647, 1));
  EXPECT_EQ(array.GetSize(), 10);
}

}  // namespace
}  // namespace tav::screen
