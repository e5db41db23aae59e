#pragma once
// Runs a file sink that encodes on a worker of its own and waits for it on the calling thread: its progress
// is passed on as it changes, and a cancel stops it.

#include <atomic>
#include <functional>

#include "rip/TrackEncoder.h"

class TACSOutput;

// Throws EStreamError with the sink's message when the encoding fails.
EncodeResult RunSinkForTrack(TACSOutput& sink, const std::function<void(int)>& progress,
                             const std::atomic<bool>& cancel);
