#pragma once
// Ends the program at once, leaving every event loop. Tests install a handler that only records it.

#include <functional>

void EndProgram();
void SetProgramEndHandler(std::function<void()> handler);  // an empty handler restores the real one
