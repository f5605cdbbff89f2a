#pragma once

#include <string>
#include <vector>

#include "engine/merge/SceneMerge.h"
#include "engine/tools/ParallelFix.h"

class JobContext;

// The steps that the scene tab's merge and the merge tab's conversion merge run alike, with the job's
// reporting: both end in the same batch rounds and the same final encode.

// Whether this ffmpeg's MP4 muxer takes PCM audio, for the intermediates; tried once per process on a tiny
// file.
bool MuxerStoresPcmInMp4();
// What both joins do once their list is read: a cross-fade longer than one of the entries (durations, each
// at its list position) fails the job, then the final stage starts with firstFile probed as current. 0 to go
// on; otherwise the job has ended with that result.
int StartFinalStage(JobContext& engine, const std::vector<double>& durations, const std::vector<int>& positions,
                    double transition, const std::string& firstFile);
// The encoder's arguments for the file probed as current, at the rate text given.
MergeEncodeArgs CurrentEncodeArgs(JobContext& engine, const std::string& rate);

// Ends the job as stopped (state 5) and returns -2.
int EndJobStopped(JobContext& engine);
// A cancel, or a result of -2, ends the job as stopped; any other failure is shown with "ExitCode(%d)"
// unless shown says the runner showed it already. Returns the result.
int EndJobFailed(JobContext& engine, int result, bool shown);

// The precheck of a merge over count list entries: FixInParallel with the job's progress, waiting state
// and stop request, as many fixes at a time as TaskLimiterMaximum gives for the project. A failed fix is
// logged as "fixName(index)" under function and shown with its result; the outcome tells the caller which.
FixOutcome RunMergePrecheck(JobContext& engine, int count, const std::function<FixCheck(int)>& check,
                            const std::function<int(int)>& fix, const char* function, const char* fixName);

// Runs the commands of a batch merge in order. A stop or a failure deletes the intermediates and ends
// the job; returns 0 when every command succeeded.
int RunBatchMergeCommands(JobContext& engine, const std::vector<BatchCommand>& commands, int progressTotal,
                          const MergeFiles& files);

// The final encode of the merged file into output with the picture settings and the captions, then the
// clean-up of the intermediates (whatever the result) and, on success, the output shown as the current
// file. A failed encode deletes the output file. function names the job in the log. withChapters: the output
// takes the chapters of files.chapters, which is deleted with the intermediates.
int FinishMergedOutput(JobContext& engine, const MergeFiles& files, const MergeEncodeArgs& args,
                       const std::string& output, int finalFrames, const char* function, bool withChapters = false);
