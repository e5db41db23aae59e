#pragma once
// What the window program is started with: the desktop entry's %U (file:// and cdda:// URLs), paths of cue
// sheets and devices typed in a terminal, --help and --version. Read once before Qt starts, so the last two
// work without a display, and again after Qt took out the options it knows (-platform, -style, ...).

#include <string>
#include <vector>

struct ProgramArguments {
  enum class Action { Start, Help, Version, Error };
  Action action = Action::Start;
  std::vector<std::string> sources;  // devices and image values, absolute, in the order given
  std::string error;                 // for Action::Error
};

ProgramArguments ParseProgramArguments(int argc, const char* const* argv);
std::string ProgramHelp();
