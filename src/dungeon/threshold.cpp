#include "dungeon/threshold.h"

namespace tav::dungeon {

TOL_IMPLEMENT_CLASS(TOL_Threshold)
TOL_IMPLEMENT_CLASS(TOL_Wall)
TOL_IMPLEMENT_CLASS(TOL_Door)
TOL_IMPLEMENT_CLASS(TOL_WallDoor)
TOL_IMPLEMENT_CLASS(TOL_OneAwayWall)
TOL_IMPLEMENT_CLASS(TOL_OneAwayBothWall)
TOL_IMPLEMENT_CLASS(TOL_OneAwayDoor)
TOL_IMPLEMENT_CLASS(TOL_OneAwayRevWall)
TOL_IMPLEMENT_CLASS(TOL_OneAwayRevBothWall)
TOL_IMPLEMENT_CLASS(TOL_OneAwayRevDoor)

void RegisterThresholdClasses() {
  for (const archive::ClassInfo* info :
       {&TOL_Threshold::kClassInfo, &TOL_Wall::kClassInfo, &TOL_Door::kClassInfo,
        &TOL_WallDoor::kClassInfo, &TOL_OneAwayWall::kClassInfo, &TOL_OneAwayBothWall::kClassInfo,
        &TOL_OneAwayDoor::kClassInfo, &TOL_OneAwayRevWall::kClassInfo,
        &TOL_OneAwayRevBothWall::kClassInfo, &TOL_OneAwayRevDoor::kClassInfo}) {
    archive::RegisterClass(*info);
  }
}

}  // namespace tav::dungeon
