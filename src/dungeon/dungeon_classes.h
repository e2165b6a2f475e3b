// Start-up registration of the dungeon classes.
#pragma once

namespace tav::dungeon {

// Makes the dungeon, field, threshold, cell-data, walk view and map view classes creatable by
// class name (place and view files name them) and fills their method tables. Safe to call more
// than once.
void RegisterDungeonClasses();

}  // namespace tav::dungeon
