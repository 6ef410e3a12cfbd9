#pragma once

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace orvanta::test {

// Text as one word of a shell command.
inline std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a shell command and returns its standard output; ExitCode gets its status (-1 when it
// did not exit).
inline std::string Capture(const std::string& Command, int* ExitCode = nullptr) {
    std::string out;
    FILE* pipe = ::popen(Command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, got);
    const int status = ::pclose(pipe);
    if (ExitCode)
        *ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

} // namespace orvanta::test
