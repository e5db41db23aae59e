#include "tools/Toggplayer.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <utility>
#include <exception>

#include "platform/qtseams/FileDialogs.h"
#include "platform/qtseams/MessageBoxes.h"

namespace {
constexpr int kImageButtonSize = 28;
}  // namespace

Toggplayer::Toggplayer(QWidget* parent)
    : QDialog(parent), VorbisIn1(std::make_unique<TVorbisIn>()), AudioOut1(std::make_unique<TAudioOut>()) {
  setWindowTitle("Sample Ogg Player");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFixedSize(216, 242);
  BuildControls();
  BuildPopupMenu();
  VorbisIn1->SetLoop(false);
  AudioOut1->SetInput(VorbisIn1.get());
  AudioOut1->SetSuspendWhenIdle(true);
  AudioOut1->SetBaseChannel(0);
  AudioOut1->SetVolume(255);
  // The worker sleeps only for delays above 5 ms: the player keeps the sound card fed without pausing.
  AudioOut1->SetDelay(1);
  AudioOut1->SetOnProgress([this](TACSOutput* sender) {
    int progress = sender->Progress();
    QMetaObject::invokeMethod(this, [this, progress] { AudioOut1Progress(progress); }, Qt::QueuedConnection);
  });
  AudioOut1->SetOnDone([this](TACSOutput* sender) {
    QString runError = QString::fromStdString(sender->RunError());
    QMetaObject::invokeMethod(this, [this, runError] { AudioOut1Done(runError); }, Qt::QueuedConnection);
  });
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

// The sink goes first: its worker reads the source.
Toggplayer::~Toggplayer() { AudioOut1.reset(); }

QString Toggplayer::TotalTimeText(int seconds) {
  const char* format = seconds % 60 >= 10 ? "%d:%d" : "%d:0%d";
  return QString::asprintf(format, seconds / 60, seconds % 60);
}

QToolButton* Toggplayer::AddImageButton(int left, int top, const QString& hint, int standardIcon) {
  auto* button = new QToolButton(this);
  button->setGeometry(left, top, kImageButtonSize, kImageButtonSize);
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon)));
  button->setToolTip(hint);
  return button;
}

void Toggplayer::BuildControls() {
  int left = 6;
  auto next = [&left] { return std::exchange(left, left + kImageButtonSize + 6); };
  PlayButton = AddImageButton(next(), 6, "Play", QStyle::SP_MediaPlay);
  PauseButton = AddImageButton(next(), 6, "Pause", QStyle::SP_MediaPause);
  ResumeButton = AddImageButton(next(), 6, "Resume", QStyle::SP_MediaPlay);
  ResumeButton->setIcon(QIcon(":/resume.png"));
  StopButton = AddImageButton(next(), 6, "Stop", QStyle::SP_MediaStop);
  BackButton = AddImageButton(next(), 6, "Back", QStyle::SP_ArrowLeft);
  ForwardButton = AddImageButton(next(), 6, "Forward", QStyle::SP_ArrowRight);
  LoopCheckBox = new QCheckBox("&Loop", this);
  LoopCheckBox->setGeometry(8, 38, 60, 20);
  auto* totalCaption = new QLabel("Total Time:", this);
  totalCaption->setGeometry(78, 38, 68, 20);
  TotalTimeLabel = new QLabel(this);
  TotalTimeLabel->setGeometry(148, 38, 62, 20);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setGeometry(8, 62, 200, 14);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  auto* fileCaption = new QLabel("File:", this);
  fileCaption->setGeometry(8, 80, 28, 18);
  FileLabel = new QLabel(this);
  FileLabel->setGeometry(38, 80, 170, 18);
  PlayList = new QListWidget(this);
  PlayList->setGeometry(8, 102, 200, 96);
  PlayList->setTextElideMode(Qt::ElideLeft);  // a long path keeps its file name in view
  AddButton = AddImageButton(8, 206, "Add Ogg File", QStyle::SP_FileDialogNewFolder);
  RemoveButton = AddImageButton(8 + kImageButtonSize + 6, 206, "Remove Ogg File", QStyle::SP_TrashIcon);
  CloseButton = new QPushButton("&Close", this);
  CloseButton->setGeometry(133, 208, 75, 25);

  connect(PlayButton, &QToolButton::clicked, this, &Toggplayer::PlayClick);
  connect(PauseButton, &QToolButton::clicked, this, &Toggplayer::PauseClick);
  connect(ResumeButton, &QToolButton::clicked, this, &Toggplayer::ResumeClick);
  connect(StopButton, &QToolButton::clicked, this, &Toggplayer::StopClick);
  connect(BackButton, &QToolButton::clicked, this, &Toggplayer::BackClick);
  connect(ForwardButton, &QToolButton::clicked, this, &Toggplayer::ForwardClick);
  connect(LoopCheckBox, &QCheckBox::clicked, this, &Toggplayer::LoopClick);
  connect(PlayList, &QListWidget::itemDoubleClicked, this, &Toggplayer::PlayClick);
  connect(AddButton, &QToolButton::clicked, this, &Toggplayer::AddClick);
  connect(RemoveButton, &QToolButton::clicked, this, &Toggplayer::RemoveClick);
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

void Toggplayer::BuildPopupMenu() {
  PopupMenu1 = new QMenu(this);
  connect(PopupMenu1->addAction("Add"), &QAction::triggered, this, &Toggplayer::AddClick);
  connect(PopupMenu1->addAction("Remove"), &QAction::triggered, this, &Toggplayer::RemoveClick);
  connect(PopupMenu1->addAction("Remove All"), &QAction::triggered, this, &Toggplayer::RemoveAllClick);
  PlayList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(PlayList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(PlayList->viewport()->mapToGlobal(at)); });
}

void Toggplayer::PlayClick() {
  if (PlayList->selectedItems().isEmpty()) return;
  // A running playback keeps its file, which its worker reads; Run refuses the start below.
  if (!AudioOut1->Busy()) {
    QString path = PlayList->selectedItems().first()->text();
    VorbisIn1->SetFileName(QFile::encodeName(path).toStdString());
    TotalTimeLabel->setText(TotalTimeText(VorbisIn1->GetTotalTime()));
    FileLabel->setText(QFileInfo(path).fileName());
  }
  try {
    AudioOut1->Run();
    FPlaying = PlayList->selectedItems().first()->text();
    FHeard = false;
  } catch (const std::exception& error) {
    // A sound card that cannot be opened leaves the source open: close it, or every later start fails.
    if (!AudioOut1->Busy() && VorbisIn1->Busy()) VorbisIn1->Flush();
    ShowStandardError(this, QString::fromStdString(error.what()));
  }
}

void Toggplayer::PauseClick() { AudioOut1->Pause(); }

void Toggplayer::ResumeClick() { AudioOut1->Resume(); }

void Toggplayer::StopClick() { StopPlayback(); }

void Toggplayer::BackClick() { VorbisIn1->Jump(-10); }

void Toggplayer::ForwardClick() { VorbisIn1->Jump(10); }

void Toggplayer::LoopClick() { VorbisIn1->SetLoop(LoopCheckBox->isChecked()); }

void Toggplayer::AddClick() {
  QString chosen = CurrentFileDialogs().OpenFile(this, "Ogg (*.ogg)");
  if (!chosen.isEmpty()) PlayList->addItem(chosen);
}

void Toggplayer::RemoveClick() {
  if (!PlayList->isEnabled()) return;
  for (QListWidgetItem* item : PlayList->selectedItems()) delete item;
}

void Toggplayer::RemoveAllClick() {
  if (PlayList->isEnabled()) PlayList->clear();
}

void Toggplayer::AudioOut1Progress(int progress) {
  FHeard = true;
  ProgressBar1->setValue(std::clamp(progress, 0, 100));
  PlayButton->setEnabled(false);
  PlayList->setEnabled(false);
}

// A run that ends without a block played had a file it could not read, and one that failed on the way
// (a read error in the middle of the file) must not pass for its end: the user is told which file.
void Toggplayer::AudioOut1Done(const QString& runError) {
  PlayButton->setEnabled(true);
  PlayList->setEnabled(true);
  if (!runError.isEmpty())
    ShowStandardError(this, "Cannot play " + FPlaying + ": " + runError);
  else if (!FHeard)
    ShowStandardError(this, "Cannot play " + FPlaying);
  FHeard = true;
}

// A paused worker would never see the stop request: it is woken for it.
void Toggplayer::StopPlayback() {
  FHeard = true;  // stopped by the user, not failed
  AudioOut1->Stop();
  if (AudioOut1->Busy()) AudioOut1->Resume();
}

void Toggplayer::reject() {
  StopPlayback();
  QDialog::reject();
}
