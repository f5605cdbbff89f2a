#pragma once

#include "engine/jobs/JobContext.h"

// The processing engine of one tab as the front-ends use it: runs one job at a time on its own thread and
// reports through window messages to the active tab. Everything else of the engine is its job steps' and
// stays behind the private base.
class CTarneloProcess : private JobContext {
public:
    CTarneloProcess(MainWindowLink* mainWindow, CTarneloData* data, bool japanese = true)
        : JobContext(mainWindow, data, japanese) {}

    // --- the front-ends' choices and what runs ---
    using JobContext::CurrentPreviewFile;
    using JobContext::Data;
    using JobContext::Japanese;
    using JobContext::MainWindow;
    using JobContext::Options;
    using JobContext::SetJapanese;
    using JobContext::SetLastPreviewKind;
    using JobContext::SetOptions;
    using JobContext::SetOwnWindow;
    using JobContext::Status;

    // --- jobs ---
    using JobContext::CancelProcess;
    using JobContext::CancelRequested;
    using JobContext::ForgetToolFailures;
    using JobContext::JoinJobThread;
    using JobContext::LastToolFailure;
    using JobContext::LastWriteError;
    using JobContext::RequestCancel;
    using JobContext::StartJob;

    // --- the work a front-end does outside a job ---
    using JobContext::AnalyzeVideoEQParams;
    using JobContext::GetFfprobeReport;
    using JobContext::GetVideoInfoFfprobe;
    using JobContext::InstallDefaultSceneList;
    using JobContext::PrepareInput;
    using JobContext::RecutSceneSegment;
    using JobContext::ReplaceSceneRanges;
    using JobContext::WorkingInput;

    // --- background segments ---
    using JobContext::QueueSegment;
    using JobContext::StartBackgroundQueue;
    using JobContext::StopBackgroundQueue;
    using JobContext::WaitBackgroundDrained;

    // --- the preview and the player ---
    using JobContext::CurrentPlayFrame;
    using JobContext::CurrentPlayTime;
    using JobContext::LoadPreviewFile;
    using JobContext::SetCurrentPlay;
    using JobContext::SetPlayerFile;
    using JobContext::SetPreviewImage;
    using JobContext::WaitPreviewIdle;

private:
    // Reaches the job steps' face for tests that drive one step alone (tests/support).
    friend class EngineTestAccess;
};
