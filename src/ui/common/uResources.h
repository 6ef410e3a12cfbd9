#pragma once

namespace orvanta {

// Registers the pictures compiled into the Qt library; a static library's resources are
// otherwise dropped by the linker. Safe to call more than once.
void EnsureResources();

} // namespace orvanta
