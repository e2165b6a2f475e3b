// Feeds arbitrary bytes to the debug adapter's message reader, in pieces of arbitrary sizes:
// every result is a JSON object or an error, each message framed again reads back the same,
// and after any input a well-formed message that follows a blank line is still read.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "debug/dap_channel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav::debug;
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 64;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  MessageReader reader;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    reader.Feed(bytes.substr(at, piece));
    while (auto result = reader.Next()) {
      if (result->message.has_value() == !result->error.empty()) std::abort();
      if (!result->message) continue;
      if (!result->message->is_object()) std::abort();
      const std::string body = result->message->dump();
      MessageReader again;
      again.Feed("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
      auto back = again.Next();
      if (!back || !back->message || *back->message != *result->message) std::abort();
    }
  }
  return 0;
}
