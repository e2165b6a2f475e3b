#pragma once

// The window's modal loop for the dialogs drawn inside it: shows the dialog over the game's
// picture and feeds it the window's input until it finishes. Nothing reaches the game meanwhile:
// every click and key goes to the dialog. Closing the window (its close box, SIGINT, SIGTERM)
// cancels the dialog; the caller then closes the game.

#include <functional>

#include "gdi/bitmap.h"
#include "gdi/letterbox.h"
#include "ui/modal_dialog.h"

struct SDL_Window;
union SDL_Event;

namespace tav::platform {

enum class DialogEnd { Finished, WindowClosed };

// `show` puts a finished picture on screen. The caller shows the game's own picture again
// afterwards. `placement` tells where the picture is in the window now (in mouse coordinates).
// `shortcut`, when given, sees every key event first and answers true for the window's own
// (Alt combinations, Print Screen, the release of a key that was one), which the dialog then
// never sees: the window's shortcuts work while a dialog shows.
using ShortcutFilter = std::function<bool(const SDL_Event&)>;
DialogEnd RunDialogLoop(SDL_Window* window, const Bitmap& background, ModalDialog& dialog,
                        const std::function<void(const Bitmap&)>& show,
                        const std::function<Letterbox()>& placement, const ShortcutFilter& shortcut = nullptr);

}  // namespace tav::platform
