#include "platform/master_volume.h"

#include <algorithm>
#include <atomic>

namespace tav::platform {
namespace {

std::atomic<int> g_percent{100};
std::atomic<bool> g_muted{false};

}  // namespace

int StepVolume(int percent, int steps) {
  const int clamped = std::clamp(percent, 0, 100);
  // Off the grid (a level from the settings file), the first step lands on the grid.
  int grid = clamped / kVolumeStepPercent * kVolumeStepPercent;
  if (steps < 0 && grid < clamped) ++steps;
  grid += steps * kVolumeStepPercent;
  return std::clamp(grid, 0, 100);
}

void SetMasterVolume(int percent, bool muted) {
  g_percent = std::clamp(percent, 0, 100);
  g_muted = muted;
}

int MasterVolumePercent() { return g_percent; }
bool MasterVolumeMuted() { return g_muted; }
bool MasterVolumeIsFull() { return !g_muted && g_percent == 100; }

void ApplyMasterVolume(const AudioFormat& format, uint8_t* data, size_t bytes) {
  if (MasterVolumeIsFull()) return;
  const int gain = g_muted ? 0 : g_percent.load();
  if (format.bits == 16) {
    for (size_t i = 0; i + 1 < bytes; i += 2) {
      const int sample = static_cast<int16_t>(data[i] | data[i + 1] << 8) * gain / 100;
      data[i] = static_cast<uint8_t>(sample & 0xFF);
      data[i + 1] = static_cast<uint8_t>((sample >> 8) & 0xFF);
    }
  } else if (format.bits == 8) {
    // Unsigned samples around 0x80.
    for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(0x80 + (data[i] - 0x80) * gain / 100);
  }
}

}  // namespace tav::platform
