// Arbitrary bytes read as a place file. Besides never crashing, hanging or leaking, whatever
// loads must store again, and what that stores must load and store to the same bytes; a loaded
// field or dungeon is also drawn by a walk and a map view.
//
// Thresholds and cell data shared by several blocks must be released exactly once: the
// sanitizers catch a double release or a leak of them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "dungeon/dungeon_classes.h"
#include "dungeon/map_view.h"
#include "dungeon/place_file.h"
#include "dungeon/var_dungeon.h"
#include "dungeon/walk_view.h"
#include "gdi/bitmap.h"
#include "gdi/gdi_dc.h"
#include "script/core/registry.h"
#include "script/runtime.h"

namespace {

using tav::dungeon::TOL_VarDungeon;
using tav::dungeon::TOL_VarField;

// A small picture: the views only need somewhere to draw.
void DrawField(TOL_VarField* field) {
  if (!field) return;
  tav::platform::Bitmap bitmap(64, 48);
  tav::platform::DeviceContext dc(&bitmap);
  auto walk = tav::script::Make<tav::dungeon::TOL_VarWalkApp>();
  walk->SetRect(0, 0, 64, 48);
  walk->SetField(field);
  walk->SetFront(4);
  walk->SetSide(2);
  walk->Draw(dc);
  auto map = tav::script::Make<tav::dungeon::TOL_VarMapApp>();
  map->SetRect(0, 0, 64, 48);
  map->SetField(field);
  map->SetFieldRect(-1, -1, 5, 5);
  map->SetDrawPositions(false);
  map->Update(nullptr);
  map->Draw(dc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    tav::script::InitializeRuntime();
    tav::dungeon::RegisterDungeonClasses();
    return true;
  }();
  (void)ready;

  std::string error;
  tav::script::VarRef place = tav::dungeon::LoadPlaceBytes(std::vector<uint8_t>(data, data + size), error);
  if (!place && error.empty()) {
    // Only a file holding a null reference loads as nothing without an error: the word 0, or
    // the long form (0x7FFF, then the DWORD 0).
    static const uint8_t kLongNull[] = {0xFF, 0x7F, 0, 0, 0, 0};
    const bool shortNull = size >= 2 && data[0] == 0 && data[1] == 0;
    const bool longNull = size >= 6 && std::equal(kLongNull, kLongNull + 6, data);
    if (!shortNull && !longNull) __builtin_trap();
  }
  if (place) {
    if (auto* dungeon = dynamic_cast<TOL_VarDungeon*>(place.get())) {
      for (const auto& field : dungeon->Fields()) DrawField(field.get());
    }
    DrawField(dynamic_cast<TOL_VarField*>(place.get()));
    std::vector<uint8_t> first;
    bool stored = true;
    try {
      first = tav::dungeon::StorePlaceBytes(*place);
    } catch (const tav::archive::ArchiveError&) {
      stored = false;  // only nesting deeper than archives allow is refused
    }
    if (stored) {
      auto again = tav::dungeon::LoadPlaceBytes(first, error);
      if (!again) __builtin_trap();
      if (tav::dungeon::StorePlaceBytes(*again) != first) __builtin_trap();
    }
  }
  place.reset();
  tav::script::Registry::CollectGarbageAll();
  return 0;
}
