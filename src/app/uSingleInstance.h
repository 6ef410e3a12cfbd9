#pragma once

namespace orvanta {

class IPrompts;

// True when another instance holds the lock "Orvanta". Otherwise this process takes the
// lock and keeps it until it ends; a lock that cannot be made at all lets the program run.
bool IsAlreadyRunning();
void ShowAlreadyRunning(IPrompts& Prompts);

} // namespace orvanta
