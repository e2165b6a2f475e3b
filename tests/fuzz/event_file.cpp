// Parses arbitrary event files and plays the accepted ones through the headless host until it
// closes, so that parsing, scheduling and delivery all see hostile input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_file.h"
#include "platform/host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav::platform;
  HostOptions options;
  std::string error;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  if (!ParseEvents(content, "fuzz", "/nonexistent", options.events, error)) return 0;
  // Shots would write files; everything else runs as in a real headless run.
  std::erase_if(options.events, [](const Event& event) { return event.kind == EventKind::Shot; });
  const auto host = CreateHeadlessHost(options);
  Message message;
  for (int delivered = 0; delivered < 100000 && host->GetMessage(message); ++delivered) {
    if (message.kind == MessageKind::Close) host->PostQuit();
    if (message.kind == MessageKind::KeyDown) host->DiscardInput();
  }
  return 0;
}
