// The protocol's framing: messages split anywhere, several in one read, and broken input that
// the reader reports and steps over.
#include "debug/dap_channel.h"

#include <gtest/gtest.h>

namespace tav::debug {
namespace {

std::string Frame(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(MessageReader, TakesMessagesSplitAnywhereAndSeveralAtOnce) {
  const std::string bytes = Frame(R"({"seq":1,"command":"threads"})") + Frame(R"({"seq":2,"text":"日本"})");
  for (size_t cut = 0; cut <= bytes.size(); ++cut) {
    MessageReader reader;
    reader.Feed(bytes.substr(0, cut));
    std::vector<Json> got;
    while (auto r = reader.Next()) got.push_back(*r->message);
    reader.Feed(bytes.substr(cut));
    while (auto r = reader.Next()) got.push_back(*r->message);
    ASSERT_EQ(got.size(), 2u) << "cut at " << cut;
    EXPECT_EQ(got[0]["command"], "threads");
    EXPECT_EQ(got[1]["text"], "日本");
  }
}

TEST(MessageReader, ReportsBrokenInputAndGoesOn) {
  MessageReader reader;
  reader.Feed("content-length:  7 \r\nX-Other: 1\r\n\r\n{\"a\":1}");  // any letter case, blanks
  EXPECT_EQ((*reader.Next()->message)["a"], 1);
  const struct {
    std::string bytes;
    std::string error;
  } cases[] = {
      {"X-Other: 1\r\n\r\n", "without Content-Length"},
      {"Content-Length: -3\r\n\r\n", "is not a number"},
      {"Content-Length: 12x\r\n\r\n", "is not a number"},
      {"Content-Length: 99999999999999999999999\r\n\r\n", "is not a number"},
      {"Content-Length: 999999999\r\n\r\n", "larger than the limit"},
      {Frame("{nope"), "not valid JSON"},
      {Frame("[1,2]"), "not a JSON object"},
      {std::string(5000, 'x'), "longer than 4096 bytes"},
  };
  for (const auto& c : cases) {
    reader.Feed(c.bytes);
    auto result = reader.Next();
    ASSERT_TRUE(result) << c.bytes.substr(0, 40);
    EXPECT_FALSE(result->message);
    EXPECT_NE(result->error.find(c.error), std::string::npos) << result->error;
    reader.Feed(Frame(R"({"after":true})"));
    auto next = reader.Next();
    ASSERT_TRUE(next && next->message) << "after " << c.error;
    EXPECT_EQ((*next->message)["after"], true);
  }
}

}  // namespace
}  // namespace tav::debug
