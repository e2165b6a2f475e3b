#include "engine/builtins/builtin_functions.h"

#include <iterator>

#include "engine/builtins/builtin_bodies.h"
#include "engine/builtins/object_functions.h"
#include "engine/builtins/timed_events.h"
#include "script/methods/native_function.h"

namespace tav::engine {

namespace {

struct BuiltinFunction {
  std::string_view name;
  script::NativeBody body;
};

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
    {"CreateView", builtins::CreateView},
    {"ModalView", builtins::ModalView},
    {"RefreshView", builtins::RefreshView},
    {"ModalRefresh", builtins::ModalRefresh},
    {"DestroyView", builtins::DestroyView},
    {"InitializeView", builtins::InitializeView},
    {"GetTopView", builtins::GetTopView},
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
    {"UpdateView", builtins::UpdateView},
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
