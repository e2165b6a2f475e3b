#include "screen/var_window.h"

#include "archive/archive.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"

namespace tav::screen {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

TOL_IMPLEMENT_CLASS(TOL_VarWindow)

void TOL_VarWindow::Initialize(TOL_VarObArray*) {}
void TOL_VarWindow::Update(TOL_VarObArray*) {}
bool TOL_VarWindow::IsVisible(TOL_VarObArray*) { return true; }
void TOL_VarWindow::Draw(platform::DeviceContext&) {}
void TOL_VarWindow::DrawFramed(platform::DeviceContext& dc) { Draw(dc); }

VarRef TOL_VarWindow::Clone(TOL_Var* target) {
  VarRef result;
  if (target) {
    result = VarRef(target);
  } else {
    // The runtime class record makes a copy of the same class as this object, whatever it is
    // (every value class's record creates a value).
    result = VarRef::Adopt(dynamic_cast<TOL_Var*>(GetRuntimeClass().create()));
    result->SetBase(this);
  }
  CloneMembersInto(result.get());
  if (auto* window = dynamic_cast<TOL_VarWindow*>(result->GetTarget())) CopyFieldsTo(*window);
  return result;
}

void TOL_VarWindow::CopyFieldsTo(TOL_VarWindow& target) const { target.rect_ = rect_; }

void TOL_VarWindow::Serialize(archive::Archive& ar) {
  TOL_VarObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteLong(rect_.left);
    ar.WriteLong(rect_.top);
    ar.WriteLong(rect_.right);
    ar.WriteLong(rect_.bottom);
    return;
  }
  WindowRect read;
  read.left = ar.ReadLong();
  read.top = ar.ReadLong();
  read.right = ar.ReadLong();
  read.bottom = ar.ReadLong();
  rect_ = read;
}

int WindowMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

namespace {

// A missing argument reads as 0.
void DefineSetter(std::string_view name, void (TOL_VarWindow::*set)(int32_t)) {
  script::DefineMethod(WindowMethodTableId(), name, 0,
                       [set](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
                         if (auto* window = dynamic_cast<TOL_VarWindow*>(self)) (window->*set)(args.Long(0));
                         return nullptr;
                       });
}

// SETRECT(left, top, right, bottom), or SETRECT(array) with the array's elements 0 to 3; an
// array of fewer than four elements changes nothing.
VarRef SetRect(TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
  auto* window = dynamic_cast<TOL_VarWindow*>(self);
  if (!window) return nullptr;
  TOL_Var* first = args.Value(0);
  if (args.Count() == 1 && first && first->GetType() == script::kTypeArray) {
    if (first->GetCount() < 4) return nullptr;
    int32_t edge[4];
    for (int i = 0; i < 4; ++i) {
      TOL_Var* element = first->GetAt(i);
      edge[i] = element ? element->GetLong() : 0;
    }
    window->SetRect(edge[0], edge[1], edge[2], edge[3]);
    return nullptr;
  }
  window->SetRect(args.Long(0), args.Long(1), args.Long(2), args.Long(3));
  return nullptr;
}

}  // namespace

void DefineWindowMethods() {
  if (script::MethodTable::Get(WindowMethodTableId()).Size() > 0) return;
  DefineSetter("SETTOP", &TOL_VarWindow::SetTop);
  DefineSetter("SETLEFT", &TOL_VarWindow::SetLeft);
  DefineSetter("SETRIGHT", &TOL_VarWindow::SetRight);
  DefineSetter("SETBOTTOM", &TOL_VarWindow::SetBottom);
  script::DefineMethod(WindowMethodTableId(), "SETRECT", 0, SetRect);
}

}  // namespace tav::screen
