// The media library's hot paths: heap allocate/free pairs against the system allocator (the
// mixer and the decoders allocate a block per packet), and lossless MIO decoding, reported as a
// multiple of real time ("realtime" = seconds of sound decoded per second).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "medialib/heap.h"
#include "medialib/memory_file.h"
#include "medialib/mio_encoder.h"
#include "medialib/mio_player.h"

namespace tav::medialib {
namespace {

// Sizes like the library's: small objects, strings, packet and PCM blocks.
std::vector<size_t> RequestSizes() {
  std::mt19937 random(11);
  std::vector<size_t> sizes(1024);
  for (size_t& size : sizes) {
    int kind = random() % 10;
    size = kind < 6 ? 16 + random() % 112 : kind < 9 ? 256 + random() % 4000 : 8192 + random() % 16384;
  }
  return sizes;
}

// Keeps 64 blocks alive and replaces one at a time, so that frees and allocations interleave.
template <class Allocate, class Free>
void AllocateFreePairs(benchmark::State& state, Allocate allocate, Free release) {
  std::vector<size_t> sizes = RequestSizes();
  std::vector<void*> live(64, nullptr);
  size_t next = 0;
  for (auto _ : state) {
    size_t slot = next % live.size();
    release(live[slot]);
    live[slot] = allocate(sizes[next % sizes.size()]);
    benchmark::DoNotOptimize(live[slot]);
    ++next;
  }
  for (void* block : live) release(block);
  state.SetItemsProcessed(state.iterations());
}

void BM_HeapAllocateFree(benchmark::State& state) {
  EslHeap* heap = eslHeapCreate(0, 0, 0, nullptr);
  AllocateFreePairs(
      state, [heap](size_t size) { return eslHeapAllocate(heap, size, 0); },
      [heap](void* block) { eslHeapFree(heap, block, 0); });
  eslHeapDestroy(heap);
}
BENCHMARK(BM_HeapAllocateFree);

void BM_SystemAllocateFree(benchmark::State& state) {
  AllocateFreePairs(
      state, [](size_t size) { return std::malloc(size); }, [](void* block) { std::free(block); });
}
BENCHMARK(BM_SystemAllocateFree);

// Ten seconds of 44100 Hz sound, decoded packet by packet as the mixer asks for it.
void BM_MioLosslessDecode(benchmark::State& state) {
  auto channels = static_cast<uint32_t>(state.range(0));
  auto bits = static_cast<uint32_t>(state.range(1));
  const size_t samples = 441000;
  std::mt19937 random(2);
  std::vector<uint8_t> pcm;
  for (size_t i = 0; i < samples; ++i) {
    for (uint32_t c = 0; c < channels; ++c) {
      double v = 0.4 * std::sin(i * 0.031 * (c + 1)) + 0.3 * std::sin(i * 0.0071) +
                 (static_cast<int>(random() % 200) - 100) / 3000.0;
      if (bits == 8) {
        pcm.push_back(static_cast<uint8_t>(std::lround(128 + 120 * v)));
      } else {
        auto s = static_cast<uint16_t>(static_cast<int16_t>(std::lround(30000 * v)));
        pcm.push_back(static_cast<uint8_t>(s));
        pcm.push_back(static_cast<uint8_t>(s >> 8));
      }
    }
  }
  std::vector<uint8_t> file = EncodeMIOFile(pcm.data(), pcm.size(), channels, 44100, bits, {});
  EMemoryFile memory;
  memory.Open(file.data(), file.size());
  MIODynamicPlayer player;
  if (player.Open(&memory, MIODynamicPlayer::kWithoutThread) != nullptr) {
    state.SkipWithError("the encoded file does not open");
    return;
  }
  for (auto _ : state) {
    do {
      size_t bytes = 0;
      void* block = player.GetNextBlock(&bytes);
      benchmark::DoNotOptimize(block);
      player.ReleaseBlock(block);
    } while (!player.IsAtStreamStart());
  }
  state.counters["realtime"] =
      benchmark::Counter(10.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["ratio"] = static_cast<double>(file.size()) / static_cast<double>(pcm.size());
}
BENCHMARK(BM_MioLosslessDecode)->Args({2, 16})->Args({1, 16})->Args({2, 8})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav::medialib
