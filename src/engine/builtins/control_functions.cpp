// The built-ins for control, time, dialogs and loaded data: Exit, Sleep, Wait, GetTickCount,
// MessageBox, InputBox, CollectGarbage(All), LoadPlace, LoadString, CreateMap, CreateRandom.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive.h"
#include "engine/builtins/builtin_bodies.h"
#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "engine/message_pump.h"
#include "os/diagnostics.h"
#include "platform/game_path.h"
#include "platform/host.h"
#include "encoding/sjis.h"
#include "screen/random.h"
#include "screen/var_random.h"
#include "script/methods/method_args.h"
#include "script/core/registry.h"
#include "script/core/scalars.h"
#include "script/text/text_file.h"
#include "script/objects/var_int_ob_map.h"
#include "script/core/var_ref.h"

namespace tav::engine::builtins {

using platform::Diagnose;
using platform::Severity;
using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

namespace {

const char kCaption[] = "TAV";
constexpr int32_t kDefaultWaitStep = 10;

// The real path of a game file, or nothing (with a diagnostic naming the game path).
std::optional<std::string> ResolveGameFile(const std::string& gamePath, std::string_view what) {
  platform::GamePathResolver* paths = Services().paths;
  std::optional<std::string> real = paths ? paths->Resolve(gamePath) : std::nullopt;
  if (!real) Diagnose(Severity::Warning, gamePath, std::string(what) + " not found");
  return real;
}

// The whole file as bytes; nothing when it cannot be read (with a diagnostic).
std::optional<std::string> ReadGameFileBytes(const std::string& gamePath, std::string_view what) {
  std::optional<std::string> real = ResolveGameFile(gamePath, what);
  if (!real) return std::nullopt;
  std::error_code ec;
  uintmax_t size = std::filesystem::file_size(*real, ec);
  if (!ec && size > script::kMaxTextFileBytes) {
    Diagnose(Severity::Error, gamePath, std::string(what) + " is too large to read");
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  std::string error;
  if (!archive::LoadFile(*real, bytes, error)) {
    Diagnose(Severity::Error, gamePath, error);
    return std::nullopt;
  }
  return std::string(bytes.begin(), bytes.end());
}

// Replaces every `from` in `text`, stepping over two-byte Shift-JIS characters whole.
std::string ReplaceAllSjis(const std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (std::string_view(text).substr(i, from.size()) == from) {
      out += to;
      i += from.size();
    } else if (platform::IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      out.append(text, i, 2);
      i += 2;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// Sets the input-enabled flag aside for its lifetime: clicks and keys pumped meanwhile reach no
// script.
class InputDisabled {
 public:
  InputDisabled() : saved_(Services().inputEnabled) { Services().inputEnabled = false; }
  ~InputDisabled() { Services().inputEnabled = saved_; }
  InputDisabled(const InputDisabled&) = delete;
  InputDisabled& operator=(const InputDisabled&) = delete;

 private:
  bool saved_;
};

}  // namespace

std::string ExpandStringEscapes(std::string text) {
  text = ReplaceAllSjis(text, "\\\\", "\\");
  text = ReplaceAllSjis(text, "\\r", "\r");
  return ReplaceAllSjis(text, "\\n", "\n");
}

// Data.

// The size parameter is a hint for memory blocks; nothing a script can see depends on it, so
// it is read and not kept.
VarRef CreateMap(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) { return script::NewIntObMap(); }

VarRef LoadPlace(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  auto result = script::Make<script::TOL_VarRef>();
  MethodArgs a(args);
  if (!a.Has(0)) return result;
  const std::string gamePath = "config\\place\\" + a.Text(0);
  std::optional<std::string> real = ResolveGameFile(gamePath, "place file");
  if (!real) return result;
  std::vector<uint8_t> bytes;
  std::string error;
  if (!archive::LoadFile(*real, bytes, error)) {
    Diagnose(Severity::Error, gamePath, error);
    return result;
  }
  try {
    archive::Archive archive = archive::Archive::ForReading(std::move(bytes));
    auto loaded = VarRef::Adopt(archive.ReadObjectAs<TOL_Var>());
    if (!loaded) Diagnose(Severity::Warning, gamePath, "the place file holds no object");
    result->SetTarget(loaded.get());
  } catch (const std::exception& e) {
    Diagnose(Severity::Error, gamePath, std::string("the place file cannot be loaded: ") + e.what());
  }
  return result;
}

// A numbered string of the game's table, with its escapes; otherwise the numbered text file as
// it is, bytes and all.
VarRef LoadString(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  if (!a.Has(0)) return script::NewString("");
  const int32_t number = a.Long(0);
  TAV_GameSystem* game = Services().game;
  if (const std::string* text = game ? game->String(number) : nullptr) {
    return script::NewString(ExpandStringEscapes(*text));
  }
  const std::string gamePath = "config\\text\\" + std::to_string(number) + ".txt";
  return script::NewString(ReadGameFileBytes(gamePath, "text file").value_or(""));
}

VarRef CreateRandom(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  return screen::CreateRandom(args);
}

VarRef CollectGarbage(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  return script::NewInt(script::Registry::CollectGarbage());
}

VarRef CollectGarbageAll(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  return script::NewInt(script::Registry::CollectGarbageAll());
}

// Control and time.

// The close is only posted: the script runs on to its end, and the program closes when the
// message is pumped.
VarRef Exit(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  if (platform::Host* host = Services().host) host->PostClose();
  return nullptr;
}

// A negative time would have slept for ever (the count is unsigned to the system): it sleeps
// not at all.
VarRef Sleep(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  platform::Host* host = Services().host;
  if (!a.Has(0) || !host) return nullptr;
  const int32_t ms = a.Long(0);
  if (ms > 0) host->Sleep(static_cast<uint32_t>(ms));
  return nullptr;
}

// Pumps one message per step until the time is over, with input disabled. A close ends the
// wait at once, so that the running scripts can return before the engine goes.
VarRef Wait(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  platform::Host* host = Services().host;
  if (!a.Has(0) || !host) return nullptr;
  const int32_t ms = a.Long(0);
  const int32_t step = a.Long(1, kDefaultWaitStep);
  InputDisabled inputDisabled;
  const uint32_t start = host->GetTickCount();
  const uint32_t span = ms > 0 ? static_cast<uint32_t>(ms) : 0;
  host->BeginTimedWait(span, step);
  // Unsigned differences keep counting across the tick count's wrap.
  while (!Services().closing && host->GetTickCount() - start < span) {
    PumpOneMessage();
    if (Services().closing) break;
    if (step > 0) {
      host->Sleep(static_cast<uint32_t>(step));
    } else if (host->IsHeadless()) {
      // Without steps the wait polls the clock, and a virtual clock moves only when slept on.
      host->Sleep(1);
    }
  }
  host->EndTimedWait();
  return nullptr;
}

VarRef GetTickCount(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  platform::Host* host = Services().host;
  const uint32_t ticks = host ? host->GetTickCount() : screen::TickCount();
  return script::NewInt64(static_cast<int64_t>(ticks));
}

// Dialogs.

VarRef MessageBox(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  platform::Host* host = Services().host;
  if (!a.Has(0) || !host) return script::NewInt(0);
  const unsigned style = static_cast<unsigned>(a.Long(1, 0));
  return script::NewInt(host->MessageBox(a.Text(0), kCaption, style, true));
}

VarRef InputBox(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  platform::Host* host = Services().host;
  if (!a.Has(0)) return nullptr;
  std::optional<std::string> text = host ? host->InputBox(a.Text(0)) : std::nullopt;
  return script::NewString(text.value_or(""));
}

}  // namespace tav::engine::builtins
