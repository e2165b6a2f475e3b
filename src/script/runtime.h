// Start and end of the script runtime.
#pragma once

namespace tav::script {

// Registers the value classes for archives, fills the constant table and sets the registry's
// grow step. Safe to call more than once.
void InitializeRuntime(int growStep = 10000);
// Empties the constant table and collects everything collectable. Answers the values left.
int ShutdownRuntime();
// At process exit: destroys every value still alive, cycles included. Nothing may use a value
// afterwards.
void DestroyAllValues();

}  // namespace tav::script
