// The page's replay host (see page_replay_host.h).

#include "platform/page_replay_host.h"

#include <emscripten/emscripten.h>

#include <vector>

EM_JS(int, tav_page_present, (), { return typeof window !== 'undefined' && !!Module.tavShow; });
EM_JS(void, tav_page_show_replay, (const void* rgba, int width, int height), {
  Module.tavShow(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
});

namespace tav::platform {
namespace {

// The longest the browser is kept waiting, in real milliseconds.
constexpr double kYieldMs = 30;

class PageReplayHost final : public Host {
 public:
  explicit PageReplayHost(const HostOptions& options) : inner_(CreateHeadlessHost(options)) {}

  bool Open(const char* titleUtf8) override { return inner_->Open(titleUtf8); }
  bool GetMessage(Message& message) override {
    Yield();
    return inner_->GetMessage(message);
  }
  bool PeekMessage(Message& message, bool remove) override {
    Yield();
    return inner_->PeekMessage(message, remove);
  }
  void PostClose() override { inner_->PostClose(); }
  void PostQuit() override { inner_->PostQuit(); }
  void DiscardInput() override { inner_->DiscardInput(); }
  uint32_t GetTickCount() override { return inner_->GetTickCount(); }
  void Sleep(uint32_t ms) override {
    Yield();
    inner_->Sleep(ms);
  }
  void BeginTimedWait(uint32_t span, int32_t step) override { inner_->BeginTimedWait(span, step); }
  void EndTimedWait() override { inner_->EndTimedWait(); }
  void SetUnwinding(bool unwinding) override { inner_->SetUnwinding(unwinding); }
  void Invalidate() override { inner_->Invalidate(); }
  void Present(const Bitmap& picture) override {
    inner_->Present(picture);
    Show(picture);
  }
  bool WriteScreenshot(const std::string& path) override { return inner_->WriteScreenshot(path); }
  void SetPaintHandler(std::function<void()> paint) override { inner_->SetPaintHandler(std::move(paint)); }
  void UpdateWindow() override { inner_->UpdateWindow(); }
  int MessageBox(std::string_view textSjis, std::string_view captionSjis, unsigned style, bool fromScript) override {
    return inner_->MessageBox(textSjis, captionSjis, style, fromScript);
  }
  std::optional<std::string> InputBox(std::string_view promptSjis) override { return inner_->InputBox(promptSjis); }
  uint8_t KeyState(int vk) override { return inner_->KeyState(vk); }
  void GetKeyboardState(uint8_t out[256]) override { inner_->GetKeyboardState(out); }
  bool IsHeadless() const override { return true; }

 private:
  void Yield() {
    const double now = emscripten_get_now();
    if (now - lastYield_ < kYieldMs) return;
    emscripten_sleep(0);
    lastYield_ = emscripten_get_now();
  }

  void Show(const Bitmap& picture) {
    const size_t count = static_cast<size_t>(picture.Width()) * picture.Height();
    rgba_.resize(count);
    const uint32_t* from = picture.Data();
    for (size_t i = 0; i < count; ++i) {
      const uint32_t p = from[i];
      rgba_[i] = 0xFF000000u | (p & 0x0000FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16;
    }
    tav_page_show_replay(rgba_.data(), picture.Width(), picture.Height());
  }

  std::unique_ptr<Host> inner_;
  std::vector<uint32_t> rgba_;
  double lastYield_ = 0;
};

}  // namespace

bool RunsInBrowserPage() { return tav_page_present() != 0; }

std::unique_ptr<Host> CreatePageReplayHost(const HostOptions& options) {
  return std::make_unique<PageReplayHost>(options);
}

}  // namespace tav::platform

