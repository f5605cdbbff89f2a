#pragma once

#include <mutex>

#include "engine/TarneloProcess.h"

// Engine states a test fakes because no operation reaches them on demand: a job thread that seems to
// run, the id of the job the engine works for, the lock a foreground job holds; and the job steps' face.
class EngineTestAccess {
public:
    static void SetRunning(CTarneloProcess& engine, bool running) { engine.bThreadRunning = running; }
    static void SetJobId(CTarneloProcess& engine, int id) { engine.nProcessID = id; }
    static std::mutex& BusyMutex(CTarneloProcess& engine) { return engine.m_busyMutex; }
    // The engine as its job steps see it, for a test that drives one step or tool call alone.
    static JobContext& Jobs(CTarneloProcess& engine) { return engine; }
};
