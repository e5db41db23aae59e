// The program: every window once, then the message loop.

#include <QApplication>

#include "app/ProgramStart.h"
#include "app/TMainForm.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  std::unique_ptr<TMainForm> mainForm = StartProgram();
  if (!mainForm) return 1;
  return QApplication::exec();
}
