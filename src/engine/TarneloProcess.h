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
    using JobContext::Options;
    using JobContext::SetOptions;
    using JobContext::Status;
    using JobContext::CurrentPreviewFile;
    using JobContext::SetLastPreviewKind;
    using JobContext::Data;
    using JobContext::MainWindow;
    using JobContext::Japanese;
    using JobContext::SetJapanese;

    // --- jobs ---
    using JobContext::StartJob;
    using JobContext::JoinJobThread;
    using JobContext::CancelProcess;
    using JobContext::CancelRequested;
    using JobContext::RequestCancel;
    using JobContext::LastWriteError;

    // --- the work a front-end does outside a job ---
    using JobContext::PrepareInput;
    using JobContext::WorkingInput;
    using JobContext::GetVideoInfoFfprobe;
    using JobContext::GetFfprobeReport;
    using JobContext::AnalyzeVideoEQParams;
    using JobContext::InstallDefaultSceneList;
    using JobContext::ReplaceSceneRanges;
    using JobContext::RecutSceneSegment;

    // --- background segments ---
    using JobContext::StartBackgroundQueue;
    using JobContext::QueueSegment;
    using JobContext::StopBackgroundQueue;
    using JobContext::WaitBackgroundDrained;

    // --- the preview and the player ---
    using JobContext::LoadPreviewFile;
    using JobContext::SetPlayerFile;
    using JobContext::SetPreviewImage;
    using JobContext::WaitPreviewIdle;
    using JobContext::CurrentPlayFrame;
    using JobContext::CurrentPlayTime;
    using JobContext::SetCurrentPlay;

private:
    // Reaches the job steps' face for tests that drive one step alone (tests/support).
    friend class EngineTestAccess;
};
