#include "debug/dap_channel.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tav::debug {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

int64_t SeqOf(const Json& request) {
  if (!request.is_object()) return 0;
  const auto it = request.find("seq");
  return it != request.end() && it->is_number_integer() ? it->get<int64_t>() : 0;
}

std::string CommandOf(const Json& request) {
  if (!request.is_object()) return {};
  const auto it = request.find("command");
  return it != request.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::optional<MessageReader::Result> MessageReader::Next() {
  if (!inBody_) {
    const size_t end = buffer_.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (buffer_.size() <= kMaxHeaderBytes) return std::nullopt;
      buffer_.clear();
      return Result{std::nullopt, "a message header longer than 4096 bytes was dropped"};
    }
    const std::string_view header(buffer_.data(), end);
    std::optional<size_t> length;
    std::string error;
    size_t start = 0;
    while (start <= header.size()) {
      size_t stop = header.find("\r\n", start);
      if (stop == std::string_view::npos) stop = header.size();
      const std::string_view line = header.substr(start, stop - start);
      start = stop + 2;
      const size_t colon = line.find(':');
      if (colon == std::string_view::npos) continue;
      if (!EqualsIgnoringCase(Trim(line.substr(0, colon)), "Content-Length")) continue;
      const std::string value(Trim(line.substr(colon + 1)));
      char* after = nullptr;
      errno = 0;
      const unsigned long long n = value.empty() || value[0] == '-' ? 0 : std::strtoull(value.c_str(), &after, 10);
      if (value.empty() || value[0] == '-' || errno != 0 || !after || *after != '\0') {
        error = "the Content-Length \"" + value + "\" is not a number";
      } else if (n > kMaxMessageBytes) {
        error = "a message of " + value + " bytes is larger than the limit of 16 MiB";
      } else {
        length = static_cast<size_t>(n);
      }
    }
    buffer_.erase(0, end + 4);
    if (!length) {
      return Result{std::nullopt, error.empty() ? "a message header without Content-Length was dropped" : error};
    }
    bodyLength_ = *length;
    inBody_ = true;
  }
  if (buffer_.size() < bodyLength_) return std::nullopt;
  const std::string body = buffer_.substr(0, bodyLength_);
  buffer_.erase(0, bodyLength_);
  inBody_ = false;
  Json parsed = Json::parse(body, nullptr, false);
  if (parsed.is_discarded()) return Result{std::nullopt, "a message body is not valid JSON"};
  if (!parsed.is_object()) return Result{std::nullopt, "a message body is not a JSON object"};
  return Result{std::move(parsed), {}};
}

std::optional<MessageReader::Result> ReadMessage(int fd, MessageReader& reader, int stopFd) {
  for (;;) {
    if (std::optional<MessageReader::Result> result = reader.Next()) return result;
    pollfd watched[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (::poll(watched, stopFd >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (stopFd >= 0 && watched[1].revents) return std::nullopt;
    char chunk[65536];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    reader.Feed(std::string_view(chunk, static_cast<size_t>(n)));
  }
}

bool MessageWriter::Send(Json message) {
  std::lock_guard guard(lock_);
  if (broken_) return false;
  message["seq"] = seq_++;
  const std::string body = message.dump(-1, ' ', false, Json::error_handler_t::replace);
  const std::string bytes = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      broken_ = true;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool MessageWriter::Event(std::string_view name, Json body) {
  return Send(Json{{"type", "event"}, {"event", name}, {"body", std::move(body)}});
}

bool MessageWriter::Response(const Json& request, Json body) {
  return Send(Json{{"type", "response"},
                   {"request_seq", SeqOf(request)},
                   {"success", true},
                   {"command", CommandOf(request)},
                   {"body", std::move(body)}});
}

bool MessageWriter::ErrorResponse(const Json& request, std::string_view message) {
  return Send(Json{{"type", "response"},
                   {"request_seq", SeqOf(request)},
                   {"success", false},
                   {"command", CommandOf(request)},
                   {"message", message},
                   {"body", {{"error", {{"id", 1}, {"format", message}, {"showUser", true}}}}}});
}

}  // namespace tav::debug
