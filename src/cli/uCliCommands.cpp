#include "cli/uCliCommands.h"
#include "cli/uCliBatch.h"

#include <filesystem>

namespace orvanta::cli {

void RegisterCommands(CLI::App& App, CommandAction& Chosen) {
    // Command families register here as they are built.
    RegisterAnalyseCommands(App, Chosen);
    RegisterLibraryCommands(App, Chosen);
    RegisterPlayListCommands(App, Chosen);
    RegisterM3UCommands(App, Chosen);
    RegisterReplayGainCommands(App, Chosen);
    RegisterBatchCommands(App, Chosen);
}

std::string fullPath(const std::string& path) {
    std::error_code ignored;
    std::string full = std::filesystem::absolute(path, ignored).lexically_normal().string();
    while (full.size() > 1 && full.back() == '/')
        full.pop_back();
    return full;
}

} // namespace orvanta::cli
