#include "gdi/letterbox.h"

#include <algorithm>
#include <cstdint>

namespace tav::platform {

Letterbox FitPicture(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight) {
  Letterbox box;
  if (pictureWidth <= 0 || pictureHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return box;
  const int whole = std::min(windowWidth / pictureWidth, windowHeight / pictureHeight);
  if (whole >= 1) {
    box.width = pictureWidth * whole;
    box.height = pictureHeight * whole;
  } else {
    // Compared in 64 bits: which side limits the picture, without rounding.
    box.sharp = false;
    if (int64_t{windowWidth} * pictureHeight <= int64_t{windowHeight} * pictureWidth) {
      box.width = windowWidth;
      box.height = std::max<int>(1, static_cast<int>(int64_t{windowWidth} * pictureHeight / pictureWidth));
    } else {
      box.height = windowHeight;
      box.width = std::max<int>(1, static_cast<int>(int64_t{windowHeight} * pictureWidth / pictureHeight));
    }
  }
  box.x = (windowWidth - box.width) / 2;
  box.y = (windowHeight - box.height) / 2;
  return box;
}

std::optional<GamePoint> WindowToGame(const Letterbox& box, int x, int y, int pictureWidth, int pictureHeight) {
  if (box.width <= 0 || box.height <= 0) return std::nullopt;
  const int dx = x - box.x, dy = y - box.y;
  if (dx < 0 || dy < 0 || dx >= box.width || dy >= box.height) return std::nullopt;
  return GamePoint{static_cast<int>(int64_t{dx} * pictureWidth / box.width),
                   static_cast<int>(int64_t{dy} * pictureHeight / box.height)};
}

}  // namespace tav::platform
