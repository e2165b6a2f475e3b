#pragma once

// The host: the one game window (or, headless, none), its message queue, the clock and the
// dialogs. The engine pumps it as a Windows-style message queue, because games rely on its order
// and timing: GetMessage blocks, PeekMessage polls, and after a dispatched click or key the engine drops whatever input
// queued up meanwhile (DiscardInput).
//
// Message order: once PostQuit was called, only Quit (GetMessage then answers false, for every
// loop that is still pumping). Otherwise posted and input messages in arrival order, then the
// next line of the event file that is due, then one coalesced Paint.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gdi/bitmap.h"
#include "platform/event_file.h"
#include "platform/event_recorder.h"
#include "platform/replay_time.h"
#include "os/virtual_keys.h"

namespace tav::platform {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;

// Restart: the player asked for the game to start anew from its folder (a window's Alt+R).
enum class MessageKind { LButtonDown, LButtonUp, RButtonDown, KeyDown, KeyUp, Close, Paint, Quit, Restart };

struct Message {
  MessageKind kind = MessageKind::Paint;
  int x = 0, y = 0;  // mouse messages: game pixels
  int key = 0;       // key messages: virtual-key code
  bool posted = false;  // Close: the game's own Exit, not the player
};

struct HostOptions {
  std::vector<Event> events;           // the parsed event file, if any
  std::string eventsName = "events";   // its name, for messages
  int scale = 1;                       // window size multiplier
  bool fullscreen = false;             // the picture scaled to the screen
  std::string gameName;                // the game folder's name, for screenshot files
  // Where the session is written as an event file (--record-events), or null.
  std::shared_ptr<EventRecorder> recorder;
};

class Host {
 public:
  virtual ~Host() = default;

  // Creates the 800 x 600 window (headless: nothing visible). False when it cannot.
  virtual bool Open(const char* titleUtf8) = 0;

  // Blocks until there is a message; false when it is Quit.
  virtual bool GetMessage(Message& message) = 0;
  // The next message if there is one; `remove` takes it off the queue.
  virtual bool PeekMessage(Message& message, bool remove) = 0;
  virtual void PostClose() = 0;
  virtual void PostQuit() = 0;
  // Drops every queued mouse and key message (their effect on the key state stays). Lines of
  // the event file are not queued until they are pumped, so none is ever dropped.
  virtual void DiscardInput() = 0;

  virtual uint32_t GetTickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // A script's Wait of `span` ms, pumping every `step` ms, starts and ends (for a recording of
  // the session, which must know where the headless replay's clock will be).
  virtual void BeginTimedWait(uint32_t span, int32_t step) { (void)span, (void)step; }
  virtual void EndTimedWait() {}
  // While the running scripts return for a restart, dialogs answer at once without showing (as
  // when the window closes), so that nothing holds the restart up.
  virtual void SetUnwinding(bool unwinding) { (void)unwinding; }

  // Asks for one Paint message; several requests before it is taken make one.
  virtual void Invalidate() = 0;
  // Shows the picture; a copy is kept for screenshots.
  virtual void Present(const Bitmap& picture) = 0;
  // PNG of the last presented picture (black before the first).
  virtual bool WriteScreenshot(const std::string& path) = 0;
  // Called when the picture must be brought up to date at once (before an event-file shot).
  virtual void SetPaintHandler(std::function<void()> paint) = 0;
  // Paints at once when a paint is pending (the paint message is then taken); otherwise nothing.
  virtual void UpdateWindow() = 0;

  // Shows a message box and answers the pressed button (IDOK ...). Only the script's own boxes
  // (`fromScript`) take answers from the event file.
  virtual int MessageBox(std::string_view textSjis, std::string_view captionSjis, unsigned style,
                         bool fromScript) = 0;
  // The entered text in Shift-JIS, or nothing when cancelled.
  virtual std::optional<std::string> InputBox(std::string_view promptSjis) = 0;

  // 0x80 while held, 0x01 flipped by each press.
  virtual uint8_t KeyState(int vk) = 0;
  virtual void GetKeyboardState(uint8_t out[256]) = 0;

  virtual bool IsHeadless() const = 0;
};

std::unique_ptr<Host> CreateSdlHost(const HostOptions& options);
std::unique_ptr<Host> CreateHeadlessHost(const HostOptions& options);
// Only in the web build: the host of the page (browser_host.h).
std::unique_ptr<Host> CreateBrowserHost(const HostOptions& options);

// What both hosts share: the queue, the event-file lines and answers, the key state, the last
// picture. A host adds the window, the clock and the dialogs.
class HostBase : public Host {
 public:
  explicit HostBase(const HostOptions& options);

  bool GetMessage(Message& message) override;
  bool PeekMessage(Message& message, bool remove) override;
  void PostClose() override { queue_.push_back({MessageKind::Close, 0, 0, 0, true}); }
  void PostQuit() override { quit_ = true; }
  void DiscardInput() override;
  void Invalidate() override { paintPending_ = true; }
  void Present(const Bitmap& picture) override;
  bool WriteScreenshot(const std::string& path) override;
  void SetPaintHandler(std::function<void()> paint) override { paint_ = std::move(paint); }
  void UpdateWindow() override;
  void BeginTimedWait(uint32_t span, int32_t step) override;
  void EndTimedWait() override;
  uint8_t KeyState(int vk) override { return keys_.Get(vk); }
  void GetKeyboardState(uint8_t out[256]) override { keys_.CopyTo(out); }

 protected:
  // Moves whatever input the system has into the queue without blocking.
  virtual void CollectInput() {}
  // Called when GetMessage finds nothing: waits for input or lets time pass.
  virtual void WaitForInput() = 0;
  // A windowed host opens its window's menu on a right press, which the game then never sees;
  // GetMessage and PeekMessage take such presses out of the queue and call OpenFrameMenu.
  virtual bool HasFrameMenu() const { return false; }
  virtual void OpenFrameMenu(int /*x*/, int /*y*/) {}

  void Enqueue(const Message& message) { queue_.push_back(message); }
  const EventSchedule& Schedule() const { return schedule_; }
  const Bitmap& Picture() const { return picture_; }

  // The event file's answer to the script's next message box, if it has one. An answer that no
  // button of the box's style gives is still returned as written, with a warning naming the
  // event line and the box: every later answer would otherwise land on the wrong box unnoticed.
  std::optional<int> TakeMessageBoxAnswer(unsigned style, std::string_view textSjis);
  // The event file's answer to the next input box: true when it had one; `text` is then the
  // Shift-JIS text, or nothing for a cancel.
  bool TakeInputBoxAnswer(std::optional<std::string>& text);

  // For the recording of the session: what the script's dialogs answered, and sleeps.
  void RecordMessageBoxAnswer(int answer);
  void RecordInputBoxAnswer(const std::optional<std::string>& textSjis);
  void RecordSleep(uint32_t ms) { replayTime_.Slept(ms); }
  void RecordComment(std::string_view text);

 private:
  bool Take(Message& message, bool remove);
  // Turns due lines into messages or actions, up to the first line that queued a message.
  void ReleaseDueLines();
  void Shoot(const Event& shot);
  void ApplyKeyState(const Message& message);
  // A message taken off the queue (`discarded`: dropped unprocessed) goes into the recording.
  void Record(const Message& message, bool discarded);
  std::string Where(const Event& event) const;

  EventSchedule schedule_;
  std::string eventsName_;
  std::deque<Message> queue_;
  bool paintPending_ = false;
  bool quit_ = false;
  KeyboardState keys_;
  Bitmap picture_{kScreenWidth, kScreenHeight};
  // The blocks of picture_ that Present wrote anything but black into (the others are zero).
  std::vector<bool> pictureBlocksWritten_;
  std::function<void()> paint_;
  std::shared_ptr<EventRecorder> recorder_;
  ReplayTime replayTime_;
  // While GetMessage waits: the clock when it began to.
  std::optional<uint32_t> blockedSince_;
};

}  // namespace tav::platform
