// Thresholds: what lies between two neighbouring cells (nothing, a wall, a door, one-way
// passages). A threshold carries no data; it answers, for the direction d in which it is seen
// or crossed (the side of the asking cell on which it lies), what is drawn (its view) and
// whether the party may pass (its pass rule).
#pragma once

#include <cstdint>

#include "dungeon/counted_part.h"
#include "script/core/var.h"

namespace tav::dungeon {

enum ThresholdView : int32_t { kViewNothing = 0, kViewWall = 1, kViewDoor = 2 };
enum PassRule : int32_t { kPassable = 0, kBlocked = 1 };

class TOL_Threshold : public CountedPart {
  TOL_DECLARE_CLASS(TOL_Threshold)
 public:
  virtual int32_t GetView(int32_t) const { return kViewNothing; }
  virtual int32_t GetPassRule(int32_t) const { return kPassable; }
  // Nothing is stored beyond the class record.
  void Serialize(archive::Archive&) override {}
};

class TOL_Wall : public TOL_Threshold {
  TOL_DECLARE_CLASS(TOL_Wall)
 public:
  int32_t GetView(int32_t) const override { return kViewWall; }
  int32_t GetPassRule(int32_t) const override { return kBlocked; }
};

class TOL_Door : public TOL_Threshold {
  TOL_DECLARE_CLASS(TOL_Door)
 public:
  int32_t GetView(int32_t) const override { return kViewDoor; }
};

// Looks like a wall, lets the party through.
class TOL_WallDoor : public TOL_Threshold {
  TOL_DECLARE_CLASS(TOL_WallDoor)
 public:
  int32_t GetView(int32_t) const override { return kViewWall; }
};

// Crossed only northwards or westwards, and invisible from the side it is crossed from.
class TOL_OneAwayWall : public TOL_Threshold {
  TOL_DECLARE_CLASS(TOL_OneAwayWall)
 public:
  static bool Open(int32_t d) { return d == 1 || d == 8; }
  int32_t GetView(int32_t d) const override { return Open(d) ? kViewNothing : kViewWall; }
  int32_t GetPassRule(int32_t d) const override { return Open(d) ? kPassable : kBlocked; }
};

class TOL_OneAwayBothWall : public TOL_OneAwayWall {
  TOL_DECLARE_CLASS(TOL_OneAwayBothWall)
 public:
  int32_t GetView(int32_t) const override { return kViewWall; }
};

class TOL_OneAwayDoor : public TOL_OneAwayWall {
  TOL_DECLARE_CLASS(TOL_OneAwayDoor)
 public:
  int32_t GetView(int32_t) const override { return kViewDoor; }
};

// Crossed only southwards or eastwards.
class TOL_OneAwayRevWall : public TOL_Threshold {
  TOL_DECLARE_CLASS(TOL_OneAwayRevWall)
 public:
  static bool Open(int32_t d) { return d == 2 || d == 4; }
  int32_t GetView(int32_t d) const override { return Open(d) ? kViewNothing : kViewWall; }
  int32_t GetPassRule(int32_t d) const override { return Open(d) ? kPassable : kBlocked; }
};

class TOL_OneAwayRevBothWall : public TOL_OneAwayRevWall {
  TOL_DECLARE_CLASS(TOL_OneAwayRevBothWall)
 public:
  int32_t GetView(int32_t) const override { return kViewWall; }
};

class TOL_OneAwayRevDoor : public TOL_OneAwayRevWall {
  TOL_DECLARE_CLASS(TOL_OneAwayRevDoor)
 public:
  int32_t GetView(int32_t) const override { return kViewDoor; }
};

// Makes every threshold class creatable by name.
void RegisterThresholdClasses();

}  // namespace tav::dungeon
