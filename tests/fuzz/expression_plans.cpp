// Runs an arbitrary expression twice: in a frame where numeric plans, call plans and lent call
// frames take what they cover, and in a frame where the evaluator does everything itself. Both
// must answer the same, leave the same variables and make collection passes answer the same;
// any difference aborts. Member access is left out (methods could build values without bound).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "script/core/formulate.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/script_file.h"
#include "script/core/var_func.h"
#include "script/core/var_ref.h"

namespace tav::script {

// Plans and lent frames work only from plain arrays: here the evaluator does all.
class EvaluatorOnlyFrame : public TOL_VarObArray {
  TOL_DECLARE_CLASS(EvaluatorOnlyFrame)
};
TOL_IMPLEMENT_CLASS(EvaluatorOnlyFrame)

namespace {

TOL_VarObject* Globals() {
  static TOL_VarObject* globals = [] {
    InitializeRuntime();
    auto object = Make<TOL_VarObject>();
    auto add = [&](const char* name, const char* body) {
      object->SetMember(Make<TOL_VarFuncState>(CompileScriptText(body)).get(), name);
    };
    add("INC", "RETURN ARGS[0] + 1;");
    add("ECHO", "RETURN ARGS[0];");
    add("KEEP", "Held = ARGS; RETURN ARGS[0] + ARGS.Count();");
    add("LOCAL", "INT k = ARGS[0] * 3; RETURN k;");
    add("PAIR", "RETURN Inc(ARGS[0]) * 10 + ARGS[1];");
    add("BUMP", "G += ARGS[0]; RETURN G;");
    // Bodies that start with their frame unfilled and fill it at different points.
    add("FIB", "IF (ARGS[0] < 2 || ARGS[0] > 12) RETURN ARGS[0]; RETURN Fib(ARGS[0] - 1) + Fib(ARGS[0] - 2);");
    add("SELF", "IF (ARGS[0]) RETURN THIS; RETURN ARGS[1];");
    add("ELEM", "RETURN Echo(ARGS[0]) + ARGS[3];");
    // An IF whose then-statement is a RETURN runs it directly; with an ELSE, and an IF whose
    // then-statement is no RETURN but whose ELSE is.
    add("PICK", "IF (ARGS[0] < 0 || ARGS[0] > 6) RETURN ARGS[0] * 3; ELSE RETURN Pick(ARGS[0] - 1) + 1;");
    add("ODD", "IF (ARGS[0] > 2) G += 1; ELSE RETURN ARGS[0]; RETURN G;");
    add("DOWN", "WHILE (ARGS[0] > 0 && ARGS[0] < 50) { ARGS[0] -= 1; G += 1; } RETURN G + ARGS.Count();");
    auto twice = Make<TOL_VarFuncForm>();
    twice->Compile("ARGS[0] * 2");
    object->SetMember(twice.get(), "TWICE");
    object->SetMember(NewInt(4).get(), "G");
    return object.Leak();  // lives for the process
  }();
  return globals;
}

void Fill(TOL_VarObArray* frame) {
  auto args = NewArray();
  args->Add(NewInt(9).get());
  args->Add(NewInt64(10).get());
  frame->SetSize(5, -1);
  frame->SetAt(kArgsSlot, args.get());
  frame->SetAt(kGlobalSlot, Globals());
  frame->SetMember(args.get(), "ARGS");
  frame->SetMember(NewInt(7).get(), "I");
  frame->SetMember(NewInt64(-5).get(), "L");
  frame->SetMember(NewDouble(2.5).get(), "D");
  frame->SetMember(NewBool(true).get(), "B");
  frame->SetMember(NewString("12").get(), "T");
  frame->SetMember(NewRef(NewInt(3).get()).get(), "R");
  Globals()->SetMember(NewRef().get(), "HELD");
  Globals()->FindMember("G")->Assign(NewInt(4).get());
}

std::string Trace(const TOL_Formulate& compiled, Ref<TOL_VarObArray> frame) {
  TOL_Formulate formula(compiled);
  Fill(frame.get());
  Registry::CollectGarbageAll();
  const int base = Registry::TrackedCount();
  VarRef value = formula.Evaluate(frame.get());
  const bool truth = formula.EvaluateBool(frame.get());
  formula.Execute(frame.get());
  std::string trace = std::string(value->GetRuntimeClass().name) + " " + value->GetString() + (truth ? " 1" : " 0") +
                      " made " + std::to_string(Registry::TrackedCount() - base);
  value.reset();
  for (const char* name : {"I", "L", "D", "B", "T", "R"}) trace += " " + frame->FindMember(name)->GetString();
  trace += " g " + Globals()->FindMember("G")->GetString();
  trace += " pass " + std::to_string(Registry::CollectGarbage() - base);
  trace += " " + std::to_string(Registry::CollectGarbage() - base);
  return trace;
}

}  // namespace
}  // namespace tav::script

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav::script;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (size > 200) return 0;
  for (size_t i = 0; i + 1 < size; ++i) {
    const char next = text[i + 1];
    if (text[i] == '.' && (next == '_' || (next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z'))) return 0;
  }
  TOL_Formulate formula;
  if (!formula.Compile(text)) return 0;
  Trace(formula, NewArray());  // first uses: shared slots, the frame pool
  const std::string planned = Trace(formula, NewArray());
  const std::string evaluated = Trace(formula, Make<EvaluatorOnlyFrame>());
  if (planned != evaluated) {
    std::fprintf(stderr, "%.*s\n  plans:     %s\n  evaluator: %s\n", static_cast<int>(size), text.data(),
                 planned.c_str(), evaluated.c_str());
    std::abort();
  }
  Registry::CollectGarbageAll();
  return 0;
}
