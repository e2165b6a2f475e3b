#include "os/crash_prompt.h"

#include "os/sdl_library.h"
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "os/message_box.h"

namespace tav::platform {
namespace {

constexpr const char* kChooserProgram = "zenity";
constexpr const char* kSaveDialogTitle = "ログファイル保存";

// Reads what the chooser prints until it closes its output; false when it filled the buffer.
bool ReadChooserOutput(int fd, char* path, size_t capacity, size_t& used) {
  used = 0;
  for (;;) {
    ssize_t got = read(fd, path + used, capacity - 1 - used);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
    used += static_cast<size_t>(got);
    if (used == capacity - 1) return false;
  }
}

}  // namespace

CrashAnswer AskCrashQuestion(const char* caption, const char* text, bool withCancel) {
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, static_cast<int>(CrashAnswer::kYes),
       ButtonCaption(IDYES)},
      {withCancel ? Uint32{0} : static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT),
       static_cast<int>(CrashAnswer::kNo), ButtonCaption(IDNO)},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, static_cast<int>(CrashAnswer::kCancel),
       ButtonCaption(IDCANCEL)},
  };
  SDL_MessageBoxData box{};
#if SDL_VERSION_ATLEAST(2, 0, 12)
  box.flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
#endif
  box.title = caption;
  box.message = text;
  box.numbuttons = withCancel ? 3 : 2;
  box.buttons = buttons;
  int pressed = -1;
  // Asked inside a signal handler, where no library may be loaded: only a windowed run, which
  // opened SDL at its start, shows the question.
  const SdlLibrary* sdl = OpenedSdl();
  if (!sdl || sdl->ShowMessageBox(&box, &pressed) != 0) return CrashAnswer::kNoDialog;
  if (pressed < 0) return withCancel ? CrashAnswer::kCancel : CrashAnswer::kNo;
  return static_cast<CrashAnswer>(pressed);
}

std::string FindLogFileChooser() {
  const char* searchPath = getenv("PATH");
  if (searchPath == nullptr) return {};
  std::string_view rest(searchPath);
  while (!rest.empty()) {
    size_t colon = rest.find(':');
    std::string dir(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    if (dir.empty()) continue;
    std::string candidate = dir + "/" + kChooserProgram;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

LogPathChoice AskForLogPath(const std::string& chooser, char* path, size_t capacity) {
  if (chooser.empty()) return LogPathChoice::kNoChooser;
  char titleOption[128];
  snprintf(titleOption, sizeof(titleOption), "--title=%s", kSaveDialogTitle);
  const char* arguments[] = {kChooserProgram, "--file-selection", "--save", "--confirm-overwrite",
                             titleOption, "--file-filter=error log file (*.log) | *.log", nullptr};
  int ends[2];
  if (pipe(ends) != 0) return LogPathChoice::kNoChooser;
  pid_t child = fork();
  if (child < 0) {
    close(ends[0]);
    close(ends[1]);
    return LogPathChoice::kNoChooser;
  }
  if (child == 0) {
    dup2(ends[1], STDOUT_FILENO);
    close(ends[0]);
    close(ends[1]);
    execv(chooser.c_str(), const_cast<char* const*>(arguments));
    _exit(127);
  }
  close(ends[1]);
  size_t used = 0;
  bool fits = ReadChooserOutput(ends[0], path, capacity, used);
  close(ends[0]);
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  while (used > 0 && (path[used - 1] == '\n' || path[used - 1] == '\r')) --used;
  path[used] = '\0';

  // The chooser exits with 1 when cancelled. When it cannot be waited for (SIGCHLD ignored by
  // someone) a printed path is trusted.
  int exitCode = waited == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (exitCode == 1 || !fits) return LogPathChoice::kCancelled;
  if ((waited == child && exitCode != 0) || used == 0) return LogPathChoice::kNoChooser;

  const char* name = strrchr(path, '/');
  name = name != nullptr ? name + 1 : path;
  if (strchr(name, '.') == nullptr && used + 4 < capacity) strcat(path, ".log");
  return LogPathChoice::kChosen;
}

}  // namespace tav::platform
