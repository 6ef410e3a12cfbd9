#include "cli/uCliCommands.h"

namespace orvanta::cli {

void RegisterCommands(CLI::App& App, CommandAction& Chosen) {
    // Command families register here as they are built.
    (void)App;
    (void)Chosen;
}

} // namespace orvanta::cli
