#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "engine/jobs/MessageSink.h"
#include "engine/probe/ProbeCache.h"
#include "engine/scenes/SceneRules.h"

class CTarneloData;
struct AnalysisArea;
struct JobRow;
struct VideoInfo;
namespace platform {
class ChildProcess;
}

// What a front-end chooses for the jobs it starts; set while no job runs.
struct EngineOptions {
    // 0 in the scene tab's engine, 1 in the merge tab's: picks the steps of the job table.
    int mode = 0;
    // The merge tab's choices: indexes into FrameSizeList and FrameRateList, and the tab's text of the rate.
    int mergeSizeIndex = 3;
    int mergeRateIndex = 3;
    std::string mergeRateText = "60000/1001";
    // Off where nothing shows a preview (the command-line front-end): no still is rendered, and no file
    // is probed only to be shown.
    bool previewStills = true;
    // Off for a quick scan: scenes are found but not cut (a merge's precheck cuts them later).
    bool cutSegments = true;
    // Off for the same quick scan: a constant-rate recording's time list only serves cutting, so the run that
    // cuts builds it (the project names the file and preparation finds it missing then). Any other recording
    // gets its list anyway: the scan needs it to count its frames right.
    bool buildTimeList = true;
    // A complete extraction keeps its per-frame counts beside the project (when it has a project file), so
    // its settings can be tuned again without decoding.
    bool recordMotion = true;
};

// The engine's work as the front-ends see it.
struct JobStatus {
    // A job thread runs.
    bool running = false;
    // The job the engine works for, 0 when none: the running job, 1101 while the input is prepared, or
    // 1052 while background work cuts a segment.
    int jobId = 0;
    // The tool child the runner published, 0 when none.
    long childPid = 0;
};

// The engine of one tab as its job steps see it: the tool runner, probing, the steps of every job, the
// messages to the active tab and the state they share. Only the engine and its steps include this; the
// front-ends see CTarneloProcess, which keeps this base private.
class JobContext {
public:
    JobContext(MainWindowLink* mainWindow, CTarneloData* data, bool japanese);
    virtual ~JobContext();

    JobContext(const JobContext&) = delete;
    JobContext& operator=(const JobContext&) = delete;

    // --- the front-ends' choices and what runs ---
    void SetOptions(const EngineOptions& options) { m_options = options; }
    const EngineOptions& Options() const { return m_options; }
    JobStatus Status() const { return {bThreadRunning.load(), nProcessID.load(), hProcess.load()}; }
    // The file whose frames the preview shows (the file probed as current last).
    const std::string& CurrentPreviewFile() const { return m_currentPreviewFile; }
    // Notes the preview job whose file the preview shows now (1027, 1028 or 1029); a job other than that
    // one starts again from the first frame.
    void SetLastPreviewKind(int id) { m_lastPreviewKind = id; }

    // --- tool runner ---
    // Starts a command line; on failure shows "CreateProcess failed with error %lu" and returns -1.
    int CreateCmdProcess(const std::string& commandLine, platform::ChildProcess& child);
    // Runs to completion; the tool's stdout and stderr are appended to output when given.
    int ExecuteCmd(const std::string& commandLine, std::string* output = nullptr);
    // Runs to completion reporting frame progress (encoding) or the playback position.
    int ExecuteCmdWithProgress(bool playback, const std::string& commandLine, int totalFrames, int frameOffset);
    // The stop button: asks the running job to stop and waits for its thread, serving messages meanwhile.
    void CancelProcess();
    void LogCmdResult(const char* function, int line, const std::string& commandLine, int result);
    // The system's text for the last failed write a tool reported since the current job started ("No space
    // left on device"), segment cuts beside the job included; empty when there was none.
    std::string LastWriteError() const;
    // The tool's own words for the last tool that failed since the current job started (its failed write
    // included), segment cuts beside the job included; empty when none did.
    std::string LastToolFailure() const;
    // Forgets both, as a job's start does, for work that runs tools outside a job.
    void ForgetToolFailures();

    // "ffmpeg -y -hwaccel cuda " when the project uses CUDA, else "ffmpeg -y ".
    std::string FfmpegPrefix() const;

    // --- media probing ---
    // 0 on success, 1 when ffprobe failed, -2 when it was stopped on request, -1 when the report holds no
    // video stream.
    int GetVideoInfoFfprobe(const std::string& path, VideoInfo& info);
    // The whole ffprobe report of a kind (1..5, others: first video stream); true when ffprobe failed.
    bool GetFfprobeReport(const std::string& path, std::string& text, int kind);
    // Frames counted by decoding at a tiny size.
    int GetNbFrame(const std::string& path, const VideoInfo& info);
    int GetPtsListFromFfprobe(const std::string& path, std::vector<std::string>& texts, std::vector<double>& times,
                              bool wholeFile);
    bool CheckPtsDeltaFromFirstFrames(const std::string& path);
    // True when the frames path shows come at a steady fps, give or take a container's millisecond rounding.
    bool HasSteadyFrameRate(const std::string& path, double fps);

    // --- effects and captions ---
    std::string BuildEffectsFilter(bool effects, bool previewBox, bool singleStill, bool swap, int sceneIndex);
    std::string BuildSubtitleFilter(bool wholeTimeline, int w, int h, bool singleStill, int sceneIndex);

    // --- motion analysis and scene detection ---
    int ProcessDiffFrame(const std::string& input, int t);
    int ExecuteCmdLoadVideo(const std::string& input, int t);
    // The scene tab's default list after an extraction that found nothing (merge tab: an empty list).
    void InstallDefaultSceneList();
    // Writes the counts of a complete extraction of input beside the project and names the file in it.
    void SaveMotionRecord(const std::string& input, const AnalysisArea& area, const VideoInfo& video,
                          std::vector<uint32_t> counts);
    // Puts the scenes of a re-tune in place of the list: a range that was listed keeps its entry (an
    // extraction's numbered caption is numbered anew), a new one is listed as an extraction lists it. An
    // empty result gets the default list. Returns the number of entries kept.
    int ReplaceSceneRanges(const std::vector<SceneRange>& ranges, double fps);
    // Stores the real frame count of a written segment, renaming its file when the range changes.
    void SetSceneFrameCount(int sceneIndex, int frameCount);

    // --- segments ---
    int ProbeCurrentFile(const std::string& path);
    int GetFrameCount(const std::string& path);
    int OpenMediaFile(const std::string& path, bool quiet);
    int OutputSceneSegment(const std::string& input, int sceneIndex, int total, int offset, bool announce);
    int RecutSceneSegment(const std::string& input, int sceneIndex);
    int OutputSelectedSegment();
    int OutputSegments();
    // input_mp4_file when set, else input_file.
    std::string WorkingInput() const;
    // Has a file shown in the preview (a no-op while a preview job plays).
    int LoadPreviewFile(const std::string& file, bool effects);
    // The merge tab's selected video: file becomes the player's file with the properties the tab knows of
    // it, from its first frame, without probing it.
    void SetPlayerFile(const std::string& file, const VideoInfo& info);
    // The show step after a segment or an extraction: probes the file as current and renders its still.
    void ShowSceneFile(const std::string& file);

    // --- scene merge ---
    // The whole merge: precheck (re-cutting what is missing or wrong), merge, final encode.
    int ProcessTrim(const std::string& input, const std::string& output);
    // Extraction, then the merge when scenes were found.
    int ProcessDiffTrim();
    // The -filter_complex text that joins the list (cross-fades when transitionSeconds > 0.000001).
    std::string BuildMergeFilterGraph(const std::vector<std::pair<std::string, double>>& list,
                                      double transitionSeconds) const;

    // --- playback ---
    int PlayVideo(const std::string& file, int id);
    int PlayVideoScene(const std::string& segment);
    // The scene preview loop of job 1029.
    int RunScenePreview();

    // --- background queue ---
    void StartBackgroundQueue(int mode);
    void QueueSegment(int sceneIndex, bool show);
    void StopBackgroundQueue();
    // Waits until the queue is empty and the worker idle (tests, shutdown).
    void WaitBackgroundDrained();

    // --- merge tab: conversion and analysis ---
    int ConvertMergeEntry(int index, int total, int offset, bool announce);
    int ProcessConvMerge();
    int ProcessConv(const std::string& output);
    int ProcessAnalysis();

    // --- automatic picture correction ---
    int AnalyzeVideoEQParams(const std::string& input);

    // --- preview still ---
    // Any thread; the newest request replaces one not yet taken.
    void SetPreviewImage(const std::string& file, const std::string& timeText, bool effects, int sceneIndex);
    // Waits until the render thread has nothing left to do (tests, shutdown).
    void WaitPreviewIdle();

    // --- input preparation ---
    int PrepareInput(bool openOutput);
    // With eachFrameOnce the copy keeps every frame once with its own time instead of taking the rate.
    int ConvertInputToMp4(const std::string& input, const std::string& output, bool deinterlace,
                          bool eachFrameOnce = false);
    int BuildPtsList(const std::string& input);
    // Sets input_mp4_file: empty for a progressive MP4, else the working copy, made when it is missing
    // (deinterlaced unless progressive). Returns the conversion's result, 0 when none ran.
    int UseWorkingCopy();

    // --- job pipeline ---
    // False while a job runs, and for an id the job table has no step for in this engine's mode.
    bool StartJob(int id);
    bool IsProgressJob() const;
    // Waits for a finished job thread (the next StartJob would do it too).
    void JoinJobThread();

    // --- notifications (to the tab active at the moment of sending) ---
    LParam Send(unsigned message, WParam wParam, LParam lParam);
    // The tab this engine works for; set before any work starts (nullptr: the active tab).
    void SetOwnWindow(TabWindow* window) { m_ownWindow = window; }
    // WM_APP_BUSY goes to the engine's own tab whichever is active: the wait cursor and the locks it brings
    // are that tab's, and its end must reach the tab that showed them.
    void SendBusy(bool begins);
    void Post(unsigned message, WParam wParam, LParam lParam);
    void SendState(int state, const std::string& text = std::string());
    // The state a step's result shows: 0 Done, -2 Stopped, any other Failed with "ExitCode(%d)".
    void SendResultState(int result);
    void SendJobStart(int kind, int total);
    void SendJobName(const std::string& name);
    const char* KindName(int kind) const;

    bool CancelRequested() const { return m_cancelRequest.load() != 0; }
    // Sets or clears the stop request directly, for work that runs outside a job thread
    // (input preparation started from a front-end without a stop button).
    void RequestCancel(bool on) { m_cancelRequest = on ? 1 : 0; }
    CTarneloData* Data() const { return m_data; }
    MainWindowLink* MainWindow() const { return m_mainWindow; }
    void SetJapanese(bool japanese) { m_japanese = japanese; }
    bool Japanese() const { return m_japanese; }

    // Last playback frame and time text (playback mode of the runner).
    int CurrentPlayFrame() const { return m_currentPlayFrame.load(); }
    std::string CurrentPlayTime() const;
    void SetCurrentPlay(int frame, const std::string& timeText);

private:
    // Fakes job states the tests cannot reach through the operations (tests/support).
    friend class EngineTestAccess;

    MainWindowLink* m_mainWindow;
    TabWindow* m_ownWindow = nullptr;
    CTarneloData* m_data;
    std::atomic<bool> bThreadRunning{false};
    std::thread m_jobThread;
    std::atomic<int> nProcessID{0};
    int m_lastPreviewKind = 0;
    std::atomic<long> hProcess{0};  // pid of the published child, 0 when none
    std::string m_currentPreviewFile;
    int m_jobResult = 0;
    std::atomic<bool> m_selectingScene{false};
    EngineOptions m_options;
    mutable std::mutex m_toolFailureMutex;
    std::string m_writeError;
    std::string m_toolFailure;
    // Keeps what a failed tool's last words say of why it failed, for LastToolFailure, and of a failed write,
    // for LastWriteError; returns the reason.
    std::string NoteToolFailure(int exitCode, const std::string& outputTail);
    // Runs a listing tool and hands each chunk of its output to feed; feed returning true ends the tool as a
    // success. The exit code: -1 when it could not start, -2 when stopped on request.
    int RunListing(const std::string& command, const std::function<bool(std::string_view)>& feed);
    // The times of the frames path shows, read from its packets, relative to the first and moved to origin.
    int ListShownFrameTimes(const std::string& path, std::vector<std::string>& texts, std::vector<double>& times,
                            double origin, bool progress);
    // Keeps background segment work and foreground segment output apart (try-lock only).
    std::mutex m_busyMutex;

    // Marks background work as segment output while it runs (BackgroundQueue.cpp).
    class SegmentOutputMark;
    void BackgroundWorkerProc();
    int BackgroundSegmentOutput(int sceneIndex, bool show);

    struct BackgroundRequest {
        int sceneIndex = -1;
        bool show = false;
    };
    std::mutex m_queueMutex;
    std::condition_variable m_queueWork;     // work or stop
    std::condition_variable m_queueDrained;  // queue empty again
    std::deque<BackgroundRequest> m_queue;
    bool m_queueBusy = false;  // a request is being served; guarded by m_queueMutex
    std::atomic<bool> m_queueRunning{false};
    std::atomic<bool> m_queueStop{false};
    std::thread m_queueThread;

    struct PreviewRequest {
        std::string file;
        std::string timeText;
        bool effects = false;
        int sceneIndex = -1;
        TabWindow* target = nullptr;
    };
    void PreviewThreadProc();

    // Runs the row's step, then sends the finish message.
    void JobThreadProc(const JobRow* row);
    // Reads one chunk, or reports kReadTimedOut so a silent child can still be stopped.
    static constexpr long kReadTimedOut = -3;
    long ReadChunk(platform::ChildProcess& child, char* buffer, unsigned long size);

    ProbeCache m_probeCache;
    std::atomic<int> m_cancelRequest{0};
    std::atomic<int> m_currentPlayFrame{0};
    mutable std::mutex m_playTimeMutex;
    std::string m_currentPlayTime = "0";
    bool m_japanese;

    // One-slot preview request: the newest wins; the render thread lives while requests come.
    std::mutex m_previewMutex;
    std::condition_variable m_previewIdle;
    bool m_previewPending = false;
    PreviewRequest m_previewRequest;
    std::atomic<bool> m_previewRunning{false};
    std::thread m_previewThread;
};
