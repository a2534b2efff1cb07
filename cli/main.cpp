// modtools: one command line for every format operation of the suite, on
// the same cores the dialogs and Morvane use.
#include <cstdio>
#include <exception>
#include <string>

#include <CLI/CLI.hpp>

#include "CliSupport.h"
#include "Commands.h"
#include "ModToolsVersion.h"

int main(int argc, char** argv) {
    CLI::App app{"modtools " MODTOOLS_VERSION ": BIG archives, CSF string tables, folder scans, asset index files "
                 "and W3D files from the command line.",
                 "modtools"};
    app.set_version_flag("--version", "modtools " MODTOOLS_VERSION);
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return "modtools: " + std::string(e.what()) + " (see --help)\n";
    });
    app.require_subcommand(1);
    cli::prepareParser(app);
    cli::addBigCommands(app);
    cli::addCsfCommands(app);
    cli::addScanCommand(app);
    cli::addAssetCommands(app);
    cli::addW3dCommands(app);
    bool quiet = false;
    cli::addQuietFlags(app, quiet);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here with status 0; every other parse
        // error is a usage error. An argument the parser could not place is
        // named, whatever else went wrong after it (a word that is no
        // subcommand leaves the subcommand missing, too).
        const std::string unplaced = e.get_exit_code() == 0 ? std::string() : cli::unplacedArgumentText(app);
        if (!unplaced.empty()) {
            cli::warn("", unplaced + " (see --help)");
            return cli::STATUS_USAGE;
        }
        const int shown = app.exit(e);
        return shown == 0 ? cli::STATUS_DONE : cli::STATUS_USAGE;
    }
    cli::setQuiet(quiet);
    try {
        const cli::Action action = cli::takeAction();
        const int status = action ? action() : cli::STATUS_USAGE;
        if (std::fflush(stdout) != 0) throw cli::Failure(cli::STATUS_BAD_FILE, "standard output", "cannot be written");
        return status;
    } catch (const cli::Failure& failure) {
        std::fflush(stdout);
        cli::warn("", failure.what());
        return failure.status;
    } catch (const std::exception& e) {
        cli::warn("", e.what());
        return cli::STATUS_BAD_FILE;
    }
}
