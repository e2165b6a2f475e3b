// PlayMusic, PlayMusicFile, StopMusic, PlayingMusic, PlaySound, StopSound, PlayingSound.
#include "engine/builtins/sound_functions.h"

#include "engine/builtins/builtin_bodies.h"
#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "os/diagnostics.h"
#include "script/methods/method_args.h"
#include "script/core/scalars.h"
#include "sound/sound_manager.h"

namespace tav::engine {

namespace {

sound::SoundManager*& Installed() {
  static sound::SoundManager* manager = nullptr;
  return manager;
}

// The mode that reads the whole file into memory before playing.
constexpr int kInMemory = 1;

void PlayOnChannel(int channel, const std::string& path, bool loop) {
  if (sound::SoundManager* manager = Installed()) {
    manager->Play(channel, path, loop, kInMemory);
  } else {
    platform::Diagnose(platform::Severity::Info, path, "no sound manager to play this file");
  }
}

bool ChannelPlaying(int channel) {
  sound::SoundManager* manager = Installed();
  return manager && manager->IsPlaying(channel);
}

void StopChannel(int channel) {
  if (sound::SoundManager* manager = Installed()) manager->Stop(channel);
}

}  // namespace

void SetSoundManager(sound::SoundManager* manager) { Installed() = manager; }
sound::SoundManager* CurrentSoundManager() { return Installed(); }

namespace builtins {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

namespace {

constexpr int kMusicChannel = 0;
constexpr int kFirstSoundChannel = 1;
constexpr int kLastSoundChannel = 15;

const std::string kMusicFolder = "config\\music\\";
const std::string kSoundFolder = "config\\sound\\";

bool IsSoundChannel(int32_t channel) {
  return channel >= kFirstSoundChannel && channel <= kLastSoundChannel;
}

// Music loops unless the script says otherwise; sound effects play once unless told to loop.
bool LoopArg(const MethodArgs& a, int index, bool fallback) {
  TOL_Var* value = a.Element(index);
  return value ? value->GetBool() : fallback;
}

}  // namespace

// Numbers are those of the game's music table; an unknown number leaves the music as it is.
VarRef PlayMusic(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  if (!a.Has(0)) return nullptr;
  TAV_GameSystem* game = Services().game;
  const std::string* file = game ? game->MusicName(a.Long(0)) : nullptr;
  if (file) PlayOnChannel(kMusicChannel, kMusicFolder + *file, LoopArg(a, 1, true));
  return nullptr;
}

VarRef PlayMusicFile(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  if (!a.Has(0)) return nullptr;
  PlayOnChannel(kMusicChannel, kMusicFolder + a.Text(0), LoopArg(a, 1, true));
  return nullptr;
}

VarRef StopMusic(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  if (ChannelPlaying(kMusicChannel)) StopChannel(kMusicChannel);
  return nullptr;
}

VarRef PlayingMusic(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  return script::NewBool(ChannelPlaying(kMusicChannel));
}

VarRef PlaySound(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  if (a.Count() < 2) return nullptr;
  int32_t channel = a.Long(0);
  if (!IsSoundChannel(channel)) return nullptr;
  PlayOnChannel(channel, kSoundFolder + a.Text(1), LoopArg(a, 2, false));
  return nullptr;
}

VarRef StopSound(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  if (a.Has(0) && IsSoundChannel(a.Long(0))) StopChannel(a.Long(0));
  return nullptr;
}

// Any channel may be asked about, the music channel 0 included.
VarRef PlayingSound(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  if (!a.Has(0)) return nullptr;
  return script::NewBool(ChannelPlaying(a.Long(0)));
}

}  // namespace builtins
}  // namespace tav::engine
