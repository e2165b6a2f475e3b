#include "os/unresponsive_prompt.h"

#include "os/sdl_library.h"

namespace tav::platform {

bool AskEndUnresponsiveGame(const std::string& what) {
  const std::string text = "ゲームが応答していません。\n実行中: " + what + "\n\nゲームを終了しますか？";
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "待つ"},
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "終了する"},
  };
  const SDL_MessageBoxData data{SDL_MESSAGEBOX_WARNING, nullptr, "TAV", text.c_str(), 2, buttons, nullptr};
  int pressed = -1;
  // No box can be shown (no display left): the player asked to close, so end.
  const SdlLibrary* sdl = OpenedSdl();
  if (!sdl || sdl->ShowMessageBox(&data, &pressed) != 0) return true;
  return pressed == 1;
}

}  // namespace tav::platform
