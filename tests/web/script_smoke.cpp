// The script language and the object archive compiled to WebAssembly, run under node: a first
// check that wasm32 (4-byte pointers, emscripten's C and C++ libraries) computes what the native
// build computes, before the whole engine builds for the web. No GoogleTest: the web libraries
// do not include it. Prints one line per failed check and a closing count.
#include <cstdio>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/core/scalars.h"
#include "script/core/statement.h"
#include "script/core/var_array.h"
#include "script/core/var_func.h"
#include "script/core/var_ref.h"
#include "script/runtime.h"
#include "script/text/compile_error.h"

using namespace tav::script;

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

struct Script {
  Ref<TOL_VarObject> globals = Make<TOL_VarObject>();
  Ref<TOL_VarObArray> frame = NewFrame(NewArray().get(), nullptr, globals.get());

  bool Run(std::string_view text) {
    StatementPtr statement = CompileStatementText(text);
    if (!statement) {
      std::printf("compile error at line %d: %s\n", LastCompileError().line, LastCompileError().reason.c_str());
      return false;
    }
    VarRef value;
    return statement->Execute(value, frame.get()) == kStatusNormal;
  }
  void Func(std::string_view name, std::string_view body) {
    auto function = Make<TOL_VarFuncState>(CompileStatementText(body));
    function->SetName(name);
    globals->SetMember(function.get(), name);
  }
  TOL_Var* Local(std::string_view name) { return frame->FindMember(name); }
};

std::vector<uint8_t> Store(TOL_Var* value) {
  tav::archive::Archive out = tav::archive::Archive::ForWriting();
  out.WriteObject(value);
  return out.Bytes();
}

VarRef Load(std::vector<uint8_t> bytes) {
  tav::archive::Archive in = tav::archive::Archive::ForReading(std::move(bytes));
  return VarRef::Adopt(in.ReadObjectAs<TOL_Var>());
}

}  // namespace

int main() {
  InitializeRuntime();
  {
    Script script;
    // Loops, recursion, 32-bit overflow wrapping, doubles and strings: the parts whose results
    // depend on integer and pointer sizes.
    script.Func("FACT", "INT n = ARGS[0]; IF (n <= 1) RETURN 1; RETURN n * FACT(n - 1);");
    Check(script.Run("INT s = 0; INT i; FOR (i = 1; i <= 1000; i += 1) { IF (i % 7 == 0) CONTINUE; s += i; }"
                     "INT f = FACT(10); INT w = 2147483647; w += 1;"
                     "DOUBLE d = 1.0 / 8; STRING t = \"ab\" + 12 + \"cd\";"),
          "the script runs");
    TOL_Var* s = script.Local("S");
    Check(s && s->GetLong() == 500500 - 71071, "sum of 1..1000 without multiples of 7");
    TOL_Var* f = script.Local("F");
    Check(f && f->GetLong() == 3628800, "FACT(10)");
    TOL_Var* w = script.Local("W");
    Check(w && w->GetLong() == INT32_MIN, "INT wraps at 2^31");
    TOL_Var* d = script.Local("D");
    Check(d && d->GetDouble() == 0.125, "1.0 / 8");
    TOL_Var* t = script.Local("T");
    Check(t && t->GetString() == "ab12cd", "string + number + string");
  }
  {
    // The archive's bytes are the native build's, byte for byte (little-endian, 32-bit fields).
    std::vector<uint8_t> expected = {0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00};
    for (char c : std::string("TOL_VarInt")) expected.push_back(static_cast<uint8_t>(c));
    expected.insert(expected.end(), {0x01, 0x00, 0xFE, 0xFF, 0xFF, 0xFF});
    Check(Store(NewInt(-2).get()) == expected, "INT -2 stored as the native build stores it");

    auto array = NewArray();
    array->Add(NewInt64(int64_t{1} << 40).get());
    array->Add(NewDouble(0.25).get());
    array->Add(NewString(std::string(300, 'x')).get());
    VarRef loaded = Load(Store(array.get()));
    Check(loaded && loaded->GetType() == kTypeArray && loaded->GetCount() == 3, "array loads back");
    if (loaded && loaded->GetCount() == 3) {
      Check(loaded->GetAt(0)->GetInt64() == int64_t{1} << 40, "LONG survives the archive");
      Check(loaded->GetAt(1)->GetDouble() == 0.25, "DOUBLE survives the archive");
      Check(loaded->GetAt(2)->GetString() == std::string(300, 'x'), "long STRING survives the archive");
      Check(Store(loaded.get()) == Store(array.get()), "stored again, the same bytes");
    }
  }
  Registry::CollectGarbageAll();
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
