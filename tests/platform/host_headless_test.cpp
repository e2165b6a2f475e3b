#include "platform/headless_host.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "os/message_box.h"
#include "gdi/png_writer.h"
#include "os/signals.h"

namespace tav::platform {
namespace {

std::unique_ptr<Host> MakeHost(const std::string& eventFile) {
  HostOptions options;
  std::string error;
  EXPECT_TRUE(ParseEvents(eventFile, "events.txt", ::testing::TempDir(), options.events, error)) << error;
  auto host = CreateHeadlessHost(options);
  EXPECT_TRUE(host->Open("TAV"));
  return host;
}

// The next message GetMessage delivers, and the virtual time it is delivered at.
struct Delivered {
  MessageKind kind;
  uint32_t at;
  int key = 0;
};

Delivered Next(Host& host) {
  Message message;
  host.GetMessage(message);
  return {message.kind, host.GetTickCount(), message.key};
}

void ExpectNext(Host& host, MessageKind kind, uint32_t at) {
  const Delivered got = Next(host);
  EXPECT_EQ(got.kind, kind);
  EXPECT_EQ(got.at, at);
}

TEST(HeadlessHostTest, LinesArriveInOrderAndTheClockJumpsToThem) {
  auto host = MakeHost("click 10 20\nwait 100\nkey A\nwait 50\nquit\n");
  Message message;
  ASSERT_TRUE(host->GetMessage(message));
  EXPECT_EQ(message.kind, MessageKind::LButtonDown);
  EXPECT_EQ(message.x, 10);
  EXPECT_EQ(message.y, 20);
  ExpectNext(*host, MessageKind::LButtonUp, 0);
  const Delivered down = Next(*host);
  EXPECT_EQ(down.kind, MessageKind::KeyDown);
  EXPECT_EQ(down.at, 100u);
  EXPECT_EQ(down.key, 'A');
  EXPECT_EQ(host->KeyState('A'), 0x81) << "held while dispatched, toggled";
  ExpectNext(*host, MessageKind::KeyUp, 100);
  EXPECT_EQ(host->KeyState('A'), 0x01);
  ExpectNext(*host, MessageKind::Close, 150);
  host->PostQuit();
  EXPECT_FALSE(host->GetMessage(message));
  EXPECT_EQ(message.kind, MessageKind::Quit);
  EXPECT_FALSE(host->GetMessage(message)) << "every loop still pumping sees the quit";
}

TEST(HeadlessHostTest, PeekAndSleepMoveTimeOnlyBySleeping) {
  auto host = MakeHost("wait 100\nkey B\n");
  Message message;
  EXPECT_FALSE(host->PeekMessage(message, true));
  host->Sleep(60);
  EXPECT_FALSE(host->PeekMessage(message, true));
  EXPECT_EQ(host->GetTickCount(), 60u);
  host->Sleep(40);
  ASSERT_TRUE(host->PeekMessage(message, false));
  EXPECT_EQ(message.kind, MessageKind::KeyDown);
  EXPECT_EQ(host->KeyState('B'), 0) << "a message left in the queue has no effect yet";
  ASSERT_TRUE(host->PeekMessage(message, true));
  EXPECT_EQ(message.kind, MessageKind::KeyDown);
  EXPECT_EQ(host->KeyState('B'), 0x81);
}

TEST(HeadlessHostTest, ClosesWhenTheLinesRunOutAfterTrailingWaits) {
  ExpectNext(*MakeHost(""), MessageKind::Close, 0);
  auto host = MakeHost("key A\nwait 300\n");
  ExpectNext(*host, MessageKind::KeyDown, 0);
  ExpectNext(*host, MessageKind::KeyUp, 0);
  ExpectNext(*host, MessageKind::Close, 300);
}

TEST(HeadlessHostTest, PaintIsCoalescedAndComesAfterInput) {
  auto host = MakeHost("key A\nwait 10\n");
  host->Invalidate();
  host->Invalidate();
  ExpectNext(*host, MessageKind::KeyDown, 0);
  ExpectNext(*host, MessageKind::KeyUp, 0);
  ExpectNext(*host, MessageKind::Paint, 0);
  ExpectNext(*host, MessageKind::Close, 10);
}

TEST(HeadlessHostTest, QuitOutranksQueuedMessages) {
  auto host = MakeHost("key A\n");
  host->PostClose();
  host->PostQuit();
  Message message;
  EXPECT_TRUE(host->PeekMessage(message, true));
  EXPECT_EQ(message.kind, MessageKind::Quit);
  EXPECT_FALSE(host->GetMessage(message));
}

TEST(HeadlessHostTest, DiscardInputKeepsLaterLinesAndReleasesKeys) {
  auto host = MakeHost("key A\nkey A\nclick 5 5\n");
  ExpectNext(*host, MessageKind::KeyDown, 0);
  host->DiscardInput();  // as after a dispatched key: the release is dropped but still happens
  EXPECT_EQ(host->KeyState('A'), 0x01);
  ExpectNext(*host, MessageKind::KeyDown, 0);
  EXPECT_EQ(host->KeyState('A'), 0x80) << "the second press flips the toggle back";
  host->DiscardInput();
  ExpectNext(*host, MessageKind::LButtonDown, 0);
  EXPECT_EQ(host->KeyState(VK_LBUTTON), 0x81);
}

TEST(HeadlessHostTest, DownAndUpChangeKeyStateWithoutMessages) {
  auto host = MakeHost("down SHIFT\nwait 10\nclick 1 1\nwait 10\nup SHIFT\nwait 10\n");
  ExpectNext(*host, MessageKind::LButtonDown, 10);
  EXPECT_EQ(host->KeyState(VK_SHIFT), 0x81);
  ExpectNext(*host, MessageKind::LButtonUp, 10);
  uint8_t keys[256];
  host->GetKeyboardState(keys);
  EXPECT_EQ(keys[VK_SHIFT], 0x81);
  ExpectNext(*host, MessageKind::Close, 30);
  EXPECT_EQ(host->KeyState(VK_SHIFT), 0x01);
}

TEST(HeadlessHostTest, ShotPaintsThenWritesThePicture) {
  const std::string path = ::testing::TempDir() + "/tav_shot_test.png";
  std::remove(path.c_str());
  auto host = MakeHost("shot tav_shot_test.png\nwait 5\n");
  int paints = 0;
  host->SetPaintHandler([&] {
    ++paints;
    host->Present(Bitmap(800, 600, RgbPixel(1, 2, 3)));
  });
  host->Invalidate();
  // The shot took care of the pending paint.
  ExpectNext(*host, MessageKind::Close, 5);
  EXPECT_EQ(paints, 1);
  Bitmap picture;
  std::string error;
  ASSERT_TRUE(ReadPng(path, picture, error)) << error;
  EXPECT_EQ(picture, Bitmap(800, 600, RgbPixel(1, 2, 3)));
  std::remove(path.c_str());
}

// Present leaves blocks that are black in both pictures alone: each screenshot must still be
// exactly the last picture presented, whatever came before it.
TEST(HeadlessHostTest, ScreenshotIsTheLastPresentedPictureAfterAnyOther) {
  const std::string path = ::testing::TempDir() + "/tav_present_test.png";
  auto host = MakeHost("");
  Bitmap partly(800, 600);
  partly.At(0, 0) = RgbPixel(9, 8, 7);       // the first block
  partly.At(799, 300) = RgbPixel(1, 0, 0);   // one in the middle
  partly.At(799, 599) = RgbPixel(0, 0, 1);   // the last pixel
  Bitmap small(3, 2, RgbPixel(4, 5, 6));
  small.At(2, 1) = 0;
  const Bitmap pictures[] = {Bitmap(800, 600), Bitmap(800, 600, RgbPixel(1, 2, 3)), Bitmap(800, 600), partly,
                             Bitmap(800, 600, RgbPixel(0, 0, 1)), partly, small, Bitmap(800, 600), partly};
  for (const Bitmap& picture : pictures) {
    host->Present(picture);
    ASSERT_TRUE(host->WriteScreenshot(path));
    Bitmap written;
    std::string error;
    ASSERT_TRUE(ReadPng(path, written, error)) << error;
    EXPECT_EQ(written, picture);
  }
  std::remove(path.c_str());
}

TEST(HeadlessHostTest, DialogAnswersComeFromTheirOwnQueue) {
  auto host = MakeHost("answer 7\nkey A\ninput \xE6\x97\xA5\xE6\x9C\xAC \ncancel\ninput\n");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(host->MessageBox("engine", "", MB_YESNO, false), IDYES) << "the engine's boxes take no answer";
  EXPECT_EQ(host->InputBox("x"), std::nullopt) << "an answer line does not fit an input box";
  EXPECT_EQ(host->MessageBox("q", "", MB_OK, true), 7);
  EXPECT_EQ(host->MessageBox("q", "", MB_OK, true), IDOK) << "an input line does not fit a message box";
  EXPECT_EQ(host->InputBox("x"), std::optional<std::string>("\x93\xFA\x96\x7B "));
  EXPECT_EQ(host->InputBox("x"), std::nullopt);
  EXPECT_EQ(host->InputBox("x"), std::optional<std::string>(""));
  EXPECT_EQ(host->InputBox("x"), std::nullopt) << "none left";
  EXPECT_EQ(host->MessageBox("q", "", MB_YESNOCANCEL | MB_DEFBUTTON3, true), IDCANCEL);
  testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(Next(*host).kind, MessageKind::KeyDown) << "answers are not timed lines";
}

TEST(HeadlessHostTest, DialogsPrintOneLineEach) {
  auto host = MakeHost("");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  host->MessageBox("a\r\nb\rc\nd\x82\xA0", "caption", MB_OK, true);
  host->InputBox("name?\n");
  host->MessageBox("missing file", "", MB_OK, false);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "MessageBox: a\\nb\\nc\\nd\xE3\x81\x82\nInputBox: name?\\n\n");
  EXPECT_NE(err.find("MessageBox: missing file\n"), std::string::npos);
}

TEST(HeadlessHostTest, CloseSignalBecomesCloseMessage) {
  InstallCloseSignals();
  auto host = MakeHost("wait 1000\nkey A\n");
  std::raise(SIGTERM);
  ExpectNext(*host, MessageKind::Close, 0);
  ExpectNext(*host, MessageKind::KeyDown, 1000);
}

}  // namespace
}  // namespace tav::platform
