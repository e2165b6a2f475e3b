#include "screen/var_view.h"

#include <algorithm>
#include <new>

#include "archive/archive.h"
#include "gdi/gdi_dc.h"
#include "screen/view_classes.h"
#include "script/core/frame.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/var_ref.h"

namespace tav::screen {

using script::Atom;
using script::MethodArgs;
using script::Ref;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

TOL_IMPLEMENT_CLASS(TOL_VarView)

namespace {

Atom ParentName() {
  static const Atom atom = Atom::Intern("PARENT");
  return atom;
}
Atom TopName() {
  static const Atom atom = Atom::Intern("TOP");
  return atom;
}
Atom WithName() {
  static const Atom atom = Atom::Intern("WITH");
  return atom;
}

// A child's copy is of the child's own class (see TOL_VarWindow::Clone).
Ref<TOL_VarAppear> CopyAppearance(TOL_VarAppear& child) {
  VarRef copy = child.Clone(nullptr);
  auto* appear = dynamic_cast<TOL_VarAppear*>(copy.get());
  return appear ? Ref<TOL_VarAppear>(appear) : Ref<TOL_VarAppear>(&child);
}

}  // namespace

// ---- visibility flags -------------------------------------------------------------------

void VisibilityFlags::Resize(size_t size) {
  if (size == 0) {
    std::vector<uint8_t>().swap(bytes_);
  } else if (bytes_.empty()) {
    bytes_.assign(size, 0);  // the first storage has exactly the size asked for
  } else if (size <= bytes_.size()) {
    if (size > size_) std::fill(bytes_.begin() + size_, bytes_.begin() + size, 0);
  } else {
    size_t grow = std::clamp(size_ / 8, size_t{4}, size_t{1024});
    std::fill(bytes_.begin() + size_, bytes_.end(), 0);
    bytes_.resize(std::max(size, bytes_.size() + grow), 0);
  }
  size_ = size;
}

// ---- children ---------------------------------------------------------------------------

void TOL_VarView::AddChild(Ref<TOL_VarAppear> child) {
  if (!child) return;
  children_.push_back(std::move(child));
  flags_.Resize(children_.size());
}

void TOL_VarView::RemoveAllChildren() {
  children_.clear();
  flags_.Resize(0);
}

TOL_VarAppear* TOL_VarView::GetPart(int32_t part) const {
  for (const auto& child : children_) {
    if (child->PartNumber() == part) return child.get();
  }
  return nullptr;
}

// ---- initialise and update --------------------------------------------------------------

void TOL_VarView::Initialize(TOL_VarObArray* context) {
  // Children may run scripts; the view and its children stay alive until they are done.
  VarRef keep(this);
  ChildList children = children_;
  for (const auto& child : children) child->Initialize(context);
}

void TOL_VarView::Update(TOL_VarObArray* context) {
  VarRef keep(this);
  ChildList children = children_;

  // The list scope: the context's elements, its PARENT and TOP, and per child the list
  // element it shows as element 2 and WITH.
  Ref<TOL_VarObArray> scope = script::NewArray();
  VarRef list;
  int64_t listOffset = 0;
  if (context && context->GetCount() >= script::kFrameSlots) {
    TOL_Var* with = context->GetAt(script::kWithSlot);
    if (with && with->GetType() == script::kTypeArray) {
      list = VarRef(with->GetTarget());
      for (const VarRef& element : context->Elements()) scope->Add(element.get());
      if (TOL_Var* parent = context->FindMember(ParentName())) scope->SetMember(parent, ParentName());
      if (TOL_Var* top = context->FindMember(TopName())) {
        listOffset = top->GetLong();
        scope->SetMember(top, TopName());
      }
    }
  }

  flags_.Resize(children.size());
  for (size_t i = 0; i < children.size(); ++i) {
    TOL_VarAppear& child = *children[i];
    TOL_VarObArray* against = context;
    if (list) {
      int64_t index = child.IndexOffset() + listOffset;  // 64 bits: the sum cannot overflow
      if (index >= 0 && index < list->GetCount()) {
        if (TOL_Var* element = list->GetAt(static_cast<int>(index))) {
          if (scope->GetCount() > script::kWithSlot) scope->SetAt(script::kWithSlot, element);
          scope->SetMember(element, WithName());
          against = scope.get();
        }
      }
    }
    bool visible = child.IsVisible(against);
    flags_.Set(i, visible);  // range-checked: a script run by the condition may have changed the view
    if (visible) child.Update(against);
  }
}

// ---- drawing ----------------------------------------------------------------------------

template <typename DrawChild>
void TOL_VarView::DrawChildren(platform::DeviceContext& dc, DrawChild drawChild) {
  const int previousMode = dc.SetBkMode(platform::TRANSPARENT);
  std::shared_ptr<const platform::Font> previousFont;
  if (font_) previousFont = dc.SelectFont(font_->GdiFont());
  for (size_t i = children_.size(); i-- > 0;) drawChild(i, *children_[i]);
  if (font_) dc.SelectFont(std::move(previousFont));
  dc.SetBkMode(previousMode);
}

void TOL_VarView::Draw(platform::DeviceContext& dc) {
  DrawChildren(dc, [&](size_t i, TOL_VarAppear& child) {
    if (flags_.IsSet(i)) child.Draw(dc);
  });
}

void TOL_VarView::DrawFramed(platform::DeviceContext& dc) {
  DrawChildren(dc, [&](size_t, TOL_VarAppear& child) { child.DrawFramed(dc); });
}

// ---- methods, copying, storing ----------------------------------------------------------

TOL_Var* TOL_VarView::FindMember(Atom name) {
  if (TOL_Var* method = script::MethodTable::Get(ViewMethodTableId()).Find(name)) return method;
  if (TOL_Var* method = script::MethodTable::Get(WindowMethodTableId()).Find(name)) return method;
  return TOL_VarObject::FindMember(name);
}

void TOL_VarView::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarWindow::CopyFieldsTo(target);
  auto* view = dynamic_cast<TOL_VarView*>(&target);
  if (!view) return;
  view->font_ = CopyFont(font_.get());
  ChildList copies;
  copies.reserve(children_.size());
  for (const auto& child : children_) copies.push_back(CopyAppearance(*child));
  view->children_ = std::move(copies);
  view->flags_.Resize(0);
  view->flags_.Resize(view->children_.size());
}

void TOL_VarView::Serialize(archive::Archive& ar) {
  TOL_VarWindow::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteObject(font_.get());
    std::vector<archive::Object*> children;
    children.reserve(children_.size());
    for (const auto& child : children_) children.push_back(child.get());
    ar.WriteObjectArray(children);
    return;
  }
  // Everything is read before anything is replaced, so a view that fails to load keeps its
  // font and children.
  auto font = Ref<TOL_Font>::Adopt(ar.ReadObjectAs<TOL_Font>());
  uint32_t count = ar.ReadCount();
  ar.RequireRemaining(uint64_t{count} * 2);  // every reference takes at least a WORD
  ChildList children;
  children.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    size_t offset = ar.Position();
    auto child = Ref<TOL_VarAppear>::Adopt(ar.ReadObjectAs<TOL_VarAppear>());
    if (!child) {
      throw archive::ArchiveError("view: child " + std::to_string(i) +
                                  " is null (a view holds only appearances) at byte offset " +
                                  std::to_string(offset));
    }
    children.push_back(std::move(child));
  }
  font_ = std::move(font);
  children_ = std::move(children);
  flags_.Resize(0);
  flags_.Resize(children_.size());
}

int ViewMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

void DefineViewMethods() {
  const int table = ViewMethodTableId();
  if (script::MethodTable::Get(table).Size() > 0) return;
  // GETPART(n): a reference to the first child with part number n, or an empty reference.
  script::DefineMethod(table, "GETPART", 0,
                       [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
                         auto* view = dynamic_cast<TOL_VarView*>(self);
                         if (!view) return nullptr;
                         return script::NewRef(view->GetPart(args.Long(0)));
                       });
}

// ---- view files -------------------------------------------------------------------------

Ref<TOL_VarView> LoadView(std::vector<uint8_t> bytes, std::string& error) {
  RegisterViewClasses();
  auto view = script::Make<TOL_VarView>();
  try {
    archive::Archive ar = archive::Archive::ForReading(std::move(bytes));
    view->Serialize(ar);
  } catch (const archive::ArchiveError& e) {
    error = e.what();
    return nullptr;
  } catch (const std::bad_alloc&) {
    error = "view: out of memory while reading";
    return nullptr;
  }
  return view;
}

std::vector<uint8_t> StoreView(TOL_VarView& view) {
  archive::Archive ar = archive::Archive::ForWriting();
  view.Serialize(ar);
  return ar.Bytes();
}

Ref<TOL_VarView> LoadViewFile(const std::string& realPath, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!archive::LoadFile(realPath, bytes, error)) return nullptr;
  Ref<TOL_VarView> view = LoadView(std::move(bytes), error);
  if (!view) error = realPath + ": " + error;
  return view;
}

}  // namespace tav::screen
