#include "screen/appear.h"

#include "archive/archive.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"

namespace tav::screen {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

TOL_IMPLEMENT_CLASS(TOL_VarAppear)
TOL_IMPLEMENT_CLASS(TOL_VarColorAppear)
TOL_IMPLEMENT_CLASS(TOL_VarFontAppear)

// ---- TOL_VarAppear ----------------------------------------------------------------------

TOL_VarAppear::TOL_VarAppear() { condition_.Compile("1"); }

bool TOL_VarAppear::SetCondition(std::string_view text) {
  script::TOL_Formulate compiled;
  if (!compiled.Compile(text)) return false;
  condition_ = compiled;
  return true;
}

bool TOL_VarAppear::IsVisible(TOL_VarObArray* context) {
  VarRef value = condition_.Evaluate(context);
  return value->GetBool();
}

TOL_Var* TOL_VarAppear::FindAppearanceMember(script::Atom name) {
  if (TOL_Var* method = script::MethodTable::Get(AppearMethodTableId()).Find(name)) return method;
  if (TOL_Var* method = script::MethodTable::Get(WindowMethodTableId()).Find(name)) return method;
  return TOL_VarObject::FindMember(name);
}

TOL_Var* TOL_VarAppear::FindMember(script::Atom name) { return FindAppearanceMember(name); }

void TOL_VarAppear::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarWindow::CopyFieldsTo(target);
  auto* appear = dynamic_cast<TOL_VarAppear*>(&target);
  if (!appear) return;
  appear->activeNumber_ = activeNumber_;
  appear->partNumber_ = partNumber_;
  appear->indexOffset_ = indexOffset_;
  appear->keyWord_ = keyWord_;
  appear->reserved_ = reserved_;
  appear->condition_ = condition_;
}

void TOL_VarAppear::Serialize(archive::Archive& ar) {
  TOL_VarWindow::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    ar.WriteLong(activeNumber_);
    ar.WriteLong(partNumber_);
    ar.WriteLong(indexOffset_);
    ar.WriteDword(keyWord_);
    ar.WriteLong(reserved_);
    condition_.Serialize(ar);
    return;
  }
  ar.ReadWord();
  activeNumber_ = ar.ReadLong();
  partNumber_ = ar.ReadLong();
  indexOffset_ = ar.ReadLong();
  keyWord_ = ar.ReadDword();
  reserved_ = ar.ReadLong();
  condition_.Serialize(ar);
}

// ---- TOL_VarColorAppear -----------------------------------------------------------------

void TOL_VarColorAppear::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarAppear::CopyFieldsTo(target);
  auto* color = dynamic_cast<TOL_VarColorAppear*>(&target);
  if (!color) return;
  color->color_ = color_;
  color->shadowColor_ = shadowColor_;
  color->shadowX_ = shadowX_;
  color->shadowY_ = shadowY_;
}

void TOL_VarColorAppear::Serialize(archive::Archive& ar) {
  TOL_VarAppear::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    ar.WriteDword(color_);
    ar.WriteDword(shadowColor_);
    ar.WriteLong(shadowX_);
    ar.WriteLong(shadowY_);
    return;
  }
  ar.ReadWord();
  color_ = ar.ReadDword();
  shadowColor_ = ar.ReadDword();
  shadowX_ = ar.ReadLong();
  shadowY_ = ar.ReadLong();
}

// ---- TOL_VarFontAppear ------------------------------------------------------------------

void TOL_VarFontAppear::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarColorAppear::CopyFieldsTo(target);
  if (auto* appear = dynamic_cast<TOL_VarFontAppear*>(&target)) appear->font_ = CopyFont(font_.get());
}

void TOL_VarFontAppear::Serialize(archive::Archive& ar) {
  TOL_VarColorAppear::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteObject(font_.get());
    return;
  }
  font_ = script::Ref<TOL_Font>::Adopt(ar.ReadObjectAs<TOL_Font>());
}

// ---- the appearance table ---------------------------------------------------------------

int AppearMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

void DefineAppearMethods() {
  const int table = AppearMethodTableId();
  if (script::MethodTable::Get(table).Size() > 0) return;
  // SETKEY(key): a missing key is 0, which unbinds the key and keeps the key-click flag.
  script::DefineMethod(table, "SETKEY", 0,
                       [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
                         if (auto* appear = dynamic_cast<TOL_VarAppear*>(self)) {
                           appear->SetKeyCode(static_cast<uint32_t>(args.Long(0)));
                         }
                         return nullptr;
                       });
  script::DefineMethod(table, "GETKEY", 0,
                       [](TOL_Var* self, const MethodArgs&, TOL_VarObArray*) -> VarRef {
                         auto* appear = dynamic_cast<TOL_VarAppear*>(self);
                         if (!appear) return nullptr;
                         return script::NewInt(static_cast<int32_t>(appear->KeyCode()));
                       });
}

}  // namespace tav::screen
