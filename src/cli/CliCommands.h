#pragma once

#include "cli/CliOptions.h"
#include "cli/CliSink.h"

namespace cli {

// Each returns the exit status (kExitSuccess, kExitFailure, or 128 + the stop signal). Failures are told
// on stderr through the sink; results (the scene table, a probe report, the correction) go to stdout.
int RunExtract(const Options& options, CliSink& sink, bool japanese);
int RunSegments(const Options& options, CliSink& sink, bool japanese);
int RunMerge(const Options& options, CliSink& sink, bool japanese);
int RunAutocorrect(const Options& options, CliSink& sink, bool japanese);
int RunRetune(const Options& options, CliSink& sink, bool japanese);
// report prints the scenes as JSON or CSV; motion writes the record as a CSV table and/or an SVG chart.
int RunReport(const Options& options, CliSink& sink, bool japanese);
int RunMotion(const Options& options, CliSink& sink, bool japanese);
// export writes the enabled scenes as a timeline file (or the report's CSV) beside the project, to -o or stdout.
int RunExport(const Options& options, CliSink& sink, bool japanese);
int RunJoin(const Options& options, CliSink& sink, bool japanese);
int RunProbe(const Options& options, CliSink& sink, bool japanese);
int RunPlay(const Options& options, CliSink& sink, bool japanese);

}  // namespace cli
