#include "engine/builtin_functions.h"

#include <iterator>
#include <mutex>

#include "engine/builtin_bodies.h"
#include "engine/object_functions.h"
#include "engine/timed_events.h"
#include "platform/diagnostics.h"
#include "script/native_function.h"

namespace tav::engine {

namespace {

struct BuiltinFunction {
  std::string_view name;
  script::NativeBody body;
};

// The view functions come with the screens and their drawing. Until then each answers none,
// and the first call says so.
script::VarRef ViewFunctionMissing(script::TOL_Var*, script::TOL_VarObArray*, script::TOL_VarObArray*) {
  static std::once_flag reported;
  std::call_once(reported, [] {
    platform::Diagnose(platform::Severity::Warning, "", "view functions are not available yet");
  });
  return nullptr;
}

// The fixed order of registration.
const BuiltinFunction kTable[] = {
    {"CreateArray", CreateArray},
    {"CreateArrayFromFile", CreateArrayFromFile},
    {"CreateObject", CreateObject},
    {"CreateObjectDef", CreateObjectDef},
    {"CreateInitializer", CreateInitializer},
    {"CreateMap", builtins::CreateMap},
    {"LoadPlace", builtins::LoadPlace},
    {"LoadString", builtins::LoadString},
    {"CreateRandom", builtins::CreateRandom},
    {"CollectGarbage", builtins::CollectGarbage},
    {"CollectGarbageAll", builtins::CollectGarbageAll},
    {"PlayMusic", builtins::PlayMusic},
    {"PlayMusicFile", builtins::PlayMusicFile},
    {"StopMusic", builtins::StopMusic},
    {"PlayingMusic", builtins::PlayingMusic},
    {"PlaySound", builtins::PlaySound},
    {"StopSound", builtins::StopSound},
    {"PlayingSound", builtins::PlayingSound},
    {"CreateView", ViewFunctionMissing},
    {"ModalView", ViewFunctionMissing},
    {"RefreshView", ViewFunctionMissing},
    {"ModalRefresh", ViewFunctionMissing},
    {"DestroyView", ViewFunctionMissing},
    {"InitializeView", ViewFunctionMissing},
    {"GetTopView", ViewFunctionMissing},
    {"GetKeyState", builtins::GetKeyState},
    {"GetKbState", builtins::GetKbState},
    {"GetLastKeyState", builtins::GetLastKeyState},
    {"SetTimeRemoveEvent", builtins::SetTimeRemoveEvent},
    {"CancelTimeRemoveEvent", builtins::CancelTimeRemoveEvent},
    {"ExecTimeRemoveEvent", builtins::ExecTimeRemoveEvent},
    {"Exit", builtins::Exit},
    {"Sleep", builtins::Sleep},
    {"Wait", builtins::Wait},
    {"GetTickCount", builtins::GetTickCount},
    {"MessageBox", builtins::MessageBox},
    {"InputBox", builtins::InputBox},
    {"Rand", builtins::Rand},
    {"Dice", builtins::Dice},
    {"SelectIndex", builtins::SelectIndex},
    {"RGB", builtins::RGB},
    {"GetAddr", builtins::GetAddr},
    {"GetClassName", builtins::GetClassName},
    {"GetRefAddr", builtins::GetRefAddr},
    {"GetRefClassName", builtins::GetRefClassName},
    {"UpdateView", ViewFunctionMissing},
};
static_assert(std::size(kTable) == 46);

// The function values, made on first use. Each keeps its creation count for the whole process,
// so no pass collects it; the pointers are plain because the values are destroyed with all the
// others at exit, before static holders would go (a counted holder would then touch them).
const std::vector<script::TOL_Var*>& FunctionValues() {
  static const std::vector<script::TOL_Var*> values = [] {
    std::vector<script::TOL_Var*> made;
    for (const BuiltinFunction& entry : kTable) {
      made.push_back(script::NewNative(entry.name, entry.body).Leak());
    }
    return made;
  }();
  return values;
}

}  // namespace

void AddBuiltinFunctions(script::TOL_VarObject* globals) {
  if (!globals) return;
  // Timed remove events can come back from archives once a game runs.
  RegisterTimedEventClasses();
  const std::vector<script::TOL_Var*>& values = FunctionValues();
  for (size_t i = 0; i < values.size(); ++i) globals->SetMember(values[i], kTable[i].name);
}

std::vector<std::string_view> BuiltinFunctionNames() {
  std::vector<std::string_view> names;
  for (const BuiltinFunction& entry : kTable) names.push_back(entry.name);
  return names;
}

}  // namespace tav::engine
