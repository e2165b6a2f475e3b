// The Debug Adapter Protocol's framing: "Content-Length: N\r\n\r\n" then N bytes of JSON.
//
// MessageReader takes bytes as they come and hands out whole messages; it never trusts the
// peer: a header without a length, a length beyond kMaxMessageBytes, or a body that is not a
// JSON object is reported as an error and the reader carries on after it. MessageWriter frames
// outgoing messages and numbers them (`seq`); it is safe to use from several threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace tav::debug {

using Json = nlohmann::json;

constexpr size_t kMaxMessageBytes = 16u << 20;
constexpr size_t kMaxHeaderBytes = 4096;

class MessageReader {
 public:
  struct Result {
    std::optional<Json> message;  // a whole message
    std::string error;            // or: why the bytes were not one (the reader skipped them)
  };

  void Feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next message or error; nullopt while more bytes are needed.
  std::optional<Result> Next();

 private:
  std::string buffer_;
  size_t bodyLength_ = 0;
  bool inBody_ = false;
};

class MessageWriter {
 public:
  explicit MessageWriter(int fd) : fd_(fd) {}
  // Stamps `seq` and writes; false once the peer is gone.
  bool Send(Json message);
  bool Event(std::string_view name, Json body = Json::object());
  bool Response(const Json& request, Json body = Json::object());
  bool ErrorResponse(const Json& request, std::string_view message);

 private:
  std::mutex lock_;
  int fd_;
  int64_t seq_ = 1;
  bool broken_ = false;
};

// Reads what `fd` gives into the reader until a message or an error comes; nullopt at the end of
// the input or once `stopFd` (when not -1) becomes readable.
std::optional<MessageReader::Result> ReadMessage(int fd, MessageReader& reader, int stopFd = -1);

}  // namespace tav::debug
