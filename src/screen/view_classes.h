// Start-up registration of the window, view and appearance classes.
#pragma once

namespace tav::screen {

// Makes the geometry values, windows, views, fonts and appearances creatable by class name
// (view files name their children's classes) and fills their method tables. Safe to call more
// than once.
void RegisterViewClasses();

}  // namespace tav::screen
