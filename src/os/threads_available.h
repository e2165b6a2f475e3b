#pragma once

// Whether this build can start threads: natively yes; the web build has none (a page served from
// any static host cannot have them), so what would run on a thread of its own runs on demand or
// from the host's loop there (os/loop_work.h).

namespace tav::platform {

bool ThreadsAvailable();

}  // namespace tav::platform
