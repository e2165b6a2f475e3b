#include "engine/screen.h"

#include "archive/archive.h"
#include "platform/host.h"

namespace tav::engine {

TOL_IMPLEMENT_CLASS(TAV_Screen)

TAV_Screen::TAV_Screen() : picture_(platform::kScreenWidth, platform::kScreenHeight) {}

TAV_Screen::TAV_Screen(TAV_Screen* below)
    : below_(below),
      picture_(below ? below->picture_.Width() : platform::kScreenWidth,
               below ? below->picture_.Height() : platform::kScreenHeight) {}

void TAV_Screen::DrawScreen() {
  if (!below_) {
    dc_.FillRect({0, 0, picture_.Width(), picture_.Height()}, platform::CreateSolidBrush(0));
    return;
  }
  dc_.BitBlt(0, 0, picture_.Width(), picture_.Height(), below_->dc_, 0, 0);
  Draw(dc_);
}

bool TAV_Screen::IsVisible(script::TOL_VarObArray*) { return true; }

void TAV_Screen::Serialize(archive::Archive&) {
  throw archive::ArchiveError("a screen (TAV_Screen) is never stored");
}

}  // namespace tav::engine
