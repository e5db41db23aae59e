#include "app/LookupWait.h"

#include <QApplication>
#include <QKeyEvent>

LookupWait::LookupWait() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(this);
}

LookupWait::~LookupWait() {
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
}

bool LookupWait::KeepWaiting() {
  QApplication::processEvents();
  return !FAbandoned;
}

bool LookupWait::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) FAbandoned = true;
      return true;
    case QEvent::ShortcutOverride:
      event->accept();  // taken here, so no shortcut fires; the key press that follows is held off
      return true;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
      return true;
    case QEvent::Close:
      return event->spontaneous();  // the window manager's close waits for the lookup's end
    default:
      return false;
  }
}
