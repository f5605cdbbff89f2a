#pragma once

// SIGINT and SIGTERM only note the signal and wake the main thread through a self-pipe; the main thread,
// which plays the part of the UI thread, turns that into the engine's stop request. In a batch each file's
// thread plays that part for its own engine, so several threads may wait at once.
namespace cli {

// Installs the handlers (and ignores SIGPIPE and SIGXFSZ, so a closed output pipe or a file-size limit is an
// error, not a death). False when the wake pipe cannot be made.
bool InstallStopSignals();
// The signal that asked to stop (SIGINT or SIGTERM), 0 when none did.
int StopSignal();
inline bool StopRequested() { return StopSignal() != 0; }
// Wakes every WaitForWake; callable from any thread (not from a signal handler).
void WakeMainThread();
// Sleeps until a stop signal or a WakeMainThread arrives (or timeoutMs passes, -1 without limit). Every
// waiting thread sees each wake-up, and one that came since the thread's last wait returns at once. Callers
// check their condition again after every return.
void WaitForWake(int timeoutMs);

}  // namespace cli
