#include "dungeon/dungeon_classes.h"

#include "archive/object.h"
#include "dungeon/cell_data.h"
#include "dungeon/map_view.h"
#include "dungeon/threshold.h"
#include "dungeon/var_dungeon.h"
#include "dungeon/var_field.h"
#include "dungeon/walk_view.h"
#include "screen/view_classes.h"

namespace tav::dungeon {

void RegisterDungeonClasses() {
  // The views hold fonts and appearances of the screen classes.
  screen::RegisterViewClasses();
  RegisterThresholdClasses();
  RegisterCellDataClasses();
  for (const archive::ClassInfo* info : {&TOL_VarField::kClassInfo, &TOL_VarDungeon::kClassInfo,
                                         &TOL_VarWalkApp::kClassInfo, &TOL_VarMapApp::kClassInfo}) {
    archive::RegisterClass(*info);
  }
  DefineFieldMethods();
  DefineDungeonMethods();
  DefineWalkMethods();
  DefineMapMethods();
}

}  // namespace tav::dungeon
