#include "platform/qtseams/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace {

QPointer<QWidget> gStartScreen;

void CloseStartScreen() {
  if (gStartScreen != nullptr) gStartScreen->close();
  gStartScreen = nullptr;
}

class RealMessageBoxes : public MessageBoxes {
 public:
  void Show(QWidget* parent, const QString& caption, const QString& text, Icon icon) override {
    CloseStartScreen();
    // X11 shows the program's name for an empty caption; a blank one shows as empty.
    QMessageBox box(ToQt(icon), caption.isEmpty() ? " " : caption, text, QMessageBox::Ok, parent);
    box.exec();
  }

  bool Ask(QWidget* parent, const QString& caption, const QString& text) override {
    CloseStartScreen();
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
  }

 private:
  static QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
      case Icon::Warning:
        return QMessageBox::Warning;
      case Icon::Error:
        return QMessageBox::Critical;
      case Icon::Plain:
        return QMessageBox::NoIcon;
      case Icon::Information:
        break;
    }
    return QMessageBox::Information;
  }
};

MessageBoxes* gInstalled = nullptr;

}  // namespace

MessageBoxes& CurrentMessageBoxes() {
  static RealMessageBoxes real;
  return gInstalled != nullptr ? *gInstalled : real;
}

void SetMessageBoxes(MessageBoxes* boxes) { gInstalled = boxes; }

void CloseBeforeAnyBox(QWidget* startScreen) { gStartScreen = startScreen; }

void ShowStandardError(QWidget* parent, const QString& text) {
  QString message = text.endsWith('.') ? text : text + '.';
  CurrentMessageBoxes().Show(parent, QApplication::applicationDisplayName(), message, MessageBoxes::Icon::Error);
}
