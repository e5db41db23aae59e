#include "tools/Trecorder.h"

#include <QButtonGroup>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <algorithm>
#include <exception>

#include "platform/files/FileChecks.h"
#include "platform/qtseams/FileDialogs.h"
#include "platform/qtseams/MessageBoxes.h"

namespace {
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kShortestRecording = 30;
constexpr int kLongestRecording = 600;

// The duration takes any number typed and brings it into its range when the field loses the focus;
// a field left empty counts as the shortest recording.
class DurationBox : public QSpinBox {
 public:
  using QSpinBox::QSpinBox;

 protected:
  QValidator::State validate(QString& input, int&) const override {
    bool number = false;
    int value = input.toInt(&number);
    if (input.isEmpty() || (number && value >= 0)) return number && value >= minimum() && value <= maximum()
                                                              ? QValidator::Acceptable
                                                              : QValidator::Intermediate;
    return QValidator::Invalid;
  }
  void fixup(QString& input) const override {
    bool number = false;
    int value = input.toInt(&number);
    input = QString::number(number ? std::clamp(value, minimum(), maximum()) : minimum());
  }
};

}  // namespace

Trecorder::Trecorder(QWidget* parent)
    : QDialog(parent), AudioIn1(std::make_unique<TAudioIn>()), WaveOut1(std::make_unique<TWaveOut>()) {
  setWindowTitle("Sound Recorder");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFixedSize(323, 177);
  BuildControls();
  WaveOut1->SetInput(AudioIn1.get());
  WaveOut1->SetSuspendWhenIdle(true);
  WaveOut1->SetKeepOnWriteError(true);  // a full disk late in a take must not cost the whole take
  WaveOut1->SetOnProgress([this](TACSOutput* sender) {
    int progress = sender->Progress();
    QMetaObject::invokeMethod(this, [this, progress] { WaveOut1Progress(progress); }, Qt::QueuedConnection);
  });
  WaveOut1->SetOnDone([this](TACSOutput* sender) {
    QString runError = QString::fromStdString(sender->RunError());
    if (!runError.isEmpty() && WaveOut1->KeptAfterError())
      runError += ". What was recorded before is kept in " + QFile::decodeName(WaveOut1->FileName().c_str());
    QMetaObject::invokeMethod(this, [this, runError] { WaveOut1Done(runError); }, Qt::QueuedConnection);
  });
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  ShowDeviceName();  // once the window has its place, so a message box stands over it
}

// The sink goes first: its worker reads the source.
Trecorder::~Trecorder() { WaveOut1.reset(); }

void Trecorder::BuildControls() {
  auto* durationCaption = new QLabel("&Duration (seconds)", this);
  durationCaption->setGeometry(8, 8, 122, 20);
  DurationEdit = new DurationBox(this);
  DurationEdit->setGeometry(132, 8, 70, 22);
  DurationEdit->setRange(kShortestRecording, kLongestRecording);
  DurationEdit->setSingleStep(10);
  DurationEdit->setValue(30);
  durationCaption->setBuddy(DurationEdit);
  auto* deviceCaption = new QLabel("Device:", this);
  deviceCaption->setGeometry(8, 34, 50, 20);
  DeviceLabel = new QLabel(this);
  DeviceLabel->setGeometry(60, 34, 256, 20);

  auto* rateCaption = new QLabel("Sample Rate(Hz)", this);
  rateCaption->setGeometry(8, 58, 106, 18);
  auto* rates = new QButtonGroup(this);
  Rate11025 = new QRadioButton("&11025", this);
  Rate22050 = new QRadioButton("&22050", this);
  Rate44100 = new QRadioButton("&44100", this);
  auto* bitsCaption = new QLabel("Bits per Sample", this);
  bitsCaption->setGeometry(118, 58, 100, 18);
  auto* sizes = new QButtonGroup(this);
  Bits8 = new QRadioButton("&8", this);
  Bits16 = new QRadioButton("1&6", this);
  auto* channelsCaption = new QLabel("Channels", this);
  channelsCaption->setGeometry(224, 58, 90, 18);
  auto* channels = new QButtonGroup(this);
  MonoButton = new QRadioButton("&Mono", this);
  StereoButton = new QRadioButton("&Stereo", this);
  int top = 76;
  for (QRadioButton* choice : {Rate11025, Rate22050, Rate44100}) {
    choice->setGeometry(12, top, 80, 18);
    rates->addButton(choice);
    top += 18;
  }
  top = 76;
  for (QRadioButton* choice : {Bits8, Bits16}) {
    choice->setGeometry(120, top, 80, 18);
    sizes->addButton(choice);
    top += 18;
  }
  top = 76;
  for (QRadioButton* choice : {MonoButton, StereoButton}) {
    choice->setGeometry(228, top, 80, 18);
    channels->addButton(choice);
    top += 18;
  }
  Rate22050->setChecked(true);
  Bits16->setChecked(true);
  MonoButton->setChecked(true);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setGeometry(8, 132, 307, 12);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  RecordButton = new QPushButton("&Convert", this);
  CancelButton = new QPushButton("C&ancel", this);
  CloseButton = new QPushButton("C&lose", this);
  int left = width() - 3 * (kButtonWidth + 6);
  for (QPushButton* button : {RecordButton, CancelButton, CloseButton}) {
    button->setGeometry(left, height() - kButtonHeight - 4, kButtonWidth, kButtonHeight);
    left += kButtonWidth + 6;
  }
  RecordButton->setDefault(true);
  connect(RecordButton, &QPushButton::clicked, this, &Trecorder::RecordButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &Trecorder::CancelButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

void Trecorder::ShowDeviceName() {
  try {
    TDeviceInfo info;
    GetDeviceInfo(AudioIn1->BaseChannel(), false, info);
    DeviceLabel->setText(QString::fromStdString(info.DeviceName));
  } catch (const std::exception& error) {
    ShowStandardError(this, QString::fromStdString(error.what()));
  }
}

void Trecorder::RecordButtonClick() {
  QString chosen = CurrentFileDialogs().SaveFile(this, "*.wav");
  if (chosen.isEmpty()) return;
  if (!QFileInfo(chosen).fileName().contains('.')) chosen += ".wav";
  // A running recording keeps its format, which its worker reads; Run refuses the start below.
  if (!WaveOut1->Busy()) ApplyFormat();
  StartRecording(chosen);
}

void Trecorder::ApplyFormat() {
  AudioIn1->SetInSampleRate(Rate11025->isChecked() ? 11025 : Rate22050->isChecked() ? 22050 : 44100);
  AudioIn1->SetInBitsPerSample(Bits8->isChecked() ? 8 : 16);
  AudioIn1->SetInChannels(MonoButton->isChecked() ? 1 : 2);
  AudioIn1->SetRecTime(DurationEdit->value());
}

void Trecorder::StartRecording(const QString& fileName) {
  try {
    if (!WaveOut1->Busy()) {
      WaveOut1->SetFileName(QFile::encodeName(fileName).toStdString());
      MakeFolderOf(WaveOut1->FileName());
    }
    WaveOut1->Run();
  } catch (const std::exception& error) {
    // A file that cannot be created fails the start after the device was opened: close it again, so
    // that the next attempt can start.
    if (!WaveOut1->Busy() && AudioIn1->Busy()) AudioIn1->Flush();
    ShowStandardError(this, QString::fromStdString(error.what()));
  }
}

void Trecorder::CancelButtonClick() { WaveOut1->Stop(); }

void Trecorder::WaveOut1Progress(int progress) {
  ProgressBar1->setValue(std::clamp(progress, 0, 100));
  RecordButton->setEnabled(false);
  CloseButton->setEnabled(false);
}

void Trecorder::WaveOut1Done(const QString& runError) {
  RecordButton->setEnabled(true);
  CloseButton->setEnabled(true);
  if (!runError.isEmpty()) ShowStandardError(this, runError);
}
