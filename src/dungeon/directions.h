// Directions are single bits, shared by facings, block sides and threshold queries. Any other
// value turns into 0, and a step in direction 0 goes nowhere.
#pragma once

#include <cstdint>

namespace tav::dungeon {

constexpr int32_t kNorth = 1;
constexpr int32_t kEast = 2;
constexpr int32_t kSouth = 4;
constexpr int32_t kWest = 8;

constexpr bool IsDirection(int32_t d) { return d == kNorth || d == kEast || d == kSouth || d == kWest; }

constexpr int32_t TurnLeft(int32_t d) {
  switch (d) {
    case kNorth: return kWest;
    case kEast: return kNorth;
    case kSouth: return kEast;
    case kWest: return kSouth;
    default: return 0;
  }
}

constexpr int32_t TurnRight(int32_t d) {
  switch (d) {
    case kNorth: return kEast;
    case kEast: return kSouth;
    case kSouth: return kWest;
    case kWest: return kNorth;
    default: return 0;
  }
}

constexpr int32_t Reverse(int32_t d) {
  switch (d) {
    case kNorth: return kSouth;
    case kEast: return kWest;
    case kSouth: return kNorth;
    case kWest: return kEast;
    default: return 0;
  }
}

constexpr int32_t StepX(int32_t d) { return d == kEast ? 1 : d == kWest ? -1 : 0; }
constexpr int32_t StepY(int32_t d) { return d == kSouth ? 1 : d == kNorth ? -1 : 0; }

// A cell position as scripts and views pass it: not yet wrapped to a field. Moving keeps C's
// 32-bit arithmetic (it wraps around), so positions far from the origin move as they always did.
struct CellPos {
  int32_t x = 0;
  int32_t y = 0;

  // `steps` cells in direction d.
  constexpr CellPos Moved(int32_t d, int64_t steps = 1) const {
    return {static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(StepX(d) * steps)),
            static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(StepY(d) * steps))};
  }
  friend constexpr bool operator==(const CellPos&, const CellPos&) = default;
};

}  // namespace tav::dungeon
