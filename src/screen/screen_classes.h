// Start-up registration of the screen subsystem's value classes.
#pragma once

namespace tav::screen {

// Makes TOL_VarRandom and TOL_VarTime creatable by class name (archives and the declarations
// RANDOM and TIME find them there) and fills their method tables. Safe to call more than once.
void RegisterScreenValueClasses();

}  // namespace tav::screen
