#pragma once

#include "cli/CliOptions.h"
#include "cli/CliSink.h"

namespace cli {

// Each returns the exit status (kExitSuccess, kExitFailure, or 128 + the stop signal). Failures are told
// on stderr through the sink; results (the scene table, a probe report) go to stdout.
int RunExtract(const Options& options, CliSink& sink, bool japanese);
int RunSegments(const Options& options, CliSink& sink, bool japanese);
int RunProbe(const Options& options, CliSink& sink, bool japanese);

}  // namespace cli
