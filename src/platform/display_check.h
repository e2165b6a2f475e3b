#pragma once

// Whether a window can be shown at all. Without an X display or a Wayland compositor the video
// system may still start on a fallback that shows nothing, and the game would then run for ever
// with no window; so the program asks first and tells the player what to do instead.

#include <optional>
#include <string>

namespace tav::platform {

// Nothing when a display looks reachable (or the video driver was chosen explicitly with
// SDL_VIDEODRIVER); otherwise why not, in words for the player.
std::optional<std::string> MissingDisplay();

}  // namespace tav::platform
