// Test support: fields built in code, method calls the way scripts make them, and canvases.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "dungeon/dungeon_classes.h"
#include "dungeon/var_dungeon.h"
#include "dungeon/var_field.h"
#include "gdi/bitmap.h"
#include "gdi/gdi_dc.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/core/var_array.h"
#include "script/core/var_ref.h"

namespace tav::dungeon::testing {

class DungeonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    script::InitializeRuntime();
    RegisterDungeonClasses();
  }
  void TearDown() override { script::Registry::CollectGarbageAll(); }
};

inline script::VarRef Int(int32_t v) { return script::NewInt(v); }

inline script::VarRef Call(script::TOL_Var* self, const char* name, std::initializer_list<script::VarRef> args = {}) {
  auto array = script::NewArray();
  for (const script::VarRef& arg : args) array->Add(arg.get());
  auto frame = script::NewFrame(array.get(), self, nullptr);
  script::TOL_Var* method = self->FindMember(script::Atom::Intern(name));
  EXPECT_NE(method, nullptr) << name;
  return method ? method->Call(frame.get()) : nullptr;
}

inline int32_t CallInt(script::TOL_Var* self, const char* name, std::initializer_list<script::VarRef> args = {}) {
  script::VarRef result = Call(self, name, args);
  return result ? result->GetLong() : -99999;
}

// What a method answering a reference refers to.
inline script::TOL_Var* CallTarget(script::TOL_Var* self, const char* name,
                                   std::initializer_list<script::VarRef> args = {}) {
  script::VarRef result = Call(self, name, args);
  return result ? result->GetTarget() : nullptr;
}

inline script::Ref<TOL_VarField> MakeField(int32_t x, int32_t y, int32_t floor = 0) {
  auto field = script::Make<TOL_VarField>();
  EXPECT_TRUE(field->Recreate(x, y, floor));
  return field;
}

template <class T>
PartRef<T> Part() {
  return MakePart<T>();
}

inline PartRef<TOL_EventLay> EventCell(uint32_t floorColor, uint32_t ceilingColor = 0) {
  auto cell = MakePart<TOL_EventLay>();
  cell->floorColor = floorColor;
  cell->ceilingColor = ceilingColor;
  return cell;
}

struct Canvas {
  platform::Bitmap bitmap;
  platform::DeviceContext dc;
  // Transparent, as a view sets it before its children draw.
  Canvas(int w, int h, uint32_t fill = platform::RgbPixel(9, 9, 9)) : bitmap(w, h, fill), dc(&bitmap) {
    dc.SetBkMode(platform::TRANSPARENT);
  }
  Canvas(const Canvas&) = delete;
  uint32_t At(int x, int y) const { return bitmap.At(x, y); }
  // Pixels in l … r - 1 by t … b - 1 that differ from `background`.
  int CountOther(int l, int t, int r, int b, uint32_t background) const {
    int n = 0;
    for (int y = t; y < b; ++y) {
      for (int x = l; x < r; ++x) n += bitmap.At(x, y) != background;
    }
    return n;
  }
  int Count(int l, int t, int r, int b, uint32_t color) const {
    int n = 0;
    for (int y = t; y < b; ++y) {
      for (int x = l; x < r; ++x) n += bitmap.At(x, y) == color;
    }
    return n;
  }
};

constexpr uint32_t kUntouched = platform::RgbPixel(9, 9, 9);
constexpr uint32_t kWhite = platform::RgbPixel(255, 255, 255);
constexpr uint32_t kBlue = platform::RgbPixel(0, 0, 255);
constexpr uint32_t kRed = platform::RgbPixel(255, 0, 0);
constexpr uint32_t kGreen = platform::RgbPixel(0, 255, 0);
constexpr uint32_t kBlack = platform::RgbPixel(0, 0, 0);

}  // namespace tav::dungeon::testing
