#include "cli/uCliCommands.h"

#include <iostream>

#include "tablestore/uTEasyDatabase.h"

namespace orvanta::cli {

void RegisterCommands(CLI::App& App, CommandAction& Chosen) {
    // Command families register here as they are built.
    RegisterAnalyseCommands(App, Chosen);
    RegisterLibraryCommands(App, Chosen);
    RegisterPlayListCommands(App, Chosen);
    RegisterM3UCommands(App, Chosen);
}

CommandAction guarded(std::function<int()> action) {
    return [action = std::move(action)] {
        try {
            return action();
        } catch (const EEasyError& error) {
            std::cerr << error.what() << "\n";
            return ExitFailed;
        }
    };
}

} // namespace orvanta::cli
