#pragma once
// What the four format converters share: an input file, an output file, a progress bar and the buttons
// Convert, Cancel and Close over one file source feeding one file sink. Each converter window derives
// from it, owns its two components and says how it looks.

#include <QDialog>
#include <QSize>
#include <QString>
#include <string>

#include "acs/ACS_Classes.h"

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;

// What tells the converter windows apart on the screen.
struct ConverterLook {
  QString caption;
  QSize clientSize;
  QString inputPage;
  QString inputFilter;
  QString outputPage;
  QString outputFilter;
  QString outputExtension;  // what a name typed into the save dialog without an extension receives
  std::string inputKind;    // what an input must be: "PCM WAV" or "Ogg Vorbis"
};

class TConverterForm : public QDialog {
  Q_OBJECT

 public:
  QTabWidget* InputPage = nullptr;
  QPushButton* InputButton = nullptr;
  QLineEdit* edit1 = nullptr;
  QToolButton* InputFileButton = nullptr;
  QToolButton* InputFolderButton = nullptr;
  QTabWidget* OutputPage = nullptr;
  QPushButton* OutputButton = nullptr;
  QLineEdit* edit2 = nullptr;
  QToolButton* OutputFileButton = nullptr;
  QToolButton* OutputFolderButton = nullptr;
  QProgressBar* progressbar1 = nullptr;
  QPushButton* ConvertButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* CloseButton = nullptr;

  void InputButtonClick();
  void OutputButtonClick();
  void OpenFileClick(const QLineEdit* field);
  void OpenFolderClick(const QLineEdit* field);
  void ConvertButtonClick();
  void CancelButtonClick();
  // The sink's reports, handed to the user-interface thread.
  void ProgressReport(int progress);
  void DoneReport(const QString& runError);

 protected:
  TConverterForm(QWidget* parent, const ConverterLook& look);
  // Each window hands over its sink once its components exist.
  void WireSink(TACSOutput& sink);
  // The top of the room between the progress bar and the buttons.
  static constexpr int kSettingsTop = 162;

  virtual TACSFileIn& Source() = 0;
  virtual TACSOutput& Sink() = 0;
  virtual void SetOutputFileName(const std::string& fileName) = 0;
  // Settings read from the window at every start.
  virtual void ApplySettings() {}

 private:
  QTabWidget* AddFilePage(const QString& caption, int top, const QString& buttonCaption, QPushButton*& button,
                          QLineEdit*& field, QToolButton*& fileButton, QToolButton*& folderButton);
  QToolButton* AddPictureButton(QWidget* page, int left, const QString& hint, int standardIcon);
  void AddButtons();
  bool TakeFileNames();
  void StartSink();

  ConverterLook FLook;
};
