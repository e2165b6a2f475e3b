#pragma once

// The host without a window: a virtual clock that starts at 0 and moves only when the engine
// sleeps or blocks, input from the event file, dialogs answered from it and echoed on the
// console. Runs are exactly repeatable.

#include "platform/host.h"

namespace tav::platform {

class HeadlessHost final : public HostBase {
 public:
  explicit HeadlessHost(const HostOptions& options) : HostBase(options) {}

  bool Open(const char*) override { return true; }
  uint32_t GetTickCount() override { return now_; }
  void Sleep(uint32_t ms) override;
  int MessageBox(std::string_view textSjis, std::string_view captionSjis, unsigned style,
                 bool fromScript) override;
  std::optional<std::string> InputBox(std::string_view promptSjis) override;
  bool IsHeadless() const override { return true; }

 protected:
  void WaitForInput() override;

 private:
  // Moves the clock and waits until the audio device has played up to the new time.
  void MoveClockTo(uint32_t now);

  uint32_t now_ = 0;
};

}  // namespace tav::platform
