// Program start: the splash window, every window once in a fixed order, then the message loop.

#include <QApplication>
#include <QScreen>
#include <QSplashScreen>
#include <exception>
#include <memory>

#include "app/Forms.h"
#include "acs/VorbisBinding.h"
#include "app/TMainForm.h"
#include "platform/ProgramFolder.h"
#include "platform/akrip32/akrip32.h"
#include "platform/qtseams/MessageBoxes.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QSplashScreen splash(QPixmap(":/splash.jpg"), Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  splash.show();
  application.processEvents();

  QApplication::setApplicationName("Quillon");
  QApplication::setApplicationDisplayName("Quillon");
  UseCDImagesOf(ProgramFolder() + "settings.ini");
  BindVorbisLibraries();

  std::unique_ptr<TMainForm> mainForm;
  try {
    mainForm = CreateForms();
  } catch (const std::exception& error) {
    splash.close();
    ShowStandardError(nullptr, QString::fromStdString(error.what()));
    return 1;
  }
  splash.close();
  mainForm->show();
  return QApplication::exec();
}
