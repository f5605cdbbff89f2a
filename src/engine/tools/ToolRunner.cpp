#include <poll.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/tools/ProgressParser.h"
#include "engine/tools/PumpWait.h"
#include "engine/tools/ToolErrors.h"
#include "log/AppLog.h"
#include "platform/Process.h"
#include "project/TarneloData.h"

namespace {

constexpr unsigned long kChunkSize = 4095;
// How often a silent child is checked for a stop request.
constexpr int kCancelPollMs = 50;

// One cancel at a time in the whole process: a second stop press while the
// first is still waiting must not start another wait loop.
std::atomic<bool> g_cancelInProgress{false};

std::string Format(const char* format, long value) {
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A tool that reports its output unfinished has failed, whatever its exit code says.
int OutcomeOf(int exitCode, const OutputTail& tail) {
    if (exitCode == 0 && ReportsUnfinishedOutput(tail.Text())) return 1;
    return exitCode;
}

}  // namespace

int JobContext::CreateCmdProcess(const std::string& commandLine, platform::ChildProcess& child) {
    const int error = child.StartCommandLine(commandLine);
    if (error == 0) return 0;
    SendState(kJobStateFailed, Format("CreateProcess failed with error %lu", error));
    return -1;
}

long JobContext::ReadChunk(platform::ChildProcess& child, char* buffer, unsigned long size) {
    pollfd pfd{child.ReadFd(), POLLIN, 0};
    const int ready = ::poll(&pfd, 1, kCancelPollMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
        // The tool has ended but something it started still holds the pipe: end that too.
        child.KillLeftovers();
        return kReadTimedOut;
    }
    return child.Read(buffer, size);
}

int JobContext::ExecuteCmd(const std::string& commandLine, std::string* output) {
    platform::ChildProcess child;
    if (CreateCmdProcess(commandLine, child) != 0) {
        LogCmdResult("CTarneloProcess::ExecuteCmd", __LINE__, commandLine, -1);
        return -1;
    }
    OutputTail tail;
    char buffer[kChunkSize + 1];
    for (;;) {
        const long n = ReadChunk(child, buffer, kChunkSize);
        if (n == 0 || n == -1) break;
        if (n > 0) {
            tail.Add(std::string_view(buffer, static_cast<size_t>(n)));
            if (output) output->append(buffer, static_cast<size_t>(n));
        }
        if (CancelRequested()) child.Terminate(-2);
    }
    const int exitCode = OutcomeOf(child.Wait(), tail);
    child.CloseJob();
    if (exitCode != 0 && exitCode != -2) NoteToolFailure(exitCode, tail.Text());
    LogCmdResult("CTarneloProcess::ExecuteCmd", __LINE__, commandLine, exitCode);
    return exitCode;
}

int JobContext::ExecuteCmdWithProgress(bool playback, const std::string& commandLine, int totalFrames,
                                       int frameOffset) {
    if (totalFrames < 1) {
        SendState(kJobStateFailed, Format("TotalFrame(%d)", totalFrames));
        LogCmdResult("CTarneloProcess::ExecuteCmdWithProgress", __LINE__, commandLine, -1);
        return -1;
    }
    platform::ChildProcess child;
    if (CreateCmdProcess(commandLine, child) != 0) {
        LogCmdResult("CTarneloProcess::ExecuteCmdWithProgress", __LINE__, commandLine, -1);
        return -1;
    }
    hProcess = child.Pid();
    if (playback) Post(WM_APP_FIND_PLAYER, static_cast<WParam>(child.Pid()), 0);

    const VideoInfo& current = m_data->m_currentInfo;
    const FrameClock clock = m_data->ClockOf(m_currentPreviewFile, current.fps);
    ProgressParser parser(playback, clock, current.start_frame);
    OutputTail tail;
    const double videoSeconds = totalFrames / current.fps;
    std::string why;
    char buffer[kChunkSize + 1];
    for (;;) {
        const long n = ReadChunk(child, buffer, kChunkSize);
        if (n == 0 || n == -1) break;
        if (n > 0) {
            tail.Add(std::string_view(buffer, static_cast<size_t>(n)));
            for (const ProgressParser::Report& report : parser.Feed(std::string_view(buffer, n))) {
                if (!playback) {
                    Post(WM_APP_JOB_PROGRESS, static_cast<WParam>(totalFrames), report.value + frameOffset);
                    continue;
                }
                const PlaybackPosition pos = ComputePlaybackPosition(report, totalFrames, clock);
                SetCurrentPlay(pos.frame, pos.timeText);
                TabWindow* tab = m_mainWindow ? m_mainWindow->ActiveTab() : nullptr;
                if (tab && !tab->IsPositionSliderHeld()) {
                    tab->Post(WM_APP_PLAY_POSITION, static_cast<WParam>(report.value), totalFrames);
                }
            }
        }
        if (CancelRequested()) child.Terminate(-2);
        // why is set only by the runaway guard while the tool runs.
        if (!playback && why.empty() && n > 0) {
            const double written = LastStatusSeconds(tail.Text());
            if (RunsFarPastItsVideo(written, videoSeconds)) {
                why = "it wrote " + std::to_string(static_cast<long>(written)) + " s for " +
                      std::to_string(static_cast<long>(videoSeconds)) + " s of video; the file's header is damaged";
                child.Terminate(1);
            }
        }
    }
    const int exitCode = OutcomeOf(child.Wait(), tail);
    hProcess = 0;
    child.CloseJob();

    if (playback) {
        if (TabWindow* tab = m_mainWindow ? m_mainWindow->ActiveTab() : nullptr) tab->SetPlaybackEnded(true);
    }
    if (exitCode == 0 || exitCode == -2) {
        if (playback) SendState(kJobStateStopped);
    } else {
        if (why.empty()) why = NoteToolFailure(exitCode, tail.Text());
        SendState(kJobStateFailed, Format("ExitCode(%d)", exitCode) + (why.empty() ? "" : ": " + why));
    }
    LogCmdResult("CTarneloProcess::ExecuteCmdWithProgress", __LINE__, commandLine, exitCode);
    return exitCode;
}

void JobContext::CancelProcess() {
    if (!bThreadRunning.load() || m_selectingScene.load()) return;
    bool expected = false;
    if (!g_cancelInProgress.compare_exchange_strong(expected, true)) return;

    const std::string what =
        "nProcessID(" + std::to_string(nProcessID.load()) + "), hProcess(" + std::to_string(hProcess.load()) + ")";
    AppLog().Log("%s(%d) Start %s, bThreadRunning(%d)\n", "CTarneloProcess::CancelProcess", __LINE__, what.c_str(),
                 bThreadRunning.load() ? 1 : 0);
    // While the job runs its stop is asked for, again should the request have been cleared meanwhile.
    const auto stillRunning = [this] {
        if (!bThreadRunning.load()) return false;
        if (m_cancelRequest.load() == 0) {
            if (IsPreviewJobId(nProcessID.load())) {
                if (TabWindow* tab = m_mainWindow ? m_mainWindow->ActiveTab() : nullptr) {
                    tab->CaptureFfplayWindow();
                    tab->SetPlaybackEnded(false);
                }
            }
            m_cancelRequest = 1;
        }
        return true;
    };
    // The job thread signals nothing when it ends, so it is polled.
    PumpWhile(m_mainWindow, stillRunning, [this] {
        if (bThreadRunning.load()) std::this_thread::sleep_for(kPumpInterval);
    });
    AppLog().Log("%s(%d) End %s, bThreadRunning(%d)\n", "CTarneloProcess::CancelProcess", __LINE__, what.c_str(),
                 bThreadRunning.load() ? 1 : 0);
    m_cancelRequest = 0;
    g_cancelInProgress = false;
}

std::string JobContext::NoteToolFailure(int exitCode, const std::string& outputTail) {
    std::string why = WriteErrorIn(outputTail);
    // A tool that sets its own signals may still be ended by a file-size limit, and then says nothing.
    if (why.empty() && exitCode == 128 + SIGXFSZ) why = std::strerror(EFBIG);
    const bool failedWrite = !why.empty();
    if (!failedWrite) why = ToolFailureReason(exitCode, outputTail);
    std::lock_guard<std::mutex> lock(m_toolFailureMutex);
    if (failedWrite) m_writeError = why;
    m_toolFailure = why;
    return why;
}

std::string JobContext::LastWriteError() const {
    std::lock_guard<std::mutex> lock(m_toolFailureMutex);
    return m_writeError;
}

std::string JobContext::LastToolFailure() const {
    std::lock_guard<std::mutex> lock(m_toolFailureMutex);
    return m_toolFailure;
}

void JobContext::ForgetToolFailures() {
    std::lock_guard<std::mutex> lock(m_toolFailureMutex);
    m_writeError.clear();
    m_toolFailure.clear();
}

void JobContext::LogCmdResult(const char* function, int line, const std::string& commandLine, int result) {
    if (result == 0) {
        AppLog().Log("%s(%d) %s\n", function, line, commandLine.c_str());
    } else if (result == -2) {
        AppLog().Log("%s(%d) [CANCEL] %s\n", function, line, commandLine.c_str());
    } else {
        AppLog().Log("%s(%d) [NG:%d] %s\n", function, line, result, commandLine.c_str());
    }
}
