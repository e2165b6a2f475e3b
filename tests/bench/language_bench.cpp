// Speed of the script language on four small programs, each compiled once and run per
// iteration: recursion, a counting loop, string building and a call chain.
// python_equivalents.py holds the same programs for comparison.

#include <benchmark/benchmark.h>

#include <chrono>

#include "script/methods/builtin_methods.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/script_file.h"
#include "script/core/var_func.h"

namespace tav::script {
namespace {

struct Program {
  Ref<TOL_VarObject> globals;
  StatementPtr main;

  Program(std::string_view functionName, std::string_view functionBody, std::string_view mainText) {
    InitializeRuntime();
    RegisterBuiltinMethods();
    // Loops collect at most every 20 ms of this clock, as in the program.
    Registry::SetTickSource([] {
      using namespace std::chrono;
      return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    });
    globals = Make<TOL_VarObject>();
    if (!functionName.empty()) {
      auto function = Make<TOL_VarFuncState>(CompileScriptText(functionBody));
      globals->SetMember(function.get(), functionName);
    }
    main = CompileScriptText(mainText);
  }

  VarRef Run() {
    Ref<TOL_VarObArray> frame = NewFrame(NewArray().get(), nullptr, globals.get());
    VarRef out;
    main->Execute(out, frame.get());
    return out;
  }
};

void RunProgram(benchmark::State& state, Program& program, int64_t expected) {
  if (!program.main) {
    state.SkipWithError("does not compile");
    return;
  }
  for (auto _ : state) {
    VarRef result = program.Run();
    if (!result || result->GetInt64() != expected) {
      state.SkipWithError("wrong result");
      break;
    }
    Registry::CollectGarbageAll();
  }
}

void BM_RecursiveFib27(benchmark::State& state) {
  Program program("fib",
                  "IF (ARGS[0] < 2) RETURN ARGS[0];\n"
                  "RETURN fib(ARGS[0] - 1) + fib(ARGS[0] - 2);\n",
                  "RETURN fib(27);");
  RunProgram(state, program, 196418);
}
BENCHMARK(BM_RecursiveFib27)->Unit(benchmark::kMillisecond);

void BM_LoopSumSquaresMod7(benchmark::State& state) {
  Program program("", "",
                  "INT s = 0; INT i;\n"
                  "FOR (i = 0; i < 3000000; i += 1) s += i * i % 7;\n"
                  "RETURN s;");
  // INT arithmetic wraps at 32 bits, and the remainder takes the sign of the left side.
  int32_t expected = 0;
  for (uint32_t i = 0; i < 3000000; ++i) expected += static_cast<int32_t>(i * i) % 7;
  RunProgram(state, program, expected);
}
BENCHMARK(BM_LoopSumSquaresMod7)->Unit(benchmark::kMillisecond);

void BM_StringConcatenation(benchmark::State& state) {
  Program program("", "",
                  "STRING s = \"\"; INT i;\n"
                  "FOR (i = 0; i < 200000; i += 1) s += i;\n"
                  "RETURN s.Length();");
  // The digits of 0 ... 199999.
  int64_t digits = 0;
  for (int i = 0; i < 200000; ++i) digits += static_cast<int64_t>(std::to_string(i).size());
  RunProgram(state, program, digits);
}
BENCHMARK(BM_StringConcatenation)->Unit(benchmark::kMillisecond);

void BM_FactorialCallChain(benchmark::State& state) {
  Program program("fact",
                  "IF (ARGS[0] <= 1) RETURN 1;\n"
                  "RETURN ARGS[0] * fact(ARGS[0] - 1);\n",
                  "INT t = 0; INT k;\n"
                  "FOR (k = 0; k < 20000; k += 1) t += fact(12);\n"
                  "RETURN t;");
  RunProgram(state, program, static_cast<int64_t>(static_cast<int32_t>(479001600u * 20000u)));
}
BENCHMARK(BM_FactorialCallChain)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav::script
