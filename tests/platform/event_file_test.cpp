#include "platform/event_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os/virtual_keys.h"

namespace tav::platform {
namespace {

std::vector<Event> Parse(const std::string& content) {
  std::vector<Event> events;
  std::string error;
  EXPECT_TRUE(ParseEvents(content, "events.txt", "/base", events, error)) << error;
  return events;
}

std::string ErrorOf(const std::string& content) {
  std::vector<Event> events{Event{}};
  std::string error;
  EXPECT_FALSE(ParseEvents(content, "events.txt", "/base", events, error)) << content;
  EXPECT_EQ(events.size(), 1u) << "a failed parse leaves the output alone";
  return error;
}

TEST(EventFileTest, EveryKindOfLine) {
  const std::vector<Event> events = Parse(
      "# a comment\r\n"
      "\r\n"
      "click 10 599\r\n"
      "  key RETURN\n"
      "down shift\n"
      "up 16\n"
      "wait 250\n"
      "answer -3\n"
      "input  two words \r\n"
      "input\n"
      "cancel\n"
      "shot out/a.png\n"
      "shot /tmp/b.png  \n"
      "quit");
  ASSERT_EQ(events.size(), 12u);
  EXPECT_EQ(events[0].kind, EventKind::Click);
  EXPECT_EQ(events[0].x, 10);
  EXPECT_EQ(events[0].y, 599);
  EXPECT_EQ(events[0].line, 3);
  EXPECT_EQ(events[1].kind, EventKind::Key);
  EXPECT_EQ(events[1].key, VK_RETURN);
  EXPECT_EQ(events[2].kind, EventKind::Down);
  EXPECT_EQ(events[2].key, VK_SHIFT);
  EXPECT_EQ(events[3].kind, EventKind::Up);
  EXPECT_EQ(events[3].key, VK_SHIFT);
  EXPECT_EQ(events[4].kind, EventKind::Wait);
  EXPECT_EQ(events[4].ms, 250u);
  EXPECT_EQ(events[5].kind, EventKind::Answer);
  EXPECT_EQ(events[5].answer, -3);
  EXPECT_EQ(events[6].kind, EventKind::Input);
  EXPECT_EQ(events[6].text, " two words ");  // only the separating blank and the CR go
  EXPECT_EQ(events[7].text, "");
  EXPECT_EQ(events[8].kind, EventKind::Cancel);
  EXPECT_EQ(events[9].kind, EventKind::Shot);
  EXPECT_EQ(events[9].text, "/base/out/a.png");
  EXPECT_EQ(events[10].text, "/tmp/b.png");
  EXPECT_EQ(events[11].kind, EventKind::Quit);
  EXPECT_EQ(events[11].line, 14);
}

// A listing with notes beside its lines works as copied; a text or file name keeps its "#".
TEST(EventFileTest, TrailingCommentsExceptInTexts) {
  const std::vector<Event> events = Parse(
      "click 300 270       # the second row\n"
      "answer 6\t# yes\n"
      "cancel # no name\n"
      "wait 100 #\n"
      "input #1 # not a comment\n"
      "shot shots/#2.png\n");
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].y, 270);
  EXPECT_EQ(events[1].answer, 6);
  EXPECT_EQ(events[2].kind, EventKind::Cancel);
  EXPECT_EQ(events[3].ms, 100u);
  EXPECT_EQ(events[4].text, "#1 # not a comment");
  EXPECT_EQ(events[5].text, "/base/shots/#2.png");
  // Only a "#" after a blank starts a comment.
  EXPECT_NE(ErrorOf("key 3#\n").find("unknown key name \"3#\""), std::string::npos);
}

TEST(EventFileTest, KeyNamesAndCodes) {
  const std::pair<const char*, int> cases[] = {
      {"a", 'A'},   {"Z", 'Z'},          {"9", '9'},           {"09", VK_TAB},     {"13", VK_RETURN},
      {"F1", VK_F1}, {"f12", VK_F1 + 11}, {"NUMPAD0", VK_NUMPAD0}, {"numpad9", VK_NUMPAD0 + 9},
      {"ESCAPE", VK_ESCAPE}, {"BACK", VK_BACK}, {"PRIOR", VK_PRIOR}, {"NEXT", VK_NEXT},
      {"DELETE", VK_DELETE}, {"CONTROL", VK_CONTROL}, {"254", 254},
  };
  for (const auto& [name, vk] : cases) {
    const std::vector<Event> events = Parse(std::string("key ") + name);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key, vk) << name;
  }
}

TEST(EventFileTest, BadLinesNameFileAndLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"wait 1\n\nkey FOO", "events.txt:3: unknown key name \"FOO\""},
      {"jump 1", "events.txt:1: unknown event \"jump\""},
      {"inputx", "events.txt:1: unknown event \"inputx\""},
      {"key F13", "events.txt:1: unknown key name \"F13\""},
      {"key 255", "events.txt:1: key code 255 is not in the range 1 to 254"},
      {"key", "events.txt:1: key needs one key name or code"},
      {"down A B", "events.txt:1: down needs one key name or code"},
      {"click 1", "events.txt:1: click needs two whole numbers X Y"},
      {"click 1 2x", "events.txt:1: click needs two whole numbers X Y"},
      {"click 1.5 2", "events.txt:1: click needs two whole numbers X Y"},
      {"click 800 0", "events.txt:1: click at (800, 0) is outside the 800 x 600 screen"},
      {"click -1 5", "events.txt:1: click at (-1, 5) is outside the 800 x 600 screen"},
      {"wait -5", "events.txt:1: wait needs a whole number of milliseconds, not \"-5\""},
      {"wait 10ms", "events.txt:1: wait needs a whole number of milliseconds, not \"10ms\""},
      {"wait", "events.txt:1: wait needs a whole number of milliseconds, not \"\""},
      {"wait 4294967295\nwait 1", "events.txt:2: the waits add up to more than 4294967295 ms"},
      {"answer yes", "events.txt:1: answer needs a whole number, not \"yes\""},
      {"answer 99999999999", "events.txt:1: answer needs a whole number, not \"99999999999\""},
      {"cancel now", "events.txt:1: cancel takes nothing after it"},
      {"quit 1", "events.txt:1: quit takes nothing after it"},
      {"shot   ", "events.txt:1: shot needs a file name"},
      {"input \xE3\x81", "events.txt:1: input text is not valid UTF-8"},
      {"input \xED\xA0\x80", "events.txt:1: input text is not valid UTF-8"},
      {"input \xF0\x9F\x98\x80", "events.txt:1: input text has characters that Shift-JIS cannot hold"},
  };
  for (const auto& [content, message] : cases) EXPECT_EQ(ErrorOf(content), message);
}

TEST(EventFileTest, ReadsFilesAndNamesMissingOnes) {
  std::vector<Event> events;
  std::string error;
  EXPECT_FALSE(ParseEventFile("/nonexistent/events.txt", "", events, error));
  EXPECT_EQ(error, "/nonexistent/events.txt: cannot open: No such file or directory");

  const std::string path = ::testing::TempDir() + "/tav_events_test.txt";
  FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("key A\nwait x\n", file);
  std::fclose(file);
  EXPECT_FALSE(ParseEventFile(path, "", events, error));
  EXPECT_EQ(error, path + ":2: wait needs a whole number of milliseconds, not \"x\"");
  std::remove(path.c_str());
}

TEST(EventFileTest, ScheduleGivesDueTimesAndSeparatesAnswers) {
  EventSchedule schedule(
      Parse("key A\nanswer 6\nwait 100\ninput x\nclick 1 2\nwait 20\nwait 30\nquit\nwait 7\n"));
  EXPECT_EQ(schedule.EndTime(), 157u);
  const std::pair<EventKind, uint32_t> timed[] = {
      {EventKind::Key, 0}, {EventKind::Click, 100}, {EventKind::Quit, 150}};
  for (const auto& [kind, due] : timed) {
    ASSERT_NE(schedule.Next(), nullptr);
    EXPECT_EQ(schedule.Next()->event.kind, kind);
    EXPECT_EQ(schedule.Next()->due, due);
    schedule.PopNext();
  }
  EXPECT_EQ(schedule.Next(), nullptr);
  ASSERT_NE(schedule.NextAnswer(), nullptr);
  EXPECT_EQ(schedule.NextAnswer()->answer, 6);
  schedule.PopAnswer();
  EXPECT_EQ(schedule.NextAnswer()->text, "x");
  schedule.PopAnswer();
  EXPECT_EQ(schedule.NextAnswer(), nullptr);
}

}  // namespace
}  // namespace tav::platform
