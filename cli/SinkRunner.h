#pragma once
// Runs a sink to its end from the command line.

#include <string>

class TACSOutput;

// Starts the sink and waits for its end, drawing a progress bar on stderr when that is a terminal.
// Returns why the run failed, or an empty text; an error starting the run is thrown, and so is Interruption
// after Ctrl-C, leaving the sink running for its owner to abandon.
std::string RunToEnd(TACSOutput& sink);
