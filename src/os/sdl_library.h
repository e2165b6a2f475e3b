// The SDL library, opened when a window, a dialog or a sound device first needs it.
//
// The library and the sixty-odd libraries it brings (display servers, sound servers, codecs)
// take most of the process's start-up when they are linked in: the loader maps and relocates
// each one before main runs. A headless run never draws a window or opens a sound card, so it
// does not load them at all; everything that does reaches SDL through this table.
#pragma once

#include <SDL.h>

#include <string>

namespace tav::platform {

// Every SDL function the platform layer calls, by its name without the prefix.
#define TAV_SDL_FUNCTIONS(X)                                                                            \
  X(CloseAudioDevice) X(CreateRenderer) X(CreateTexture) X(CreateWindow) X(DestroyRenderer)            \
  X(DestroyTexture) X(DestroyWindow) X(GetClipboardText) X(GetError) X(GetRendererOutputSize)           \
  X(GetWindowSize) X(InitSubSystem) X(OpenAudioDevice) X(PauseAudioDevice) X(PollEvent) X(QuitSubSystem) \
  X(RenderClear) X(RenderCopy) X(RenderPresent) X(RenderSetViewport) X(SetRenderDrawColor)              \
  X(SetTextInputRect) X(SetTextureScaleMode) X(SetWindowFullscreen) X(SetWindowSize) X(SetWindowTitle)  \
  X(ShowMessageBox) X(StartTextInput) X(StopTextInput) X(UpdateTexture) X(WaitEventTimeout) X(free)

struct SdlLibrary {
#define TAV_SDL_MEMBER(name) decltype(&::SDL_##name) name = nullptr;
  TAV_SDL_FUNCTIONS(TAV_SDL_MEMBER)
#undef TAV_SDL_MEMBER
};

// Opens the library on the first call (thread-safe) and answers it from then on; null when it
// cannot be opened or lacks a function, with the reason in `why`.
const SdlLibrary* OpenSdl(std::string* why = nullptr);

// The library once something opened it, else null: for code that must not load libraries
// itself (the crash prompt runs inside a signal handler).
const SdlLibrary* OpenedSdl();

// The opened library; only for code that runs after OpenSdl succeeded (a window or sound
// device exists).
inline const SdlLibrary& Sdl() { return *OpenedSdl(); }

}  // namespace tav::platform
