// What both heap implementations share: the global heap, the out-of-memory question and the
// trace for a block that belongs to no segment of the heap it is returned to.

#include <atomic>
#include <cstdio>
#include <mutex>

#include "medialib/heap.h"
#include "os/crash_prompt.h"

namespace tav::medialib {
namespace {

constexpr int kLeakDumpLimit = 100;
constexpr const char* kOutOfMemoryCaption = "◆ ESL メモリアロケーション ◆";
constexpr const char* kOutOfMemoryText =
    "メモリ確保に失敗しました。\n他のアプリケーションで使用しているメモリを解放してください。\n"
    "メモリ確保を再実行しますか？";

std::mutex g_globalMutex;
std::atomic<EslHeap*> g_globalHeap{nullptr};
std::atomic<EslOutOfMemoryQuestion> g_question{nullptr};

}  // namespace

EslHeap* eslGetGlobalHeap() {
  EslHeap* heap = g_globalHeap.load(std::memory_order_acquire);
  if (heap != nullptr) return heap;
  std::lock_guard guard(g_globalMutex);
  heap = g_globalHeap.load(std::memory_order_relaxed);
  if (heap == nullptr) {
    heap = eslHeapCreate(0, 0, 0, nullptr);
    g_globalHeap.store(heap, std::memory_order_release);
  }
  return heap;
}

void eslFreeGlobalHeap() {
  std::lock_guard guard(g_globalMutex);
  EslHeap* heap = g_globalHeap.exchange(nullptr);
  if (heap == nullptr) return;
  eslHeapDump(heap, kLeakDumpLimit);
  eslHeapDestroy(heap);
}

EslOutOfMemoryQuestion eslSetOutOfMemoryQuestion(EslOutOfMemoryQuestion question) {
  return g_question.exchange(question);
}

bool eslAskOutOfMemoryDialog() {
  return platform::AskCrashQuestion(kOutOfMemoryCaption, kOutOfMemoryText, true) ==
         platform::CrashAnswer::kYes;
}

bool AskOutOfMemoryRetry() {
  EslOutOfMemoryQuestion question = g_question.load();
  return question != nullptr && question();
}

void TraceInvalidFree() {
  fputs("無効なメモリブロックをヒープから解放しようとしました。\n", stderr);
}

}  // namespace tav::medialib
