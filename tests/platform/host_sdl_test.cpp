#include "platform/sdl_host.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "os/message_box.h"
#include "gdi/png_writer.h"

namespace tav::platform {
namespace {

// Runs wherever SDL's dummy video driver works: no display is needed.
class SdlHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    // The window keeps the player's settings: not in the real user's folder.
    setenv("XDG_CONFIG_HOME", (::testing::TempDir() + "tav-sdl-host-config").c_str(), 1);
    HostOptions options;
    std::string error;
    const char* events = "key A\nwait 40\nclick 5 6\nanswer 4\ninput x\n";
    ASSERT_TRUE(ParseEvents(events, "events.txt", "", options.events, error)) << error;
    host_ = CreateSdlHost(options);
    if (!host_->Open("TAV")) GTEST_SKIP() << "SDL's dummy video driver is not available";
  }

  std::unique_ptr<Host> host_;
};

TEST_F(SdlHostTest, PlaysTheEventFileAgainstTheRealClock) {
  Message message;
  ASSERT_TRUE(host_->GetMessage(message));
  EXPECT_EQ(message.kind, MessageKind::KeyDown);
  EXPECT_EQ(host_->KeyState('A'), 0x81);
  host_->DiscardInput();
  EXPECT_EQ(host_->KeyState('A'), 0x01);
  ASSERT_TRUE(host_->GetMessage(message));
  EXPECT_EQ(message.kind, MessageKind::LButtonDown);
  EXPECT_EQ(message.x, 5);
  EXPECT_EQ(message.y, 6);
  EXPECT_GE(host_->GetTickCount(), 40u);
  EXPECT_EQ(host_->MessageBox("q", "", MB_OK, true), 4) << "answered without being shown";
  EXPECT_EQ(host_->InputBox("p"), std::optional<std::string>("x"));
  host_->PostClose();
  ASSERT_TRUE(host_->GetMessage(message));
  EXPECT_EQ(message.kind, MessageKind::LButtonUp);
  ASSERT_TRUE(host_->GetMessage(message));
  EXPECT_EQ(message.kind, MessageKind::Close);
  host_->PostQuit();
  EXPECT_FALSE(host_->GetMessage(message));
}

TEST_F(SdlHostTest, ScreenshotIsTheLastPresentedPicture) {
  Bitmap picture(800, 600, RgbPixel(0, 0, 128));
  picture.At(799, 599) = RgbPixel(255, 128, 0);
  host_->Present(picture);
  const std::string path = ::testing::TempDir() + "/tav_sdl_shot.png";
  ASSERT_TRUE(host_->WriteScreenshot(path));
  Bitmap back;
  std::string error;
  ASSERT_TRUE(ReadPng(path, back, error)) << error;
  EXPECT_EQ(back, picture);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tav::platform
