#pragma once
// The sound recorder: records from the sound card into a WAV file for a chosen number of seconds.

#include <QDialog>
#include <memory>

#include "acs/ACS_Audio.h"
#include "acs/ACS_Wave.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;

class Trecorder : public QDialog {
  Q_OBJECT

 public:
  explicit Trecorder(QWidget* parent);
  ~Trecorder() override;

  QSpinBox* DurationEdit = nullptr;
  QLabel* DeviceLabel = nullptr;
  QRadioButton* Rate11025 = nullptr;
  QRadioButton* Rate22050 = nullptr;
  QRadioButton* Rate44100 = nullptr;
  QRadioButton* Bits8 = nullptr;
  QRadioButton* Bits16 = nullptr;
  QRadioButton* MonoButton = nullptr;
  QRadioButton* StereoButton = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* RecordButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* CloseButton = nullptr;

  std::unique_ptr<TAudioIn> AudioIn1;
  std::unique_ptr<TWaveOut> WaveOut1;

  void RecordButtonClick();
  void CancelButtonClick();
  // The sink's reports, handed to the user-interface thread.
  void WaveOut1Progress(int progress);
  void WaveOut1Done(const QString& runError);

 private:
  void BuildControls();
  void ShowDeviceName();
  void ApplyFormat();
  void StartRecording(const QString& fileName);
};
