// TOL_VarView: a window holding an ordered list of appearances.
//
// Before each redraw the view decides which children are visible (Update) and remembers the
// answer in its visibility flags, which the drawing and the hit tests read. A view shows one
// element of a list per appearance when the frame it is updated with carries a list: each child
// then sees the element at its index offset plus the list offset ("TOP") as "WITH".
//
// View files (".tav") hold one view without a class record: the payload below, read into a
// view made beforehand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screen/appear.h"
#include "screen/tol_font.h"
#include "screen/var_window.h"

namespace tav::screen {

// One byte per child: 1 when the child was found visible by the last update. Kept exactly as
// long as the children list; storage grows by max(4, min(1024, size / 8)) bytes at a time when
// it must grow, and is released when the size falls to 0.
class VisibilityFlags {
 public:
  size_t Size() const { return size_; }
  size_t Capacity() const { return bytes_.size(); }
  bool IsSet(size_t i) const { return i < size_ && bytes_[i] != 0; }
  void Set(size_t i, bool visible) {
    if (i < size_) bytes_[i] = visible ? 1 : 0;
  }
  // New bytes are 0.
  void Resize(size_t size);

 private:
  std::vector<uint8_t> bytes_;  // all of the storage: its size is the capacity
  size_t size_ = 0;
};

class TOL_VarView : public TOL_VarWindow {
  TOL_DECLARE_CLASS(TOL_VarView)
 public:
  using ChildList = std::vector<script::Ref<TOL_VarAppear>>;

  TOL_VarView() = default;

  const ChildList& Children() const { return children_; }
  void AddChild(script::Ref<TOL_VarAppear> child);
  void RemoveAllChildren();
  // The first child whose part number is `part`, or none.
  TOL_VarAppear* GetPart(int32_t part) const;

  // None: the device context's font applies.
  TOL_Font* Font() const { return font_.get(); }
  void SetFont(script::Ref<TOL_Font> font) { font_ = std::move(font); }

  const VisibilityFlags& Flags() const { return flags_; }
  bool WasVisible(size_t child) const { return flags_.IsSet(child); }

  // Passes the context on to every child, in order.
  void Initialize(script::TOL_VarObArray* context) override;
  // Evaluates every child's condition (against the list scope or the context), records the
  // answers in the flags and updates the visible children.
  void Update(script::TOL_VarObArray* context) override;

  // Draws the children found visible by the last update, the last child first, so that the first
  // child lies on top (the one hit tests find first). Text is drawn without background, in the
  // view's font when it has one.
  void Draw(platform::DeviceContext& dc) override;
  // Every child's design drawing, whatever its visibility.
  void DrawFramed(platform::DeviceContext& dc) override;

  // GETPART, the window table, then the members and the base object.
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
  // After the window part: the font as an object reference (none allowed), then the children
  // as an object array. Every child must be an appearance.
  void Serialize(archive::Archive& ar) override;

 protected:
  // Rectangle, a new font from the same description, a copy of every child; the flags are
  // sized to the children and cleared.
  void CopyFieldsTo(TOL_VarWindow& target) const override;

 private:
  // The drawing shared by Draw and DrawFramed: the background mode and font set around `drawChild`.
  template <typename DrawChild>
  void DrawChildren(platform::DeviceContext& dc, DrawChild drawChild);

  ChildList children_;
  script::Ref<TOL_Font> font_;
  VisibilityFlags flags_;
};

// The view's own table: GETPART.
int ViewMethodTableId();
void DefineViewMethods();

// A view read from the bytes of a view file, or none with `error` saying what is wrong and
// where. Registers the view classes first.
script::Ref<TOL_VarView> LoadView(std::vector<uint8_t> bytes, std::string& error);
// The bytes of a view file holding `view`. Throws archive::ArchiveError only for a view that
// no archive can hold (values nested deeper than archives allow).
std::vector<uint8_t> StoreView(TOL_VarView& view);
// Reads a view file (a real path, already resolved); on failure none, and `error` names the
// file and the reason.
script::Ref<TOL_VarView> LoadViewFile(const std::string& realPath, std::string& error);

}  // namespace tav::screen
