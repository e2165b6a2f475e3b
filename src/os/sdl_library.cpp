#include "os/sdl_library.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>

namespace tav::platform {
namespace {

// The shared object's versioned name, as the run-time package installs it.
constexpr const char* kLibraryName = "libSDL2-2.0.so.0";

SdlLibrary g_library;
std::string g_failure;
std::atomic<const SdlLibrary*> g_opened{nullptr};

void Open() {
  // Never closed: SDL keeps threads and handlers of its own until the process ends.
  void* handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = dlerror();
    g_failure = std::string("cannot load ") + kLibraryName + ": " + (error ? error : "unknown error");
    return;
  }
#define TAV_SDL_RESOLVE(name)                                                                    \
  g_library.name = reinterpret_cast<decltype(g_library.name)>(dlsym(handle, "SDL_" #name));      \
  if (!g_library.name) {                                                                         \
    g_failure = std::string(kLibraryName) + " lacks SDL_" #name;                                 \
    return;                                                                                      \
  }
  TAV_SDL_FUNCTIONS(TAV_SDL_RESOLVE)
#undef TAV_SDL_RESOLVE
  g_opened.store(&g_library, std::memory_order_release);
}

}  // namespace

const SdlLibrary* OpenSdl(std::string* why) {
  static std::once_flag once;
  std::call_once(once, Open);
  const SdlLibrary* library = OpenedSdl();
  if (!library && why) *why = g_failure;
  return library;
}

const SdlLibrary* OpenedSdl() { return g_opened.load(std::memory_order_acquire); }

}  // namespace tav::platform
