#include <cstdlib>
#include <exception>
#include <iostream>

#include "cli/uCliCommands.h"
#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"

int main(int argc, char** argv) {
    using namespace orvanta;
    CLI::App app{"Orvanta's library, tag and analysis tools for scripts and tests", "orvanta-cli"};
    app.set_version_flag("--version", std::string("orvanta-cli 2.60"));
    app.require_subcommand(0, 1);
    app.footer("Exit codes:\n"
               "  0  success\n"
               "  1  an operation failed (analyse: a file could not be read)\n"
               "  2  wrong arguments");

    AppPath = ResolveAppPath(ExecutableDir(), std::getenv("ORVANTA_HOME"), UserDataDir());
    FileTypes = std::make_unique<TCustomStringList>();
    FileTypes->NameValueSeparator = ':';
    RegisterFileTypes();

    cli::CommandAction chosen;
    cli::RegisterCommands(app, chosen);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return cli::ExitUsage;
    }
    if (!chosen) {
        std::cout << app.help();
        return app.get_subcommands().empty() ? cli::ExitOk : cli::ExitUsage;
    }
    // Every command's errors (the library's engine, the file system, memory) end here: the
    // message on standard error and exit code 1, never a crash.
    try {
        return chosen();
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return cli::ExitFailed;
    }
}
