#include "platform/display_check.h"

#include <cstdlib>
#include <filesystem>

namespace tav::platform {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// A Wayland display name is a socket in XDG_RUNTIME_DIR, or an absolute path.
bool WaylandSocketExists(const std::string& display) {
  std::filesystem::path socket(display);
  if (socket.is_relative()) {
    const std::string runtime = Variable("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    socket = std::filesystem::path(runtime) / socket;
  }
  std::error_code ec;
  return std::filesystem::exists(socket, ec);
}

}  // namespace

std::optional<std::string> MissingDisplay() {
  if (!Variable("SDL_VIDEODRIVER").empty()) return std::nullopt;
  if (!Variable("DISPLAY").empty()) return std::nullopt;
  const std::string wayland = Variable("WAYLAND_DISPLAY");
  if (!wayland.empty()) {
    if (WaylandSocketExists(wayland)) return std::nullopt;
    return "no display is available (the Wayland socket " + wayland + " does not exist and DISPLAY is not set)";
  }
  return std::string("no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set)");
}

}  // namespace tav::platform
