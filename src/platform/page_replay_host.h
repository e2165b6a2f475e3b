#pragma once

// A headless run shown in a web page: the headless host's virtual clock, event file and dialogs,
// unchanged, so that the page replays a test's event file exactly as the native headless run
// does (the same pictures, the same recorded sound), while every picture is also put on the
// page's canvas and the browser gets to run now and then (it would otherwise freeze until the
// whole replay is over).

#include <memory>

#include "platform/host.h"

namespace tav::platform {

// Only in the web build: whether the program runs in a page (not under node).
bool RunsInBrowserPage();
std::unique_ptr<Host> CreatePageReplayHost(const HostOptions& options);

}  // namespace tav::platform
