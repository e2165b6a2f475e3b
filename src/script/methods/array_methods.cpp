// The array method table. Every array consults it before its own members, and call frames are
// arrays, so these names are visible in every function body: Count() there counts THIS.
#include <algorithm>

#include "script/methods/array_sort.h"
#include "script/methods/array_visit.h"
#include "script/methods/builtin_methods.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/operators.h"
#include "script/methods/random_source.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace {

constexpr int t = kArrayMethods;

// Element operations go through the receiver's own operations, whatever it is.
void DefineElementMethods() {
  MethodTable::Get(t).Define("Count", NewNative("Count", [](TOL_Var* self, TOL_VarObArray*, TOL_VarObArray*) {
    return NewInt(self ? self->GetCount() : -1);
  }));
  DefineMethod(t, "SetSize", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    self->SetSize(args.Long(0), args.Long(1, -1));
    return VarRef();
  });
  DefineMethod(t, "GetAt", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    return NewRef(self->GetAt(args.Long(0)));
  });
  // The argument was already copied (values) or shared (the rest) by the call.
  DefineMethod(t, "SetAt", 2, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    self->SetAt(args.Long(0), args.Element(1));
    return VarRef();
  });
  DefineMethod(t, "Add", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    VarRef copy = args.Element(0)->Clone(nullptr);
    return NewInt(self->Add(copy.get()));
  });
  DefineMethod(t, "Insert", 2, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    self->InsertAt(args.Long(1), args.Element(0));
    return VarRef();
  });
  DefineMethod(t, "Remove", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    self->RemoveAt(args.Long(0));
    return VarRef();
  });
  DefineMethod(t, "RemoveAll", 0, [](TOL_Var* self, const MethodArgs&, TOL_VarObArray*) {
    self->RemoveAll();
    return VarRef();
  });
  DefineMethod(t, "Append", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    return NewInt(self->AppendArray(args.Value(0)));
  });
  DefineMethod(t, "RemoveOb", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    TOL_Var* target = args.Value(0);
    int removed = 0;
    for (int i = self->GetCount() - 1; i >= 0; --i) {
      TOL_Var* element = self->GetAt(i);
      if (element && element->GetTarget() == target && self->RemoveAt(i)) ++removed;
    }
    return NewInt(removed);
  });
}

// The answers of `valuefn` for every visited element, in visiting order.
struct Valued {
  std::vector<VarRef> elements;
  std::vector<int32_t> values;
};

Valued CollectValues(TOL_VarObArray* array, TOL_Var* valuefn, TOL_Var* descend, TOL_VarObArray* frame) {
  Valued out;
  CallbackFrame callbacks(frame);
  VisitElements(array, callbacks, descend, [&](TOL_Var* element) {
    out.elements.emplace_back(element);
    out.values.push_back(CallbackFrame::AsLong(callbacks.CallWithThis(valuefn, element)));
    return false;
  });
  return out;
}

void DefineSearchMethods() {
  DefineMethod(t, "Find", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray* frame) {
    CallbackFrame callbacks(frame);
    TOL_Var* cond = args.Value(0);
    VarRef found;
    VisitElements(ArrayOf(self), callbacks, args.Value(1), [&](TOL_Var* element) {
      if (!CallbackFrame::IsTrue(callbacks.CallWithThis(cond, element))) return false;
      found = VarRef(element);
      return true;
    });
    return found;
  });
  // Answers an array even without a receiver or arguments: an empty one.
  MethodTable::Get(t).Define("Enum", NewNative("Enum", [](TOL_Var* self, TOL_VarObArray* argArray,
                                                          TOL_VarObArray* frame) -> VarRef {
    auto result = NewArray();
    MethodArgs args(argArray);
    if (!self || args.Count() < 1) return result;
    CallbackFrame callbacks(frame);
    TOL_Var* cond = args.Value(0);
    VisitElements(ArrayOf(self), callbacks, args.Value(1), [&](TOL_Var* element) {
      if (CallbackFrame::IsTrue(callbacks.CallWithThis(cond, element))) result->Add(element);
      return false;
    });
    return result;
  }));
  DefineMethod(t, "FindValue", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray* frame) {
    Valued valued = CollectValues(ArrayOf(self), args.Value(0), args.Value(1), frame);
    if (valued.values.empty()) return NewInt(-1);
    auto largest = std::max_element(valued.values.begin(), valued.values.end());  // first of equals
    return NewInt(static_cast<int32_t>(largest - valued.values.begin()));
  });
  // The n elements with the largest values, largest first; equal values keep their visiting
  // order. The elements are shared, not copied.
  DefineMethod(t, "EnumValue", 2, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray* frame) {
    Valued valued = CollectValues(ArrayOf(self), args.Value(0), args.Value(2), frame);
    std::vector<size_t> ranked(valued.values.size());
    for (size_t i = 0; i < ranked.size(); ++i) ranked[i] = i;
    std::stable_sort(ranked.begin(), ranked.end(),
                     [&](size_t a, size_t b) { return valued.values[a] > valued.values[b]; });
    size_t n = static_cast<size_t>(std::max(args.Long(1), 0));
    auto result = NewArray();
    for (size_t i = 0; i < std::min(n, ranked.size()); ++i) result->Add(valued.elements[ranked[i]].get());
    return VarRef(std::move(result));
  });
  // The first answer is the running total; later answers are added by the rules of "+" and
  // assigned back, so the total keeps the class of the first answer.
  DefineMethod(t, "CalcTotal", 2, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray* frame) {
    CallbackFrame callbacks(frame);
    TOL_Var* valuefn = args.Value(0);
    VarRef total;
    VisitElements(ArrayOf(self), callbacks, args.Value(1), [&](TOL_Var* element) {
      VarRef answer = callbacks.CallWithThis(valuefn, element);
      if (!answer) return false;
      if (!total) {
        // A copy, so that a value the callback answered from somewhere else stays untouched.
        total = answer->IsValue() ? answer->Clone(nullptr) : answer;
      } else {
        VarRef sum = BinaryOperation(kOpPlus, total.get(), answer.get());
        total->Assign(sum.get());
      }
      return false;
    });
    return total;
  });
}

// True when the array still holds exactly `snapshot`, element for element.
bool Unchanged(TOL_VarObArray* array, const std::vector<VarRef>& snapshot) {
  const ElementList& now = array->Elements();
  return std::equal(now.begin(), now.end(), snapshot.begin(), snapshot.end());
}

void DefineOrderMethods() {
  // The second argument is required but not read. The comparison runs on a snapshot; if it
  // changes the array meanwhile, its changes stand and the order found is not applied.
  DefineMethod(t, "Sort", 2, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray* frame) {
    TOL_VarObArray* array = ArrayOf(self);
    if (!array || array->GetCount() < 2) return VarRef();
    Ref<TOL_VarObArray> keep(array);
    std::vector<VarRef> snapshot = array->Elements();
    CallbackFrame callbacks(frame);
    TOL_Var* cmp = args.Value(0);
    std::vector<int> order = SortOrder(static_cast<int>(snapshot.size()), [&](int a, int b) {
      return CallbackFrame::AsLong(callbacks.CallWithArgs(cmp, snapshot[a].get(), snapshot[b].get()));
    });
    if (Unchanged(array, snapshot)) array->Reorder(order);
    return VarRef();
  });
  DefineMethod(t, "Shuffle", 0, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    // A single element still takes its draw, NextInt(1), which advances the generator.
    TOL_VarObArray* array = ArrayOf(self);
    if (!array || array->GetCount() == 0) return VarRef();
    RandomSource* source = args.Has(0) ? RandomSourceOf(args.Value(0)) : nullptr;
    array->Reorder(ShuffleOrder(array->GetCount(), source ? *source : DefaultRandomSource()));
    return VarRef();
  });
}

}  // namespace

void DefineArrayMethods() {
  DefineElementMethods();
  DefineSearchMethods();
  DefineOrderMethods();
}

}  // namespace tav::script
