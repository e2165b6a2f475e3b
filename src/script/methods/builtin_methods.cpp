#include "script/methods/builtin_methods.h"

#include "script/core/method_table.h"

namespace tav::script {

void RegisterBuiltinMethods() {
  struct Filler {
    int table;
    void (*define)();
  };
  static constexpr Filler kFillers[] = {
      {kBoolMethods, DefineBoolMethods},     {kIntMethods, DefineIntMethods},
      {kDoubleMethods, DefineDoubleMethods}, {kInt64Methods, DefineInt64Methods},
      {kStringMethods, DefineStringMethods}, {kArrayMethods, DefineArrayMethods},
      {kMapMethods, DefineMapMethods},
  };
  for (const Filler& filler : kFillers) {
    if (MethodTable::Get(filler.table).Size() == 0) filler.define();
  }
}

}  // namespace tav::script
