#include "app/TBatchForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/files/FileChecks.h"
#include "platform/qtseams/FolderBrowser.h"
#include "platform/qtseams/MessageBoxes.h"

// Hands the drives' reports, made on their threads, to the window's thread.
class TBatchForm::Observer : public BatchObserver {
 public:
  explicit Observer(TBatchForm* form) : FForm(form) {}
  void DriveChanged(const DriveProgress& progress) override {
    QMetaObject::invokeMethod(FForm, [form = FForm, progress] { form->ShowDrive(progress); }, Qt::QueuedConnection);
  }
  void DiscFinished(const QueuedDisc& disc) override {
    QMetaObject::invokeMethod(FForm, [form = FForm, disc] { form->ShowDisc(disc); }, Qt::QueuedConnection);
  }
  void DriveFailed(const std::string& drive, const std::string& text) override {
    QMetaObject::invokeMethod(
        FForm, [form = FForm, drive = QString::fromStdString(drive), text = QString::fromStdString(text)] {
          form->ShowFailure(drive, text);
        },
        Qt::QueuedConnection);
  }

 private:
  TBatchForm* FForm;
};

namespace {

QTableWidget* MakeTable(QWidget* parent, const QStringList& headers) {
  auto* table = new QTableWidget(0, int(headers.size()), parent);
  table->setHorizontalHeaderLabels(headers);
  table->horizontalHeader()->setStretchLastSection(true);
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  return table;
}

void SetCell(QTableWidget* table, int row, int column, const std::string& text) {
  table->setItem(row, column, new QTableWidgetItem(QString::fromStdString(text)));
}

}  // namespace

TBatchForm::TBatchForm(QWidget* parent) : QDialog(parent), FObserver(std::make_unique<Observer>(this)) {
  setWindowTitle("Batch Rip");
  resize(720, 560);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  DriveList = new QListWidget(this);
  DriveList->setMaximumHeight(90);
  form->addRow("&Drives:", DriveList);
  FormatBox = new QComboBox(this);
  FormatBox->addItems({"FLAC", "MP3", "Ogg Vorbis", "WAV"});
  form->addRow("&Format:", FormatBox);
  auto* folder = new QHBoxLayout;
  FolderEdit = new QLineEdit(this);
  BrowseButton = new QPushButton("&Browse\u2026", this);
  folder->addWidget(FolderEdit);
  folder->addWidget(BrowseButton);
  auto* folderLabel = new QLabel("&Output folder:", this);
  folderLabel->setBuddy(FolderEdit);
  form->addRow(folderLabel, folder);
  LookupBox = new QCheckBox("&Look the discs up (the lookup of the settings)", this);
  form->addRow("", LookupBox);
  layout->addLayout(form);
  auto* buttons = new QHBoxLayout;
  StartButton = new QPushButton("&Start", this);
  StopButton = new QPushButton("S&top", this);
  StopButton->setEnabled(false);
  buttons->addWidget(StartButton);
  buttons->addWidget(StopButton);
  buttons->addStretch();
  layout->addLayout(buttons);
  DriveRows = MakeTable(this, {"Drive", "Disc", "State", "Progress"});
  DriveRows->setMaximumHeight(120);
  layout->addWidget(DriveRows);
  layout->addWidget(new QLabel("Finished discs:", this));
  ReportRows = MakeTable(this, {"Drive", "Album", "State", "Reason", "Verdict", "Folder"});
  layout->addWidget(ReportRows);
  connect(StartButton, &QPushButton::clicked, this, &TBatchForm::StartButtonClick);
  connect(StopButton, &QPushButton::clicked, this, &TBatchForm::StopButtonClick);
  connect(BrowseButton, &QPushButton::clicked, this, &TBatchForm::BrowseButtonClick);
}

TBatchForm::~TBatchForm() { StopAndWait(); }

void TBatchForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (Running()) return;
  DriveList->clear();
  if (DriveNames)
    for (const std::string& name : DriveNames()) {
      auto* item = new QListWidgetItem(QString::fromStdString(name), DriveList);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
    }
  if (FolderEdit->text().isEmpty() && OutputFolder) FolderEdit->setText(OutputFolder());
}

void TBatchForm::BrowseButtonClick() {
  QString chosen = SelectDirectory(this, FolderEdit->text());
  if (!chosen.isEmpty()) FolderEdit->setText(chosen);
}

void TBatchForm::StartButtonClick() {
  if (Running()) return;
  BatchOptions options;
  for (int k = 0; k < DriveList->count(); ++k)
    if (DriveList->item(k)->checkState() == Qt::Checked) options.drives.push_back(k);
  const OutputFormat formats[] = {OutputFormat::FLAC, OutputFormat::MP3, OutputFormat::Ogg, OutputFormat::WAV};
  options.formats = {formats[std::max(0, FormatBox->currentIndex())]};
  options.folder = FolderEdit->text().toStdString();
  options.settings = SettingsPath ? SettingsPath() : std::string();
  options.lookup = LookupBox->isChecked();
  if (options.drives.empty() || options.folder.empty()) {
    CurrentMessageBoxes().Show(this, "Batch Rip",
                               options.drives.empty() ? "Check the drives to rip from." : "Choose an output folder.",
                               MessageBoxes::Icon::Warning);
    return;
  }
  MakeFolder(options.folder);
  try {
    FBatch = std::make_unique<Batch>(options, *FObserver);
  } catch (const std::exception& failure) {
    CurrentMessageBoxes().Show(this, "Batch Rip", QString::fromStdString(failure.what()), MessageBoxes::Icon::Error);
    return;
  }
  DriveRows->setRowCount(0);
  ReportRows->setRowCount(0);
  StartButton->setEnabled(false);
  StopButton->setEnabled(true);
  FThread = std::thread([this] {
    FBatch->Run();
    QMetaObject::invokeMethod(this, [this] { BatchEnded(); }, Qt::QueuedConnection);
  });
}

void TBatchForm::StopButtonClick() {
  if (FBatch) FBatch->Stop();
  StopButton->setEnabled(false);
}

void TBatchForm::BatchEnded() {
  if (FThread.joinable()) FThread.join();
  FBatch.reset();
  StartButton->setEnabled(true);
  StopButton->setEnabled(false);
}

void TBatchForm::StopAndWait() {
  if (FBatch) FBatch->Stop();
  if (FThread.joinable()) FThread.join();
  FBatch.reset();
}

// Closing the window stops the batch: the disc being ripped is ripped again when the batch is started again.
void TBatchForm::reject() {
  StopAndWait();
  StartButton->setEnabled(true);
  StopButton->setEnabled(false);
  QDialog::reject();
}

int TBatchForm::DriveRow(const QString& drive) {
  for (int row = 0; row < DriveRows->rowCount(); ++row)
    if (DriveRows->item(row, 0) != nullptr && DriveRows->item(row, 0)->text() == drive) return row;
  DriveRows->insertRow(DriveRows->rowCount());
  DriveRows->setItem(DriveRows->rowCount() - 1, 0, new QTableWidgetItem(drive));
  return DriveRows->rowCount() - 1;
}

void TBatchForm::ShowDrive(const DriveProgress& progress) {
  const int row = DriveRow(QString::fromStdString(progress.drive));
  SetCell(DriveRows, row, 1, std::to_string(progress.disc) + (progress.album.empty() ? "" : " " + progress.album));
  SetCell(DriveRows, row, 2, progress.state);
  SetCell(DriveRows, row, 3,
          progress.tracks > 0 && progress.state == "ripping"
              ? "track " + std::to_string(progress.track) + "/" + std::to_string(progress.tracks) + " " +
                    std::to_string(progress.percent) + "%"
              : std::string());
}

void TBatchForm::ShowDisc(const QueuedDisc& disc) {
  const int row = ReportRows->rowCount();
  ReportRows->insertRow(row);
  SetCell(ReportRows, row, 0, disc.drive);
  SetCell(ReportRows, row, 1, disc.artist.empty() ? disc.album : disc.artist + " \u2014 " + disc.album);
  SetCell(ReportRows, row, 2, StateName(disc.state));
  SetCell(ReportRows, row, 3, disc.reason);
  SetCell(ReportRows, row, 4, disc.verdict);
  SetCell(ReportRows, row, 5, disc.folder);
}

void TBatchForm::ShowFailure(const QString& drive, const QString& text) {
  SetCell(DriveRows, DriveRow(drive), 2, "error: " + text.toStdString());
}
