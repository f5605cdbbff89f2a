#pragma once

#include <span>
#include <string>

class JobContext;

// Job kinds shown with WM_APP_JOB_START (index 0 is empty).
enum JobKind {
    kJobKindNone = 0,
    kJobKindSceneExtract = 1,
    kJobKindSegmentOutput = 2,
    kJobKindEffects = 3,
    kJobKindSceneMerge = 4,
    kJobKindFinalMerge = 5,
    kJobKindInputPreview = 6,
    kJobKindOutputPreview = 7,
    kJobKindScenePreview = 8,
    kJobKindPrecheck = 9,
    kJobKindFrameRateAnalysis = 10,
    kJobKindDeinterlacing = 11,
    kJobKindChangeMp4 = 12,
    kJobKindFileAnalysis = 13,
    kJobKindVideoAnalysis = 14,
    kJobKindCount = 15,
};

// Job states carried by WM_APP_JOB_STATE.
enum JobState {
    kJobStateNone = 0,
    kJobStateProcessing = 1,
    kJobStatePlaying = 2,
    kJobStateFailed = 3,
    kJobStateDone = 4,
    kJobStateStopped = 5,
    kJobStateWaiting = 6,
    kJobStateCount = 7,
};

// Job ids are the ids of the controls that start them.
enum JobId {
    kJobMerge = 1006,
    kJobInputPreview = 1027,
    kJobOutputPreview = 1028,
    kJobScenePreview = 1029,
    kJobSegmentOutput = 1052,
    kJobSceneExtract = 1053,
    kJobRecut = 1056,
    kJobExtractMerge = 1057,
    kJobPrepareInput = 1101,
};

// The tables are chosen by the UI language: Japanese for "ja-JP", English otherwise.
const char* JobKindName(int kind, bool japanese);
const char* JobStateName(int state, bool japanese);
// Finds the index of a name in either language's table (0 when unknown), so a
// shown name can be carried over to the other language.
int FindJobKind(const std::string& name);
int FindJobState(const std::string& name);

// --- the job table ---

// What a job is to the tabs: scene jobs lock the editing controls and show frame progress, playback jobs
// own the preview pane, other ids only name a command.
enum class JobClass { Scene, Playback, Other };

// The engine a row serves, by the engine's mode.
enum JobTab : int { kAnyTab = -1, kSceneTab = 0, kMergeTab = 1 };

// A job's step on the job thread; its result becomes the job result.
using JobStep = int (*)(JobContext& engine);

struct JobRow {
    int id;
    int tab;
    JobClass kind;
    bool showsProgress;
    // What the job ends with replaces what the preview shows, so the play position starts again.
    bool takesPreview;
    // nullptr: the id is known but never started through StartJob.
    JobStep step;
};

// Every row: one per id and tab (a row for kAnyTab serves both).
std::span<const JobRow> JobRows();
// The row of id for an engine in mode (0 scene tab, 1 merge tab); nullptr when there is none.
const JobRow* FindJobRow(int id, int mode);
// The kind of an id (the same on both tabs); Other for an unknown id.
JobClass JobClassOf(int id);

bool IsProgressJobId(int id);
bool IsPreviewJobId(int id);
bool IsSceneJobId(int id);
// Starting id resets the play position to the start.
bool TakesPreviewJobId(int id);
