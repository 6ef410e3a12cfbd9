#include <cstdlib>
#include <iostream>

#include "cli/uCliCommands.h"
#include "common/uDataPaths.h"
#include "common/uDisplayUtils.h"

int main(int argc, char** argv) {
    using namespace orvanta;
    CLI::App app{"Orvanta's library, tag and analysis tools for scripts and tests", "orvanta-cli"};
    app.set_version_flag("--version", std::string("orvanta-cli 2.60"));
    app.require_subcommand(0, 1);

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
    return chosen();
}
