// tarnelo-cli: the engine without a window, for batch work and scripting.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "TarneloVersion.h"
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSignals.h"
#include "cli/CliSink.h"
#include "log/AppLog.h"

namespace {

int Run(const cli::Options& options) {
    const bool japanese = cli::IsJapaneseLocale(std::getenv("LC_ALL"), std::getenv("LANG"));
    cli::CliSink sink(japanese, STDERR_FILENO);
    switch (options.command) {
        case cli::Command::Extract:
            return cli::RunExtract(options, sink, japanese);
        case cli::Command::Segments:
            return cli::RunSegments(options, sink, japanese);
        case cli::Command::Merge:
            return cli::RunMerge(options, sink, japanese);
        case cli::Command::Autocorrect:
            return cli::RunAutocorrect(options, sink, japanese);
        case cli::Command::Retune:
            return cli::RunRetune(options, sink, japanese);
        case cli::Command::Report:
            return cli::RunReport(options, sink, japanese);
        case cli::Command::Motion:
            return cli::RunMotion(options, sink, japanese);
        case cli::Command::Export:
            return cli::RunExport(options, sink, japanese);
        case cli::Command::Join:
            return cli::RunJoin(options, sink, japanese);
        case cli::Command::Probe:
            return cli::RunProbe(options, sink, japanese);
        case cli::Command::Play:
            return cli::RunPlay(options, sink, japanese);
        default:
            return cli::kExitUsage;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const cli::ParseResult parsed = cli::ParseArguments(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "tarnelo-cli: %s\n\n%s", parsed.error.c_str(), parsed.usage.c_str());
        return cli::kExitUsage;
    }
    if (parsed.options.command == cli::Command::Help) {
        std::fputs(parsed.usage.c_str(), stdout);
        return cli::kExitSuccess;
    }
    if (parsed.options.command == cli::Command::Version) {
        std::printf("tarnelo-cli %s\n", TARNELO_PRODUCT_VERSION);
        return cli::kExitSuccess;
    }

    if (!cli::InstallStopSignals()) {
        std::fprintf(stderr, "tarnelo-cli: cannot set up the stop signals\n");
        return cli::kExitFailure;
    }
    AppLog().Start();
    int status = cli::kExitFailure;
    try {
        status = Run(parsed.options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnelo-cli: internal error: %s\n", e.what());
    }
    AppLog().Log("%s(%d) ExitCode(0x%08x)\n", "main", __LINE__, static_cast<unsigned>(status));
    AppLog().Stop();
    return status;
}
