#pragma once
// The program start once the application object exists: the splash window, the disc images of the
// settings and of the command line, the codec libraries and every window, created once in a fixed order.

#include <memory>
#include <string>
#include <vector>

class TMainForm;

// The main window, shown, with the last of the sources (devices and images) selected; nullptr when a window
// could not be created (its error has been shown).
std::unique_ptr<TMainForm> StartProgram(const std::vector<std::string>& sources);
