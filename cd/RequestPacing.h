#pragma once
// Requests to a service that allows one a second from a client are spaced so across runs of the program too:
// the time of the last request is kept in a file beside the cached replies, locked while a run takes its turn.

#include <chrono>
#include <functional>
#include <string>

// Waits until spacing has passed since the last request paced through paceFile (empty, or a file that cannot
// be had: through this process alone), and takes the turn. False when keepWaiting gave up on the wait.
bool WaitForTurn(const std::string& paceFile, std::chrono::milliseconds spacing,
                 const std::function<bool()>& keepWaiting);
