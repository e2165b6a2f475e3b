#include "platform/display_check.h"

#include "platform/page_replay_host.h"

namespace tav::platform {

// The web build's window is the page's canvas: in a page there is always one, and under node
// (the command-line twin) there is none to open.
std::optional<std::string> MissingDisplay() {
  if (RunsInBrowserPage()) return std::nullopt;
  return std::string("no display is available (outside a web page the web build has no window)");
}

}  // namespace tav::platform
