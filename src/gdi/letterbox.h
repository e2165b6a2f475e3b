#pragma once

// Where the game's fixed-size picture goes in a window of any size: scaled to fit, keeping its
// shape, centred between black borders. A whole multiple keeps pixels sharp, so it is used
// whenever at least one fits; only a window smaller than the picture scales it smoothly.

#include <optional>

namespace tav::platform {

struct Letterbox {
  int x = 0, y = 0;           // the picture's top-left corner in the window
  int width = 0, height = 0;  // its size there
  bool sharp = true;          // a whole multiple: drawn with nearest-pixel scaling
};

struct GamePoint {
  int x, y;
};

Letterbox FitPicture(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight);

// The game pixel under window point (x, y); none on the borders.
std::optional<GamePoint> WindowToGame(const Letterbox& box, int x, int y, int pictureWidth, int pictureHeight);

}  // namespace tav::platform
