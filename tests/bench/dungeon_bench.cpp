// Speed of the dungeon views on the 800 x 600 game picture: the walk view at its deepest and
// widest (front 10, side 5) over a maze with walls, doors and coloured event cells, and a 40 x 40
// map view with labels.

#include <benchmark/benchmark.h>

#include "dungeon/dungeon_classes.h"
#include "dungeon/map_view.h"
#include "dungeon/var_field.h"
#include "dungeon/walk_view.h"
#include "gdi/gdi_dc.h"
#include "script/runtime.h"

namespace tav::dungeon {
namespace {

// A 40 x 40 maze: walls on a regular pattern, a door every few cells, one-way walls, coloured
// floors and ceilings here and there.
script::Ref<TOL_VarField> Maze() {
  script::InitializeRuntime();
  RegisterDungeonClasses();
  auto field = script::Make<TOL_VarField>();
  field->Recreate(40, 40, 1);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const int k = x * 7 + y * 13;
      if (k % 3 == 0) field->SetThreshold({x, y}, kNorth, MakePart<TOL_Wall>());
      if (k % 5 == 0) field->SetThreshold({x, y}, kWest, MakePart<TOL_Door>());
      if (k % 11 == 0) field->SetThreshold({x, y}, kWest, MakePart<TOL_OneAwayWall>());
      if (k % 17 == 0) field->SetThreshold({x, y}, kNorth, MakePart<TOL_WallDoor>());
      if (k % 4 == 1) {
        auto cell = MakePart<TOL_EventLay>();
        cell->floorColor = platform::RGB(40, 80, static_cast<uint8_t>(k));
        cell->ceilingColor = platform::RGB(static_cast<uint8_t>(k), 20, 20);
        field->SetCellData({x, y}, cell);
      }
    }
  }
  return field;
}

struct Screen {
  platform::Bitmap bitmap{800, 600};
  platform::DeviceContext dc{&bitmap};
  Screen() { dc.SetBkMode(platform::TRANSPARENT); }
};

void BM_WalkViewFront10Side5(benchmark::State& state) {
  auto field = Maze();
  auto walk = script::Make<TOL_VarWalkApp>();
  walk->SetRect(100, 50, 700, 450);
  walk->SetField(field.get());
  walk->SetFront(10);
  walk->SetSide(5);
  walk->SetBackColor(platform::RGB(10, 10, 30));
  Screen screen;
  int step = 0;
  for (auto _ : state) {
    walk->SetPos(step % 40, (step / 40) % 40);
    walk->SetFacing(1 << (step % 4));
    walk->Draw(screen.dc);
    benchmark::DoNotOptimize(screen.bitmap.Data());
    ++step;
  }
}
BENCHMARK(BM_WalkViewFront10Side5)->Unit(benchmark::kMicrosecond);

void BM_MapView40x40(benchmark::State& state) {
  auto field = Maze();
  auto map = script::Make<TOL_VarMapApp>();
  map->SetRect(0, 0, 600, 600);
  map->SetField(field.get());
  map->SetFieldRect(0, 0, 40, 40);
  map->SetEndBold(true);
  map->Update(nullptr);
  Screen screen;
  for (auto _ : state) {
    map->Draw(screen.dc);
    benchmark::DoNotOptimize(screen.bitmap.Data());
  }
}
BENCHMARK(BM_MapView40x40)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tav::dungeon
