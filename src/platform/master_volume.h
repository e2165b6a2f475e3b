#pragma once

// The player's master volume (Alt+Up, Alt+Down, Alt+M): one level for the whole program, laid
// over what every audio device plays and records. The volume a game sets on its device is its
// own and is not changed by it.

#include <cstddef>
#include <cstdint>

#include "platform/audio_output.h"

namespace tav::platform {

constexpr int kVolumeStepPercent = 10;

// The level `steps` steps (negative: down) from `percent`, on the 10 % grid, within 0..100.
int StepVolume(int percent, int steps);

void SetMasterVolume(int percent, bool muted);
int MasterVolumePercent();
bool MasterVolumeMuted();

// Scales 8- or 16-bit PCM in place by the master level (nothing to do at 100 %, unmuted).
void ApplyMasterVolume(const AudioFormat& format, uint8_t* data, size_t bytes);
bool MasterVolumeIsFull();

}  // namespace tav::platform
