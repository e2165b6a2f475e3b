// Costs of the higher-order array methods: Sort with a script comparison FUNC and Find/Enum
// with FORM conditions over a large array.
#include <benchmark/benchmark.h>

#include <random>

#include "script/methods/builtin_methods.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/core/var_array.h"
#include "script/script_file.h"
#include "script/core/var_func.h"

namespace tav::script {
namespace {

// The callbacks are compiled script functions, as a game passes them.
VarRef CompiledFunc(std::string_view body) {
  return Make<TOL_VarFuncState>(CompileScriptText(body));
}

VarRef CompiledForm(std::string_view expression) {
  auto form = Make<TOL_VarFuncForm>();
  form->Compile(expression);
  return form;
}

void Start() {
  InitializeRuntime();
  RegisterBuiltinMethods();
}

Ref<TOL_VarObArray> RandomInts(int n, unsigned seed) {
  std::mt19937 noise(seed);
  auto array = NewArray();
  for (int i = 0; i < n; ++i) array->Add(NewInt(static_cast<int32_t>(noise() % 1000000)).get());
  return array;
}

// array.NAME(args...) as a compiled call makes it.
VarRef CallMethod(TOL_VarObArray* array, const char* name, std::initializer_list<TOL_Var*> args) {
  auto argArray = NewArray();
  for (TOL_Var* arg : args) argArray->Add(arg);
  auto frame = NewFrame(argArray.get(), array, nullptr);
  return array->FindMember(name)->Call(frame.get());
}

void BM_SortWithScriptComparison(benchmark::State& state) {
  Start();
  const int n = static_cast<int>(state.range(0));
  auto compare = CompiledFunc("RETURN ARGS[0] - ARGS[1];");
  auto unused = NewInt(0);
  unsigned seed = 1;
  for (auto _ : state) {
    state.PauseTiming();
    auto array = RandomInts(n, seed++);
    state.ResumeTiming();
    CallMethod(array.get(), "SORT", {compare.get(), unused.get()});
    state.PauseTiming();
    array.reset();
    Registry::CollectGarbageAll();  // the comparisons' answers, outside the measurement
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SortWithScriptComparison)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_FindVisitingEveryElement(benchmark::State& state) {
  Start();
  const int n = static_cast<int>(state.range(0));
  auto array = NewArray();
  for (int i = 0; i < n; ++i) array->Add(NewInt(i).get());
  auto isLast = CompiledForm("THIS == " + std::to_string(n - 1));
  for (auto _ : state) {
    VarRef found = CallMethod(array.get(), "FIND", {isLast.get()});
    benchmark::DoNotOptimize(found.get());
    state.PauseTiming();
    Registry::CollectGarbageAll();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_FindVisitingEveryElement)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_EnumHalfOfTheElements(benchmark::State& state) {
  Start();
  const int n = static_cast<int>(state.range(0));
  auto array = NewArray();
  for (int i = 0; i < n; ++i) array->Add(NewInt(i).get());
  auto isEven = CompiledForm("THIS % 2 == 0");
  for (auto _ : state) {
    VarRef found = CallMethod(array.get(), "ENUM", {isEven.get()});
    benchmark::DoNotOptimize(found.get());
    state.PauseTiming();
    found.reset();
    Registry::CollectGarbageAll();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_EnumHalfOfTheElements)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav::script
