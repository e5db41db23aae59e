#pragma once
// The program start once the application object exists: the splash window, the disc images of the
// settings, the codec libraries and every window, created once in a fixed order.

#include <memory>

class TMainForm;

// The main window, shown; nullptr when a window could not be created (its error has been shown).
std::unique_ptr<TMainForm> StartProgram();
