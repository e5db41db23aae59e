// The program: its arguments, every window once, then the message loop.

#include <QApplication>
#include <cstdio>

#include "app/ProgramArguments.h"
#include "app/ProgramStart.h"
#include "app/TMainForm.h"

int main(int argc, char* argv[]) {
  // --help and --version answer before Qt starts, so they work without a display.
  switch (ParseProgramArguments(argc, argv).action) {
    case ProgramArguments::Action::Help: std::fputs(ProgramHelp().c_str(), stdout); return 0;
    case ProgramArguments::Action::Version: std::printf("quillon %s\n", QUILLON_VERSION); return 0;
    default: break;
  }
  QApplication application(argc, argv);
  ProgramArguments arguments = ParseProgramArguments(argc, argv);
  if (arguments.action == ProgramArguments::Action::Error) {
    std::fprintf(stderr, "quillon: error: %s\nTry 'quillon --help'.\n", arguments.error.c_str());
    return 2;
  }
  std::unique_ptr<TMainForm> mainForm = StartProgram(arguments.sources);
  if (!mainForm) return 1;
  return QApplication::exec();
}
