#pragma once

// Work that the host's loop drives, for builds without threads (the web build). What natively
// runs on a thread of its own (the sound device's messages, for one) registers here instead, and
// the host calls RunLoopWork: from its loop every frame, and from the browser's audio callback
// right after pulling samples (platform/audio_pull.h does that itself). Natively nothing
// registers, and RunLoopWork does nothing.
//
// All on one thread: a piece of work may add or remove work (its own included) while running.

#include <functional>

namespace tav::platform {

// Registers `work`; answers an id for RemoveLoopWork (never 0).
int AddLoopWork(std::function<void()> work);
void RemoveLoopWork(int id);
// Runs every registered piece once, in registration order.
void RunLoopWork();

}  // namespace tav::platform
