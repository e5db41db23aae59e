#include "tools/Tmixer.h"

#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <exception>

#include "acs/OutputCheck.h"
#include "platform/files/FileChecks.h"
#include "platform/qtseams/FileDialogs.h"
#include "platform/qtseams/MessageBoxes.h"
#include "platform/qtseams/Shell.h"

namespace {

constexpr int kMargin = 6;
constexpr int kPagesHeight = 84;
constexpr int kPageRowTop = 16;
constexpr int kModeTop = 98;
constexpr int kModeHeight = 44;
constexpr int kBarTop = 154;
constexpr int kBarHeight = 16;
constexpr int kButtonTop = 190;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kPictureSize = 25;
constexpr int kStatusHeight = 20;
const QString kWaveFilter = "*.wav";

std::string FileName(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

Tmixer::Tmixer(QWidget* parent) : QDialog(parent) {
  setWindowTitle("WAV Mixer ");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFixedSize(410, 251);
  PageControl1 = new QTabWidget(this);
  PageControl1->setGeometry(kMargin, kMargin, width() - 2 * kMargin, kPagesHeight);
  edit1 = AddFilePage("Input WAV File&1", "&Iutput", Input1Button);
  edit2 = AddFilePage("Input WAV File&2", "I&utput", Input2Button);
  edit3 = AddFilePage("Output &WAV File", "&Output", OutputButton);
  AddModeChoice();
  progressbar1 = new QProgressBar(this);
  progressbar1->setGeometry(kMargin + 2, kBarTop, width() - 2 * kMargin - 4, kBarHeight);
  progressbar1->setRange(0, 100);
  progressbar1->setValue(0);
  progressbar1->setStyleSheet(
      "QProgressBar { border: 1px solid gray; background: white; text-align: center; }"
      "QProgressBar::chunk { background-color: red; }");
  AddButtons();
  AddStatusLine();
  connect(Input1Button, &QPushButton::clicked, this, &Tmixer::Input1ButtonClick);
  connect(Input2Button, &QPushButton::clicked, this, &Tmixer::Input2ButtonClick);
  connect(OutputButton, &QPushButton::clicked, this, &Tmixer::OutputButtonClick);
  WireComponents();
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

QLineEdit* Tmixer::AddFilePage(const QString& caption, const QString& buttonCaption, QPushButton*& button) {
  auto* page = new QWidget(PageControl1);
  PageControl1->addTab(page, caption);
  int pageWidth = PageControl1->width() - 4;
  button = new QPushButton(buttonCaption, page);
  button->setGeometry(6, kPageRowTop, 64, kButtonHeight);
  auto* field = new QLineEdit(page);
  field->setGeometry(76, kPageRowTop + 1, pageWidth - 76 - 2 * kPictureSize - 12, 23);
  QToolButton* file = AddPictureButton(page, pageWidth - 2 * kPictureSize - 6, "Open the file", QStyle::SP_FileIcon);
  QToolButton* folder = AddPictureButton(page, pageWidth - kPictureSize - 4, "Open the folder", QStyle::SP_DirOpenIcon);
  connect(file, &QToolButton::clicked, this, [this, field] { OpenFileClick(field); });
  connect(folder, &QToolButton::clicked, this, [this, field] { OpenFolderClick(field); });
  return field;
}

QToolButton* Tmixer::AddPictureButton(QWidget* page, int left, const QString& hint, int standardIcon) {
  auto* button = new QToolButton(page);
  button->setGeometry(left, kPageRowTop, kPictureSize, kPictureSize);
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon)));
  button->setToolTip(hint);
  return button;
}

void Tmixer::AddModeChoice() {
  auto* frame = new QGroupBox(this);
  frame->setGeometry(kMargin, kModeTop, width() - 2 * kMargin, kModeHeight);
  MixRadio = new QRadioButton("Mi&x", frame);
  MixRadio->setGeometry(12, 12, 80, 20);
  MixRadio->setChecked(true);
  ConcatenateRadio = new QRadioButton("Co&ncatenate", frame);
  ConcatenateRadio->setGeometry(110, 12, 120, 20);
  connect(MixRadio, &QRadioButton::clicked, this, &Tmixer::MixRadioClick);
  connect(ConcatenateRadio, &QRadioButton::clicked, this, &Tmixer::ConcatenateRadioClick);
}

void Tmixer::AddButtons() {
  int left = width() - 3 * (kButtonWidth + kMargin);
  MixButton = new QPushButton("&Mix", this);
  CancelButton = new QPushButton("C&ancel", this);
  CloseButton = new QPushButton("C&lose", this);
  for (QPushButton* button : {MixButton, CancelButton, CloseButton}) {
    button->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
    left += kButtonWidth + kMargin;
  }
  MixButton->setDefault(true);
  connect(MixButton, &QPushButton::clicked, this, &Tmixer::MixButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &Tmixer::CancelButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

void Tmixer::AddStatusLine() {
  StatusLabel = new QLabel(this);
  StatusLabel->setGeometry(0, height() - kStatusHeight, width(), kStatusHeight);
  StatusLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusLabel->setIndent(4);
}

void Tmixer::WireComponents() {
  WaveIn1.SetLoop(false);
  WaveIn2.SetLoop(false);
  AudioMixer1.SetInput1(&WaveIn1);
  AudioMixer1.SetInput2(&WaveIn2);
  AudioMixer1.SetMode(amMix);
  AudioMixer1.SetVolume1(255);
  AudioMixer1.SetVolume2(255);
  WaveOut1.SetInput(&AudioMixer1);
  WaveOut1.SetSuspendWhenIdle(true);
  WaveOut1.SetOnProgress([this](TACSOutput* sender) {
    int progress = sender->Progress();
    QMetaObject::invokeMethod(this, [this, progress] { WaveOut1Progress(progress); }, Qt::QueuedConnection);
  });
  WaveOut1.SetOnDone([this](TACSOutput* sender) {
    QString runError = QString::fromStdString(sender->RunError());
    QMetaObject::invokeMethod(this, [this, runError] { WaveOut1Done(runError); }, Qt::QueuedConnection);
  });
}

void Tmixer::showEvent(QShowEvent* event) {
  progressbar1->setValue(0);
  QDialog::showEvent(event);
}

void Tmixer::Input1ButtonClick() {
  QString chosen = CurrentFileDialogs().OpenFile(this, kWaveFilter);
  if (chosen.isEmpty()) return;
  WaveIn1.SetFileName(FileName(chosen));
  edit1->setText(chosen);
}

void Tmixer::Input2ButtonClick() {
  QString chosen = CurrentFileDialogs().OpenFile(this, kWaveFilter);
  if (chosen.isEmpty()) return;
  WaveIn2.SetFileName(FileName(chosen));
  edit2->setText(chosen);
}

// A name typed without an extension receives ".wav", as the save dialog's default extension.
void Tmixer::OutputButtonClick() {
  QString chosen = CurrentFileDialogs().SaveFile(this, kWaveFilter);
  if (chosen.isEmpty()) return;
  if (!QFileInfo(chosen).fileName().contains('.')) chosen += ".wav";
  WaveOut1.SetFileName(FileName(chosen));
  edit3->setText(chosen);
}

void Tmixer::OpenFileClick(const QLineEdit* field) {
  if (!field->text().isEmpty()) OpenDocument(QUrl::fromLocalFile(field->text()));
}

// The folder is everything up to and including the last "/"; a bare file name has none.
void Tmixer::OpenFolderClick(const QLineEdit* field) {
  QString folder = field->text().left(field->text().lastIndexOf('/') + 1);
  if (!folder.isEmpty()) OpenDocument(QUrl::fromLocalFile(folder));
}

void Tmixer::MixRadioClick() {
  ConcatenateRadio->setChecked(!MixRadio->isChecked());
  AudioMixer1.SetMode(amMix);
}

void Tmixer::ConcatenateRadioClick() {
  MixRadio->setChecked(!ConcatenateRadio->isChecked());
  AudioMixer1.SetMode(amConcatenate);
}

// Exact comparison: paths that differ only in letter case name different files here.
QString Tmixer::PathProblem() const {
  const std::string& input1 = WaveIn1.FileName();
  const std::string& input2 = WaveIn2.FileName();
  const std::string& output = WaveOut1.FileName();
  if (input1.empty()) return " Please enter the first input File! ";
  if (input2.empty()) return " Please enter the second input File! ";
  if (output.empty()) return " Please enter the output File! ";
  if (input1 == input2 || input1 == output || input2 == output)
    return " Please check the Input File and Output File! They can't be the same file! ";
  return QString::fromStdString(OutputPathWarning({input1, input2}, output));
}

void Tmixer::MixButtonClick() {
  QString problem = PathProblem();
  if (!problem.isEmpty()) {
    CurrentMessageBoxes().Show(this, QString(), problem, MessageBoxes::Icon::Warning);
    return;
  }
  StatusLabel->setText("Mixing,please wait......");
  if (!WaveOut1.Busy()) MakeFolderOf(WaveOut1.FileName());  // a folder typed by hand is made
  try {
    StartSink();
  } catch (const std::exception& error) {
    ShowStandardError(this, QString::fromStdString(error.what()));
  }
}

// An output file that cannot be created fails the start after the mixer opened both sources; left
// open, they would refuse every later start as busy.
void Tmixer::StartSink() {
  try {
    WaveOut1.Run();
  } catch (...) {
    if (!WaveOut1.Busy() && AudioMixer1.Busy()) AudioMixer1.Flush();
    throw;
  }
}

void Tmixer::CancelButtonClick() { WaveOut1.Stop(); }

void Tmixer::WaveOut1Progress(int progress) {
  MixButton->setEnabled(false);
  CloseButton->setEnabled(false);
  progressbar1->setValue(std::clamp(progress, 0, 100));
}

// A run that failed (a full disk, say) must not look finished: its error is shown instead.
void Tmixer::WaveOut1Done(const QString& runError) {
  MixButton->setEnabled(true);
  CloseButton->setEnabled(true);
  if (runError.isEmpty()) {
    StatusLabel->setText("Finished!");
    return;
  }
  StatusLabel->clear();
  ShowStandardError(this, runError);
}
