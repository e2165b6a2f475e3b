#include "platform/event_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "platform/host.h"
#include "encoding/sjis.h"
#include "os/virtual_keys.h"

namespace tav::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> SplitBlanks(std::string_view s) {
  std::vector<std::string_view> words;
  for (s = TrimBlanks(s); !s.empty(); s = TrimBlanks(s)) {
    size_t end = 0;
    while (end < s.size() && !IsBlank(s[end])) ++end;
    words.push_back(s.substr(0, end));
    s.remove_prefix(end);
  }
  return words;
}

template <typename Number>
bool ParseNumber(std::string_view word, Number& value) {
  const char* end = word.data() + word.size();
  const auto result = std::from_chars(word.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

bool IsWellFormedUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    // The sequence's length, and the range of its second byte that keeps out overlong forms,
    // surrogates and code points above U+10FFFF.
    size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + n > s.size()) return false;
    const auto second = static_cast<unsigned char>(s[i + 1]);
    if (second < low || second > high) return false;
    for (size_t k = 2; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

std::string ParseKey(std::string_view word, int& key) {
  const bool isCode = word.size() >= 2 && word.find_first_not_of("0123456789") == std::string_view::npos;
  if (isCode) {
    if (!ParseNumber(word, key) || key < 1 || key > 254) {
      return "key code " + std::string(word) + " is not in the range 1 to 254";
    }
    return {};
  }
  key = VirtualKeyFromName(word);
  return key != 0 ? std::string() : "unknown key name \"" + std::string(word) + "\"";
}

// A "#" after a blank starts a comment to the end of the line ("click 300 270   # the second
// row"). Only lines without a text argument take one: an input text or a file name may hold "#".
std::string_view WithoutTrailingComment(std::string_view rest) {
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '#' && (i == 0 || IsBlank(rest[i - 1]))) return rest.substr(0, i);
  }
  return rest;
}

// Parses one line (its keyword and the rest) into `event`; on failure answers the reason.
// `totalWait` adds up the waits so far.
std::string ParseLine(std::string_view keyword, std::string_view rest, const std::filesystem::path& baseDir,
                      uint64_t& totalWait, Event& event) {
  const std::vector<std::string_view> args = SplitBlanks(rest);
  if (keyword == "click") {
    event.kind = EventKind::Click;
    if (args.size() != 2 || !ParseNumber(args[0], event.x) || !ParseNumber(args[1], event.y)) {
      return "click needs two whole numbers X Y";
    }
    if (event.x < 0 || event.x >= kScreenWidth || event.y < 0 || event.y >= kScreenHeight) {
      return "click at (" + std::to_string(event.x) + ", " + std::to_string(event.y) +
             ") is outside the 800 x 600 screen";
    }
    return {};
  }
  if (keyword == "key" || keyword == "down" || keyword == "up") {
    event.kind = keyword == "key" ? EventKind::Key : keyword == "down" ? EventKind::Down : EventKind::Up;
    if (args.size() != 1) return std::string(keyword) + " needs one key name or code";
    return ParseKey(args[0], event.key);
  }
  if (keyword == "wait") {
    event.kind = EventKind::Wait;
    if (args.size() != 1 || !ParseNumber(args[0], event.ms)) {
      return "wait needs a whole number of milliseconds, not \"" + std::string(TrimBlanks(rest)) + "\"";
    }
    totalWait += event.ms;
    if (totalWait > std::numeric_limits<uint32_t>::max()) {
      return "the waits add up to more than " + std::to_string(std::numeric_limits<uint32_t>::max()) +
             " ms";
    }
    return {};
  }
  if (keyword == "answer") {
    event.kind = EventKind::Answer;
    if (args.size() != 1 || !ParseNumber(args[0], event.answer)) {
      return "answer needs a whole number, not \"" + std::string(TrimBlanks(rest)) + "\"";
    }
    return {};
  }
  if (keyword == "input") {
    event.kind = EventKind::Input;
    // The text is kept exactly, blanks included: only the one separating blank goes.
    event.text = std::string(rest.empty() ? rest : rest.substr(1));
    if (!IsWellFormedUtf8(event.text)) return "input text is not valid UTF-8";
    const auto questionMarks = [](std::string_view s) { return std::count(s.begin(), s.end(), '?'); };
    if (questionMarks(Utf8ToSjis(event.text)) != questionMarks(event.text)) {
      return "input text has characters that Shift-JIS cannot hold";
    }
    return {};
  }
  if (keyword == "shot") {
    event.kind = EventKind::Shot;
    const std::string_view file = TrimBlanks(rest);
    if (file.empty()) return "shot needs a file name";
    const std::filesystem::path path(file);
    event.text = path.is_absolute() || baseDir.empty() ? path.string() : (baseDir / path).string();
    return {};
  }
  if (keyword == "cancel" || keyword == "quit") {
    event.kind = keyword == "cancel" ? EventKind::Cancel : EventKind::Quit;
    return args.empty() ? std::string() : std::string(keyword) + " takes nothing after it";
  }
  return "unknown event \"" + std::string(keyword) + "\"";
}

}  // namespace

bool ParseEvents(std::string_view content, const std::string& name, const std::string& baseDir,
                 std::vector<Event>& out, std::string& error) {
  std::vector<Event> events;
  const std::filesystem::path base(baseDir);
  uint64_t totalWait = 0;
  int lineNumber = 0;
  while (!content.empty()) {
    ++lineNumber;
    const size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == '#') continue;
    size_t keywordEnd = 0;
    while (keywordEnd < line.size() && !IsBlank(line[keywordEnd])) ++keywordEnd;

    const std::string_view keyword = line.substr(0, keywordEnd);
    std::string_view rest = line.substr(keywordEnd);
    if (keyword != "input" && keyword != "shot") rest = WithoutTrailingComment(rest);

    Event event;
    event.line = lineNumber;
    const std::string reason = ParseLine(keyword, rest, base, totalWait, event);
    if (!reason.empty()) {
      error = name + ":" + std::to_string(lineNumber) + ": " + reason;
      return false;
    }
    events.push_back(std::move(event));
  }
  out = std::move(events);
  return true;
}

bool ParseEventFile(const std::string& path, const std::string& baseDir, std::vector<Event>& out,
                    std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  const std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) {
    error = path + ": cannot read: " + std::strerror(errno);
    return false;
  }
  return ParseEvents(content, path, baseDir, out, error);
}

EventSchedule::EventSchedule(const std::vector<Event>& events) {
  for (const Event& event : events) {
    switch (event.kind) {
      case EventKind::Wait:
        end_ = event.ms > std::numeric_limits<uint32_t>::max() - end_ ? std::numeric_limits<uint32_t>::max()
                                                                        : end_ + event.ms;
        break;
      case EventKind::Answer:
      case EventKind::Input:
      case EventKind::Cancel:
        answers_.push_back(event);
        break;
      default:
        timed_.push_back({event, end_});
        break;
    }
  }
}

}  // namespace tav::platform
