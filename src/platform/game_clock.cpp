#include "platform/game_clock.h"

#include <algorithm>
#include <chrono>

namespace tav::platform {
namespace {

int64_t SteadyMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

GameClock::GameClock() : GameClock(SteadyMicros) {}

GameClock::GameClock(RealMicros real) : real_(std::move(real)), realBase_(real_()) {}

int64_t GameClock::GameMicros() const { return gameBase_ + (real_() - realBase_) * rate_; }

// The count wraps like the system's tick count, after 49.7 days of game time.
uint32_t GameClock::Now() const { return static_cast<uint32_t>(GameMicros() / 1000); }

void GameClock::SetRate(int rate) {
  rate = std::max(rate, 1);
  if (rate == rate_) return;
  gameBase_ = GameMicros();
  realBase_ = real_();
  rate_ = rate;
}

}  // namespace tav::platform
