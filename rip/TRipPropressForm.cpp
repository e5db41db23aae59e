#include "rip/TRipPropressForm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include "acs/VorbisBinding.h"
#include "platform/files/FileChecks.h"
#include "platform/qtseams/MessageBoxes.h"
#include "platform/qtseams/Notifications.h"
#include "platform/qtseams/ProgramEnd.h"
#include "platform/qtseams/Shell.h"
#include "rip/TimeLeft.h"

namespace {
constexpr int kReportListHeight = 150;  // about eight lines: a line or two per track

// What the window knows of a job before it starts: the rows it rips change while it runs.
RipEnding EndingOf(const RipInput& input) {
  RipEnding ending;
  for (const RipRow& row : input.rows) {
    if (!row.checked || !row.audio) continue;
    if (ending.album.empty()) ending.album = row.tags.album;
    ++ending.tracksToRip;
  }
  return ending;
}
}  // namespace

TRipPropressForm::TRipPropressForm(QWidget* parent)
    : QDialog(parent) {
  CheckVorbisLibraries();
  setWindowTitle("Marrowby");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  setFixedSize(337, 79);
  Gauge1 = new QProgressBar(this);
  Gauge1->setGeometry(18, 12, 304, 19);
  Gauge1->setRange(0, 100);
  Gauge1->setValue(0);
  Gauge1->setStyleSheet("QProgressBar { color: black; text-align: center; } QProgressBar::chunk { background-color: red; }");
  spSkinButtonStop = new QPushButton("&Cancel", this);
  spSkinButtonStop->setGeometry(130, 42, 81, 25);
  spSkinButtonStop->setFont(QFont("Arial"));
  connect(spSkinButtonStop, &QPushButton::clicked, this, &TRipPropressForm::spSkinButtonStopClick);
  ReportList = new QPlainTextEdit(this);
  ReportList->setReadOnly(true);
  // An odd width keeps the frame's right edge on whole pixels at 1.5 times the scale, where the list would
  // otherwise paint over it.
  ReportList->setGeometry(18, 79, 303, kReportListHeight);
  ReportList->hide();
  RipHost& host = *this;
  FJob = std::make_unique<RipJob>(host);
  NoticeWanted = [](std::chrono::steady_clock::duration took) {
    return ShouldNotify(took, QApplication::activeWindow() != nullptr);
  };
}

TRipPropressForm::~TRipPropressForm() = default;

void TRipPropressForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The job runs once the window is up, not inside its showing.
  QMetaObject::invokeMethod(this, &TRipPropressForm::FormActivate, Qt::QueuedConnection);
}

void TRipPropressForm::FormActivate() {
  if (FJob->Running() || !JobInput) return;  // a job never starts twice
  RipInput input = JobInput();
  TIniFile* settings = Settings ? Settings() : nullptr;
  if (settings == nullptr || !ReadRipValues(*settings, input.values)) {
    CurrentMessageBoxes().Show(this, "Error", "Settings.ini not exist!  ", MessageBoxes::Icon::Error);
    EndProgram();
    return;
  }
  std::string offsetError;
  if (!ReadDriveOffset(*settings, input.drive, input.offset, offsetError)) {
    CurrentMessageBoxes().Show(this, "Error", QString::fromStdString(offsetError), MessageBoxes::Icon::Error);
    QDialog::reject();
    return;
  }
  input.offsetSource = DriveOffsetSource(*settings, input.drive);
  input.moreFormats = ReadAlsoWrite(*settings);
  ReportList->clear();
  ReportList->hide();
  setFixedSize(337, 79);
  // Each job starts from an empty gauge, so a job that fails early never shows the last one's 100 %.
  Gauge1->setValue(0);
  Gauge1->setFormat("%p%");
  SetButtonCaption("Cancel");
  // A folder typed by hand that does not exist yet is made, parents and all; one that cannot be made shows
  // as the first file that cannot be created.
  MakeFolder(input.folder);
  FEnding = EndingOf(input);
  FStarted = std::chrono::steady_clock::now();
  FNotified = false;
  FJob->Start(std::move(input));
  NotifyIfAway();
}

void TRipPropressForm::NotifyIfAway() {
  if (FNotified || !NoticeWanted(std::chrono::steady_clock::now() - FStarted)) return;
  FNotified = true;
  FEnding.results = FJob->Results();
  const RipNotice notice = RipNoticeOf(FEnding);
  CurrentNotifications().Notify(QString::fromStdString(notice.title), QString::fromStdString(notice.body));
}

void TRipPropressForm::spSkinButtonStopClick() {
  if (ButtonCaption() != "Close") {
    AskCancel();
    return;
  }
  accept();
  if (FJob->Input().values.open) OpenDocument(QUrl::fromLocalFile(QString::fromStdString(FJob->Input().folder)));
}

void TRipPropressForm::AskCancel() {
  const bool cancel = CurrentMessageBoxes().Ask(this, "Marrowby", "Cancel or not?");
  if (cancel) FEnding.cancelled = true;
  FJob->SetCancel(cancel);
}

void TRipPropressForm::reject() {
  if (FJob->Running())
    AskCancel();
  else if (ButtonCaption() == "Close")
    spSkinButtonStopClick();
  else
    QDialog::reject();
}

void TRipPropressForm::SetCaption(const std::string& text) { setWindowTitle(QString::fromStdString(text)); }

// Both captions, "Cancel" and "Close", take their first letter as the mnemonic.
void TRipPropressForm::SetButtonCaption(const std::string& text) {
  spSkinButtonStop->setText("&" + QString::fromStdString(text));
  if (text == "Close") Gauge1->setFormat("%p%");  // the job is over: no time left to tell
}

// In the gauge itself, so the window keeps its size: "45%   Track 3 of 12 — about 4 min left".
void TRipPropressForm::ShowJobProgress(int track, int tracks, std::optional<int> secondsLeft) {
  QString line = QString("%p%   Track %1 of %2").arg(track).arg(tracks);
  if (secondsLeft) line += QString::fromUtf8(" \u2014 ") + QString::fromStdString(TimeLeftText(*secondsLeft));
  Gauge1->setFormat(line);
}

QString TRipPropressForm::ButtonCaption() const { return QString(spSkinButtonStop->text()).remove('&'); }

void TRipPropressForm::SetGauge(int percent) { Gauge1->setValue(percent); }

void TRipPropressForm::ProcessMessages() { QCoreApplication::processEvents(); }

void TRipPropressForm::ShowError(const std::string& text) {
  FEnding.errors.push_back(text);
  NotifyIfAway();
  CurrentMessageBoxes().Show(this, "Error", QString::fromStdString(text), MessageBoxes::Icon::Error);
}

void TRipPropressForm::ShowStandardError(const std::string& text) {
  FEnding.errors.push_back(text);
  NotifyIfAway();
  ::ShowStandardError(this, QString::fromStdString(text));
}

void TRipPropressForm::CloseWindow() { QDialog::reject(); }

void TRipPropressForm::UncheckRow(std::size_t row) {
  if (RowUnchecked) RowUnchecked(row);
}

void TRipPropressForm::ReportReadErrors(const std::string& text) { AddReport(text); }

// How each track was read from a drive and what proves it, with each database's verdict where the way of
// reading does not already name it (of an image file, only the verdicts); and the disc's verdicts (with why a
// lookup failed).
void TRipPropressForm::ReportTrack(const TrackResult& result) {
  using Kind = TrackVerdict::Kind;
  if (result.fromImage && result.verdict.kind == Kind::NotVerified && result.ctdbVerdict.kind == Kind::NotVerified)
    return;
  std::string text = "Track " + result.number + ": " + result.readPath;
  auto add = [&](const std::string& database, const TrackVerdict& verdict, bool confirmed) {
    const std::string said = database + ": " + verdict.Text();
    if (verdict.kind != Kind::NotVerified && !confirmed && result.readPath.find(said) == std::string::npos)
      text += "; " + said;
  };
  add("AccurateRip", result.verdict, ConfirmedByV2(result.verdict));
  add("CTDB", result.ctdbVerdict, ConfirmedByCtdb(result.ctdbVerdict));
  AddReport(text);
}

void TRipPropressForm::ReportDisc(const DiscVerdicts& verdicts, const std::string&) {
  const RipValues& values = FJob->Input().values;
  if (!values.accurateRipServer.empty()) AddReport("AccurateRip: " + verdicts.accurateRip);
  if (!values.ctdbServer.empty()) AddReport("CTDB: " + verdicts.ctdb);
}

void TRipPropressForm::AddReport(const std::string& text) {
  ReportList->appendPlainText(QString::fromStdString(text));
  if (ReportList->isVisible()) return;
  ReportList->show();
  setFixedSize(337, 79 + kReportListHeight + 12);
}
