// Speed of the software drawing calls on an 800 x 600 picture, the size of the game window:
// full-screen fills, short and long lines, a walk-view wall with far-away corners, and text.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "gdi/gdi_dc.h"
#include "gdi/gdi_text.h"
#include "encoding/sjis.h"

namespace tav::platform {
namespace {

struct Screen {
  Bitmap bitmap{800, 600};
  DeviceContext dc{&bitmap};
};

std::vector<POINT> RandomPoints(size_t count, int spread) {
  std::mt19937 random(1);
  std::uniform_int_distribution<int> x(-spread, 800 + spread), y(-spread, 600 + spread);
  std::vector<POINT> points(count);
  for (POINT& p : points) p = {x(random), y(random)};
  return points;
}

void BM_FillRectFullScreen(benchmark::State& state) {
  Screen screen;
  for (auto _ : state) {
    screen.dc.FillRect({0, 0, 800, 600}, CreateSolidBrush(RGB(10, 20, 30)));
    benchmark::DoNotOptimize(screen.bitmap.Data());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_FillRectFullScreen);

void BM_CosmeticLines(benchmark::State& state) {
  Screen screen;
  screen.dc.SelectPen(CreatePen(static_cast<int>(state.range(0)), 1, RGB(255, 255, 255)));
  std::vector<POINT> points = RandomPoints(256, 200);
  for (auto _ : state) {
    screen.dc.MoveTo(points[0].x, points[0].y);
    for (const POINT& p : points) screen.dc.LineTo(p.x, p.y);
    benchmark::DoNotOptimize(screen.bitmap.Data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points.size()));
}
BENCHMARK(BM_CosmeticLines)->Arg(PS_SOLID)->Arg(PS_DOT);

void BM_WideLines(benchmark::State& state) {
  Screen screen;
  screen.dc.SelectPen(CreatePen(PS_SOLID, static_cast<int>(state.range(0)), RGB(255, 0, 0)));
  std::vector<POINT> points = RandomPoints(64, 0);
  for (auto _ : state) {
    screen.dc.MoveTo(points[0].x, points[0].y);
    for (const POINT& p : points) screen.dc.LineTo(p.x, p.y);
    benchmark::DoNotOptimize(screen.bitmap.Data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points.size()));
}
BENCHMARK(BM_WideLines)->Arg(3)->Arg(8);

void BM_PolygonWallFromFarAway(benchmark::State& state) {
  Screen screen;
  screen.dc.SelectBrush(CreateSolidBrush(RGB(90, 90, 120)));
  const POINT wall[] = {{-400000000, -300000}, {520, 120}, {520, 480}, {-400000000, 300600}};
  for (auto _ : state) {
    screen.dc.Polygon(wall);
    benchmark::DoNotOptimize(screen.bitmap.Data());
  }
}
BENCHMARK(BM_PolygonWallFromFarAway);

void BM_DrawTextWrapped(benchmark::State& state) {
  Screen screen;
  LOGFONTA logFont;
  logFont.lfHeight = -16;
  logFont.SetFaceName(Utf8ToSjis("ＭＳ Ｐゴシック"));
  std::shared_ptr<const Font> font = Font::Create(logFont, state.range(0) != 0);
  if (!font) {
    state.SkipWithError("no Japanese font installed");
    return;
  }
  screen.dc.SelectFont(font);
  screen.dc.SetBkMode(TRANSPARENT);
  screen.dc.SetTextColor(RGB(255, 255, 255));
  std::string text = Utf8ToSjis(
      "勇者はゆっくりと扉を開けた。その向こうには長い廊下が続いている。"
      "The corridor stretches far into the dark, and something moves at its end.");
  for (auto _ : state) {
    benchmark::DoNotOptimize(DrawTextA(screen.dc, text, {40, 400, 760, 580}, DT_WORDBREAK));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DrawTextWrapped)->Arg(0)->Arg(1);

}  // namespace
}  // namespace tav::platform
