#pragma once

// extract over several videos and folders (a batch): each video is extracted as extract of it alone does, its
// outcome goes into one table, and a video scanned before is not decoded again.

#include <functional>
#include <string>

#include "cli/CliBatchInputs.h"
#include "cli/CliBatchProgress.h"
#include "cli/CliOptions.h"
#include "cli/CliSink.h"
#include "engine/motion/MotionRecord.h"

class CTarneloData;

namespace cli {

// The scenes of a project and their seconds; scenes -1 when unknown. The list an extraction that found no
// motion puts up (one scene from the first frame, which its record does not give) counts as none.
struct SceneTally {
    int scenes = -1;
    double seconds = 0;
};
SceneTally TallyScenes(const CTarneloData& data);

// The extraction of one video, as extract INPUT runs it. With tally (a batch), the scene table is not printed
// and tally gets the scenes of the project once the job ran.
int RunExtractFile(const Options& o, CliSink& sink, bool japanese, SceneTally* tally);

// What a video scanned before still needs, decided from its project and record.
struct ResumeWork {
    bool retune = false;      // other scene settings were given: the list is found anew from the record
    bool cutMissing = false;  // scenes without their segment file (none are cut with --no-cut)
    bool merge = false;       // --merge and the merged file is missing or the list changes
};
// Does that work on the project loaded in data, whose record is record, and saves it; returns the exit status
// of the one-video command (0, 1, or 128 + the stop signal).
int RunResumedExtract(const Options& o, CliSink& sink, bool japanese, CTarneloData& data, const MotionRecord& record,
                      const ResumeWork& work, SceneTally* tally);

// What the batch hears of one video while it works on it; called on its worker thread.
struct BatchVideoHooks {
    std::function<void(const std::string& text)> warn;  // a warning, without "tarnelo-cli: warning: "
    std::function<void(double share)> decoded;          // the share of the video its scan has read, 0..1
};
// One video of a batch from the resume check to its outcome.
FileOutcome ScanBatchVideo(const BatchInput& input, const Options& o, bool japanese, const BatchVideoHooks& hooks);

int RunExtractBatch(const Options& o, CliSink& sink, bool japanese);

}  // namespace cli
