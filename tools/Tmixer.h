#pragma once
// WAV Mixer: two WAV files mixed, each at its level, or joined one after the other, into a third.

#include <QDialog>
#include <QString>

#include "acs/ACS_AudioMix.h"
#include "acs/ACS_Wave.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

class Tmixer : public QDialog {
  Q_OBJECT

 public:
  explicit Tmixer(QWidget* parent);

  QTabWidget* PageControl1 = nullptr;
  QPushButton* Input1Button = nullptr;
  QLineEdit* edit1 = nullptr;
  QPushButton* Input2Button = nullptr;
  QLineEdit* edit2 = nullptr;
  QPushButton* OutputButton = nullptr;
  QLineEdit* edit3 = nullptr;
  QRadioButton* MixRadio = nullptr;
  QRadioButton* ConcatenateRadio = nullptr;
  QProgressBar* progressbar1 = nullptr;
  QPushButton* MixButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* CloseButton = nullptr;
  QLabel* StatusLabel = nullptr;

  // The pipeline: both sources feed the mixer, the sink writes its output. The sink comes last, so it
  // goes first, while what it reads from still exists.
  TWaveIn WaveIn1;
  TWaveIn WaveIn2;
  TAudioMixer AudioMixer1;
  TWaveOut WaveOut1;

  void Input1ButtonClick();
  void Input2ButtonClick();
  void OutputButtonClick();
  void OpenFileClick(const QLineEdit* field);
  void OpenFolderClick(const QLineEdit* field);
  void MixRadioClick();
  void ConcatenateRadioClick();
  void MixButtonClick();
  void CancelButtonClick();
  // The sink's reports, handed to the user-interface thread.
  void WaveOut1Progress(int progress);
  void WaveOut1Done(const QString& runError);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* AddFilePage(const QString& caption, const QString& buttonCaption, QPushButton*& button);
  QToolButton* AddPictureButton(QWidget* page, int left, const QString& hint, int standardIcon);
  void AddModeChoice();
  void AddButtons();
  void AddStatusLine();
  void WireComponents();
  // The first of the checks before a start that fails, as its message; empty when all pass.
  QString PathProblem() const;
  void StartSink();
};
