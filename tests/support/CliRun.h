#pragma once

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/Shell.h"
#include "support/TempDir.h"

namespace orvanta::test {

// What one run of orvanta-cli gave back.
struct CliRun {
    int Exit = -1;
    std::string Out;
    std::string Err;
    // Standard output as JSON lines.
    std::vector<nlohmann::json> lines() const {
        std::vector<nlohmann::json> result;
        std::istringstream in(Out);
        for (std::string line; std::getline(in, line);)
            result.push_back(nlohmann::json::parse(line));
        return result;
    }
};

// Runs orvanta-cli with Arguments (shell words) on the library of Home, or of a home of its
// own when Home is empty: a run never reaches the user's data. A hung run is ended after a
// minute.
inline CliRun RunCli(const std::string& Home, const std::string& Arguments) {
    const TempDir errors;
    const std::string home = Home.empty() ? errors.file("home") : Home;
    const std::string command = "ORVANTA_HOME=" + shellQuoted(home) + " timeout 60 " +
                                shellQuoted(ORVANTA_CLI_PATH) + " " + Arguments + " 2>" +
                                shellQuoted(errors.file("stderr"));
    CliRun run;
    run.Out = Capture(command, &run.Exit);
    run.Err = readAll(errors.file("stderr"));
    return run;
}

} // namespace orvanta::test
