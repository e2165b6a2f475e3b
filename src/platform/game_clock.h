#pragma once

// The game's clock in a window: milliseconds since the program started, running at a rate that
// fast-forward raises. Everything a game times by (GetTickCount, Wait, Sleep, timed events, the
// event file's schedule) reads this clock, while sound plays in real time and so keeps its pitch.
// A change of rate never makes the clock jump or run back: it goes on from where it was.

#include <cstdint>
#include <functional>

namespace tav::platform {

class GameClock {
 public:
  // Microseconds of real time, only ever growing; the default is the steady clock.
  using RealMicros = std::function<int64_t()>;

  GameClock();
  explicit GameClock(RealMicros real);

  uint32_t Now() const;
  int Rate() const { return rate_; }
  // From now on one real millisecond is `rate` game milliseconds (at least 1).
  void SetRate(int rate);
  // The real time in microseconds that `gameMs` game milliseconds take at the present rate.
  int64_t RealMicrosFor(uint32_t gameMs) const { return static_cast<int64_t>(gameMs) * 1000 / rate_; }

 private:
  int64_t GameMicros() const;

  RealMicros real_;
  int64_t realBase_ = 0;  // when the rate last changed, in real time
  int64_t gameBase_ = 0;  // and in game time
  int rate_ = 1;
};

}  // namespace tav::platform
