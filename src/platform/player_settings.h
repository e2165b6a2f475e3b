#pragma once

// What the player changes in the window (volume, mute, full screen, window size), kept per user in
// $XDG_CONFIG_HOME/tav/settings.ini (default ~/.config) and restored at the next start. A broken
// file is ignored with a warning: the defaults apply and the next save replaces it.

#include <string>
#include <string_view>

namespace tav::platform {

struct PlayerSettings {
  int volume = 100;  // percent
  bool muted = false;
  bool fullscreen = false;
  int width = 0, height = 0;  // the window's size when not full screen; 0: not chosen
};

// key=value lines ([tav] section headers, blank lines and ; or # comments allowed); unknown keys
// are skipped. False with `error` (naming the line) when a value is out of range or unreadable.
bool ParseSettings(std::string_view text, PlayerSettings& settings, std::string& error);
std::string FormatSettings(const PlayerSettings& settings);

std::string SettingsPath();
PlayerSettings LoadSettings();
void SaveSettings(const PlayerSettings& settings);

}  // namespace tav::platform
