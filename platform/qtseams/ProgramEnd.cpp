#include "platform/qtseams/ProgramEnd.h"

#include <QCoreApplication>

namespace {
std::function<void()>& Handler() {
  static std::function<void()> handler;
  return handler;
}
}  // namespace

void EndProgram() {
  if (Handler()) {
    Handler()();
    return;
  }
  QCoreApplication::exit(1);  // also leaves the loops of open modal dialogs
}

void SetProgramEndHandler(std::function<void()> handler) { Handler() = std::move(handler); }
