#include "cli/uCliCommands.h"

namespace orvanta::cli {

void RegisterCommands(CLI::App& App, CommandAction& Chosen) {
    // Command families register here as they are built.
    RegisterAnalyseCommands(App, Chosen);
    RegisterLibraryCommands(App, Chosen);
    RegisterPlayListCommands(App, Chosen);
    RegisterM3UCommands(App, Chosen);
}

} // namespace orvanta::cli
