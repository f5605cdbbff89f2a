#pragma once

// What every command of tarnelo-cli shares: messages and exit statuses, checks of the files given, running
// engine work while the main thread serves the stop signals, and loading or preparing a project.

#include <atomic>
#include <string>
#include <thread>

#include "cli/CliOptions.h"
#include "cli/CliSignals.h"
#include "cli/CliSink.h"
#include "engine/TarneloProcess.h"

class CTarneloData;
struct VideoInfo;

namespace cli {

// How often the main thread looks at the job when no wake-up arrives (a safety net only: the finish
// message and the signals wake it at once).
inline constexpr int kWaitSliceMs = 200;

std::string Quoted(const std::string& path);
std::string Absolute(const std::string& path);

// "tarnelo-cli: text" on stderr; returns kExitFailure.
int Fail(CliSink& sink, const std::string& text);
void Warn(CliSink& sink, const std::string& text);
// Says that a signal stopped the command; returns 128 + the signal.
int Stopped(CliSink& sink, const std::string& what);
void WriteStdout(const std::string& text);

// Why a path cannot be read as an input file; empty when it can be tried.
std::string FileProblem(const std::string& path);
// Why a probed file cannot be worked on as a video; empty when it can.
std::string ProbeProblem(int probeResult, const VideoInfo& info);
// Why a file can not be written at path (no such folder, a folder in the way); empty when it can.
std::string WriteProblem(const std::string& path);
// Whether a and b name one file: the same path once links and dots are resolved, or two links of one file.
bool SameFile(const std::string& a, const std::string& b);
// Why output must not be written: it is a file the project depends on (the project as given or as stored, its
// input, the working copy, the motion record), or not writable at all; empty when it may be.
std::string OutputProblem(const CTarneloData& data, const std::string& projectGiven, const std::string& output);

// Saves the project to its file: empty when it was written, else the message, with the system's reason.
std::string SaveProjectFile(CTarneloData& data);

// Runs work on a helper thread while the main thread serves the stop signals: a signal becomes the
// engine's stop request, which every reader loop of the runner checks.
template <class Work>
void RunServingStop(CTarneloProcess& engine, Work&& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
        WakeMainThread();
    });
    while (!done.load()) {
        if (StopRequested()) engine.RequestCancel(true);
        WaitForWake(kWaitSliceMs);
    }
    worker.join();
    engine.RequestCancel(false);
}

// Starts a job and waits for it; a stop signal calls CancelProcess as the stop button does. Returns the
// job's result, or -1 without a finish when the engine refused the start.
int RunJob(CTarneloProcess& engine, CliSink& sink, int id);
// The failure text of the job just run: its last Failed state, else "ExitCode(result)". item names what
// the job joins ("scene", "video") where a failure is about one of them.
std::string JobFailure(const CliSink& sink, int result, const char* item = "scene");

// Reads a saved project for a command on it; with needInput its input video must still be there. Returns
// -1 when the project is loaded, else the exit status.
int LoadSavedProject(CTarneloData& data, const std::string& given, CliSink& sink, bool needInput);

// The probe and the input preparation before a command works on a project's input, as opening the video or
// project does. Returns -1 when the input is ready, else the exit status.
int PrepareProjectInput(CTarneloProcess& engine, CTarneloData& data, CliSink& sink, const std::string& shown);

// Enough of a file's state to tell whether a job wrote it anew.
struct FileStamp {
    bool exists = false;
    long long modified = 0;  // ns
    long long size = 0;
    bool operator==(const FileStamp& other) const {
        return exists == other.exists && modified == other.modified && size == other.size;
    }
};
FileStamp StampOf(const std::string& path);

}  // namespace cli
