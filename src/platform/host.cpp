#include "platform/host.h"

#include <algorithm>

#include "os/diagnostics.h"
#include "os/message_box.h"
#include "gdi/png_writer.h"
#include "os/signals.h"
#include "os/stop_watchdog.h"
#include "encoding/sjis.h"

namespace tav::platform {
namespace {

bool IsInput(MessageKind kind) {
  switch (kind) {
    case MessageKind::LButtonDown:
    case MessageKind::LButtonUp:
    case MessageKind::RButtonDown:
    case MessageKind::KeyDown:
    case MessageKind::KeyUp:
      return true;
    default:
      return false;
  }
}

// Present copies a picture in blocks of a memory page.
constexpr size_t kPresentBlock = 4096 / sizeof(uint32_t);

bool AllBlack(const uint32_t* pixels, size_t count) {
  return std::find_if(pixels, pixels + count, [](uint32_t pixel) { return pixel != 0; }) == pixels + count;
}

const char* AnswerKindName(EventKind kind) {
  switch (kind) {
    case EventKind::Answer: return "an answer line";
    case EventKind::Input: return "an input line";
    default: return "a cancel line";
  }
}

}  // namespace

HostBase::HostBase(const HostOptions& options)
    : schedule_(options.events), eventsName_(options.eventsName), recorder_(options.recorder) {}

bool HostBase::GetMessage(Message& message) {
  for (;;) {
    while (!Take(message, true)) {
      if (!blockedSince_) blockedSince_ = GetTickCount();
      WaitForInput();
    }
    blockedSince_.reset();
    if (message.kind != MessageKind::RButtonDown || !HasFrameMenu()) return message.kind != MessageKind::Quit;
    OpenFrameMenu(message.x, message.y);
  }
}

bool HostBase::PeekMessage(Message& message, bool remove) {
  while (Take(message, remove)) {
    if (message.kind != MessageKind::RButtonDown || !HasFrameMenu()) return true;
    if (!remove) Take(message, true);
    OpenFrameMenu(message.x, message.y);
  }
  return false;
}

bool HostBase::Take(Message& message, bool remove) {
  NotePump();
  CollectInput();
  if (TakeCloseRequest()) queue_.push_back({MessageKind::Close});
  if (quit_) {
    message = {MessageKind::Quit};
    return true;
  }
  if (queue_.empty()) ReleaseDueLines();
  // Time spent waiting for this message passes in a replay too.
  if (remove && blockedSince_) {
    replayTime_.Idled(GetTickCount() - *blockedSince_);
    blockedSince_.reset();
  }
  if (!queue_.empty()) {
    message = queue_.front();
    if (remove) {
      queue_.pop_front();
      ApplyKeyState(message);
      Record(message, false);
      // Whatever asked for it, a close must now be answered by the scripts returning.
      if (message.kind == MessageKind::Close) NoteStopRequested();
    }
    return true;
  }
  if (paintPending_) {
    message = {MessageKind::Paint};
    if (remove) paintPending_ = false;
    return true;
  }
  return false;
}

void HostBase::ReleaseDueLines() {
  for (const EventSchedule::Timed* next = schedule_.Next(); next && next->due <= GetTickCount();
       next = schedule_.Next()) {
    const Event event = next->event;
    schedule_.PopNext();
    switch (event.kind) {
      case EventKind::Click:
        queue_.push_back({MessageKind::LButtonDown, event.x, event.y});
        queue_.push_back({MessageKind::LButtonUp, event.x, event.y});
        return;
      case EventKind::Key:
        queue_.push_back({MessageKind::KeyDown, 0, 0, event.key});
        queue_.push_back({MessageKind::KeyUp, 0, 0, event.key});
        return;
      case EventKind::Quit:
        queue_.push_back({MessageKind::Close});
        return;
      case EventKind::Down:
        keys_.Press(event.key);
        break;
      case EventKind::Up:
        keys_.Release(event.key);
        break;
      case EventKind::Shot:
        Shoot(event);
        break;
      default:
        break;
    }
  }
}

void HostBase::UpdateWindow() {
  if (!paintPending_ || !paint_) return;
  paintPending_ = false;
  paint_();
}

// What the window shows once what is invalid is painted: after a screen was pushed but not yet
// refreshed, that is still the picture from before.
void HostBase::Shoot(const Event& shot) {
  UpdateWindow();
  std::string error;
  if (!WritePng(picture_, shot.text, error)) Diagnose(Severity::Error, Where(shot), error);
}

void HostBase::ApplyKeyState(const Message& message) {
  switch (message.kind) {
    case MessageKind::LButtonDown: keys_.Press(VK_LBUTTON); break;
    case MessageKind::LButtonUp: keys_.Release(VK_LBUTTON); break;
    case MessageKind::KeyDown: keys_.Press(message.key); break;
    case MessageKind::KeyUp: keys_.Release(message.key); break;
    default: break;
  }
}

void HostBase::DiscardInput() {
  CollectInput();
  // Windows updates the key state of input it removes unprocessed; so do we.
  for (const Message& message : queue_) {
    if (!IsInput(message.kind)) continue;
    ApplyKeyState(message);
    Record(message, true);
  }
  std::erase_if(queue_, [](const Message& message) { return IsInput(message.kind); });
}

// A picture nothing drew on lies in zeroed pages that were never touched (ZeroedAllocator).
// Copying it whole would make the kernel supply and clear every page of the copy, a millisecond
// at every start of a game that shows nothing; so blocks black in both pictures are left alone.
void HostBase::Present(const Bitmap& picture) {
  if (picture.Width() != picture_.Width() || picture.Height() != picture_.Height()) {
    picture_ = Bitmap(picture.Width(), picture.Height());
    pictureBlocksWritten_.clear();
  }
  const size_t count = static_cast<size_t>(picture.Width()) * picture.Height();
  pictureBlocksWritten_.resize((count + kPresentBlock - 1) / kPresentBlock);
  const uint32_t* from = picture.Data();
  uint32_t* to = picture_.Data();
  for (size_t block = 0, at = 0; at < count; ++block, at += kPresentBlock) {
    const size_t length = std::min(kPresentBlock, count - at);
    const bool black = AllBlack(from + at, length);
    if (black && !pictureBlocksWritten_[block]) continue;
    std::copy_n(from + at, length, to + at);
    pictureBlocksWritten_[block] = !black;
  }
}

bool HostBase::WriteScreenshot(const std::string& path) {
  std::string error;
  if (WritePng(picture_, path, error)) return true;
  Diagnose(Severity::Error, "", error);
  return false;
}

std::optional<int> HostBase::TakeMessageBoxAnswer(unsigned style, std::string_view textSjis) {
  const Event* next = schedule_.NextAnswer();
  if (!next) return std::nullopt;
  if (next->kind != EventKind::Answer) {
    Diagnose(Severity::Warning, Where(*next),
             std::string("a message box asked, but the next dialog answer is ") + AnswerKindName(next->kind) +
                 "; the box takes its default button");
    return std::nullopt;
  }
  const int answer = next->answer;
  const std::vector<int> buttons = MessageBoxButtons(style);
  if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end()) {
    std::string offered;
    for (int id : buttons) {
      offered += (offered.empty() ? "" : ", ") + std::to_string(id) + " (" + ButtonCaption(id) + ")";
    }
    Diagnose(Severity::Warning, Where(*next),
             "answer " + std::to_string(answer) + " goes to a message box that can only answer " + offered +
                 ": " + DialogLine("MessageBox", textSjis),
             Shown::Always);
  }
  schedule_.PopAnswer();
  return answer;
}

bool HostBase::TakeInputBoxAnswer(std::optional<std::string>& text) {
  const Event* next = schedule_.NextAnswer();
  if (!next) return false;
  if (next->kind == EventKind::Answer) {
    Diagnose(Severity::Warning, Where(*next),
             "an input box asked, but the next dialog answer is an answer line; the box is cancelled");
    return false;
  }
  text = next->kind == EventKind::Input ? std::optional(Utf8ToSjis(next->text)) : std::nullopt;
  schedule_.PopAnswer();
  return true;
}

void HostBase::Record(const Message& message, bool discarded) {
  if (!recorder_) return;
  const uint32_t due = replayTime_.At(GetTickCount());
  switch (message.kind) {
    case MessageKind::LButtonDown:
      if (discarded) recorder_->Down(due, VK_LBUTTON);
      else recorder_->Click(due, message.x, message.y);
      break;
    case MessageKind::KeyDown:
      if (discarded) recorder_->Down(due, message.key);
      else recorder_->Key(due, message.key);
      break;
    // A replayed click or key releases at once; a release in the session comes later, so the
    // held state in between is the session's.
    case MessageKind::LButtonUp: recorder_->Up(due, VK_LBUTTON); break;
    case MessageKind::KeyUp: recorder_->Up(due, message.key); break;
    case MessageKind::Close:
      if (!message.posted) recorder_->Quit(due);
      break;
    case MessageKind::Restart:
      recorder_->Comment("the game was restarted here (Alt+R); a replay goes on without restarting");
      break;
    default:
      break;
  }
}

void HostBase::BeginTimedWait(uint32_t span, int32_t step) { replayTime_.BeginWait(span, step, GetTickCount()); }
void HostBase::EndTimedWait() { replayTime_.EndWait(GetTickCount()); }

void HostBase::RecordMessageBoxAnswer(int answer) {
  if (recorder_) recorder_->Answer(answer);
}

void HostBase::RecordInputBoxAnswer(const std::optional<std::string>& textSjis) {
  if (recorder_) recorder_->Input(textSjis ? std::optional(SjisToUtf8(*textSjis)) : std::nullopt);
}

void HostBase::RecordComment(std::string_view text) {
  if (recorder_) recorder_->Comment(text);
}

std::string HostBase::Where(const Event& event) const {
  return eventsName_ + ":" + std::to_string(event.line);
}

}  // namespace tav::platform
