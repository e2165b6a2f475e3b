// The window's game clock under fast-forward, the replay time a recorded line gets, and the
// recorder's lines read back as an event file.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/event_file.h"
#include "platform/event_recorder.h"
#include "platform/game_clock.h"
#include "platform/replay_time.h"
#include "os/virtual_keys.h"

namespace tav::platform {
namespace {

TEST(GameClockTest, FastForwardRunsEightTimesAsFastWithoutJumps) {
  int64_t real = 5'000'000;
  GameClock clock([&] { return real; });
  EXPECT_EQ(clock.Now(), 0u);
  real += 1'000'000;
  EXPECT_EQ(clock.Now(), 1000u);
  clock.SetRate(8);
  EXPECT_EQ(clock.Now(), 1000u);  // the change itself moves nothing
  real += 250'000;
  EXPECT_EQ(clock.Now(), 3000u);
  EXPECT_EQ(clock.RealMicrosFor(2000), 250'000);
  clock.SetRate(1);
  real += 500;  // half a real millisecond: the sub-millisecond rest is kept, not lost
  real += 500;
  EXPECT_EQ(clock.Now(), 3001u);
  clock.SetRate(0);
  EXPECT_EQ(clock.Rate(), 1);
}

TEST(ReplayTimeTest, FollowsTheHeadlessClockThroughSleepsWaitsAndIdling) {
  ReplayTime replay;
  replay.Slept(30);
  replay.Idled(100);
  EXPECT_EQ(replay.At(999), 130u);  // outside a Wait the window's clock does not matter
  // Wait(1000, 30) from window time 5000: headless it pumps at 0, 30, ... 990 and ends at 1020.
  replay.BeginWait(1000, 30, 5000);
  replay.Slept(30);  // the Wait's own steps
  EXPECT_EQ(replay.At(5000), 130u);
  EXPECT_EQ(replay.At(5065), 190u);
  EXPECT_EQ(replay.At(5999), 1120u);  // never past the last pump
  replay.EndWait(6040);
  EXPECT_EQ(replay.At(0), 1150u);
  // Cut short (the window closing): as far as it got.
  replay.BeginWait(500, 0, 100);
  replay.EndWait(220);
  EXPECT_EQ(replay.At(0), 1270u);
  replay.BeginWait(0, 10, 0);
  replay.EndWait(0);
  EXPECT_EQ(replay.At(0), 1270u);
}

TEST(EventRecorderTest, WritesLinesThatParseBackAtTheirTimes) {
  const std::string path = testing::TempDir() + "/recording.txt";
  {
    EventRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.Open(path, error)) << error;
    recorder.Comment("tav event recording\nsecond line");
    recorder.Click(100, 150, 160);
    recorder.Up(120, VK_LBUTTON);  // the replayed click released it already: no line
    recorder.Key(120, VK_RETURN);
    recorder.Down(130, VK_TAB);
    recorder.Key(90, 'A');  // behind the last line: at that line's time
    recorder.Up(200, VK_TAB);
    recorder.Key(200, 0xBA);
    recorder.Answer(6);
    recorder.Input(std::string(" two  blanks\r\n"));
    recorder.Input(std::nullopt);
    recorder.Quit(260);
  }
  std::ifstream file(path);
  const std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  EXPECT_EQ(content,
            "# tav event recording second line\nwait 100\nclick 150 160\nwait 20\nkey RETURN\nwait 10\n"
            "down TAB\nkey A\nwait 70\nup TAB\nkey 186\nanswer 6\ninput  two  blanks\ncancel\nwait 60\nquit\n");
  std::vector<Event> events;
  std::string error;
  ASSERT_TRUE(ParseEvents(content, "recording", "", events, error)) << error;
  EventSchedule schedule(events);
  ASSERT_NE(schedule.NextAnswer(), nullptr);
  EXPECT_EQ(schedule.NextAnswer()->answer, 6);
  schedule.PopAnswer();
  EXPECT_EQ(schedule.NextAnswer()->text, " two  blanks");
  std::vector<uint32_t> dues;
  for (; schedule.Next(); schedule.PopNext()) dues.push_back(schedule.Next()->due);
  EXPECT_EQ(dues, (std::vector<uint32_t>{100, 120, 130, 130, 200, 200, 260}));
  std::remove(path.c_str());
}

TEST(EventRecorderTest, KeyWordsNameKeysTheParserKnows) {
  for (int vk = 1; vk < 255; ++vk) {
    std::vector<Event> events;
    std::string error;
    ASSERT_TRUE(ParseEvents("key " + EventKeyWord(vk), "k", "", events, error)) << vk << ": " << error;
    EXPECT_EQ(events[0].key, vk) << EventKeyWord(vk);
  }
}

TEST(EventRecorderTest, AnUnwritableFileIsRefusedByName) {
  EventRecorder recorder;
  std::string error;
  EXPECT_FALSE(recorder.Open("/nonexistent-folder/recording.txt", error));
  EXPECT_NE(error.find("/nonexistent-folder/recording.txt"), std::string::npos);
}

}  // namespace
}  // namespace tav::platform
