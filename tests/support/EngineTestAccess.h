#pragma once

#include <mutex>

#include "engine/TarneloProcess.h"

// Engine states a test fakes because no operation reaches them on demand: a job thread that seems to
// run, the id of the job the engine works for, the lock a foreground job holds.
class EngineTestAccess {
public:
    static void SetRunning(CTarneloProcess& engine, bool running) { engine.bThreadRunning = running; }
    static void SetJobId(CTarneloProcess& engine, int id) { engine.nProcessID = id; }
    static std::mutex& BusyMutex(CTarneloProcess& engine) { return engine.m_busyMutex; }
};
