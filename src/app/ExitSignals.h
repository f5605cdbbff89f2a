#pragma once

#include <functional>

// A termination request from outside (SIGTERM from the session or `kill`, SIGINT from a terminal, SIGHUP
// when the terminal goes away) ends the program as a confirmed close would: settings saved, jobs stopped.
// Install() comes first in main, so that a request arriving during start-up is kept; Connect() hands it
// to the event loop, where onRequest runs.
namespace ExitSignals {

void Install();
void Connect(std::function<void()> onRequest);

}  // namespace ExitSignals
