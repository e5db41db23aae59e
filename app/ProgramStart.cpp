#include "app/ProgramStart.h"

#include <QApplication>
#include <QIcon>
#include <QSplashScreen>
#include <exception>

#include "acs/VorbisBinding.h"
#include "app/Forms.h"
#include "app/TMainForm.h"
#include "platform/ProgramFolder.h"
#include "platform/akrip32/akrip32.h"
#include "platform/qtseams/MessageBoxes.h"

std::unique_ptr<TMainForm> StartProgram(const std::vector<std::string>& sources) {
  QSplashScreen splash(QPixmap(":/splash.jpg"), Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  splash.show();
  CloseBeforeAnyBox(&splash);
  QApplication::processEvents();

  // The name only: a display name would be appended to every caption on X11.
  QApplication::setApplicationName("Quillon");
  QApplication::setWindowIcon(QIcon(":/quillon.png"));  // every window carries the program's icon
  UseCDImagesOf(SettingsFile(), DataFolder());
  for (const std::string& source : sources)
    if (source.rfind("/dev/", 0) != 0) AddCDImageFile(source);
  BindVorbisLibraries();

  std::unique_ptr<TMainForm> mainForm;
  try {
    mainForm = CreateForms();
  } catch (const std::exception& error) {
    CloseBeforeAnyBox(nullptr);
    splash.close();
    ShowStandardError(nullptr, QString::fromStdString(error.what()));
    return nullptr;
  }
  CloseBeforeAnyBox(nullptr);
  splash.close();
  mainForm->show();
  if (!sources.empty()) mainForm->SelectStartDrive(sources.back());
  return mainForm;
}
