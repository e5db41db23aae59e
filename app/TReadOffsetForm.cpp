#include "app/TReadOffsetForm.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/LookupWait.h"
#include "platform/inifile/TIniFile.h"
#include "platform/qtseams/MessageBoxes.h"
#include "rip/RipJob.h"

TReadOffsetForm::TReadOffsetForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Detect Read Offset");
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // the window takes the size of the lines it shows
  layout->addWidget(new QLabel(
      "The drive reads a disc that AccurateRip knows (3 tracks or more) with no offset set:\n"
      "the shift at which most of its tracks match the database is the drive's read offset.",
      this));
  ResultLines = new QFormLayout();
  layout->addLayout(ResultLines);
  StepText = new QLabel(this);
  layout->addWidget(StepText);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  SaveButton = new QPushButton("&Save Offset", this);
  SaveButton->setToolTip("Store the offset in the settings, section [Drive Offsets]");
  CloseButton = new QPushButton("&Close", this);
  CloseButton->setDefault(true);
  buttons->addWidget(SaveButton);
  buttons->addWidget(CloseButton);
  layout->addLayout(buttons);
  connect(SaveButton, &QPushButton::clicked, this, &TReadOffsetForm::SaveButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TReadOffsetForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The disc is read once the window is up, not inside its showing.
  QMetaObject::invokeMethod(this, &TReadOffsetForm::FormActivate, Qt::QueuedConnection);
}

void TReadOffsetForm::FormActivate() {
  TIniFile* settings = Settings ? Settings() : nullptr;
  if (!Input || settings == nullptr) return;
  FReport = ReadOffsetReport();
  ShowReport();
  try {
    ReadOffsetRequest request = Input();
    RipValues values;
    ReadDatabaseValues(*settings, values);
    request.server = values.accurateRipServer;
    request.cacheFolder = values.cacheFolder;
    LookupWait wait;
    ReadOffsetProgress progress{[this](const std::string& step) {
                                  StepText->setText(QString::fromStdString(step) + "... (Esc stops)");
                                  StepText->show();
                                  StepText->repaint();
                                },
                                [&wait] { return wait.KeepWaiting(); },
                                [this](const std::string& listed) { AddLine("AccurateRip's drive list", listed); }};
    FReport = DetectReadOffset(request, *settings, progress);
  } catch (const EIniFileError& error) {
    ShowStandardError(this, QString::fromStdString(error.what()));
  }
  ShowReport();
}

void TReadOffsetForm::SaveButtonClick() {
  TIniFile* settings = Settings ? Settings() : nullptr;
  if (settings == nullptr) return;
  try {
    StoreReadOffset(*settings, FReport);
  } catch (const EIniFileError& error) {
    ShowStandardError(this, QString::fromStdString(error.what()));
  }
  ShowReport();
}

void TReadOffsetForm::AddLine(const std::string& label, const std::string& text) {
  auto* value = new QLabel(QString::fromStdString(text), this);
  value->setObjectName(QString::fromStdString(label));
  value->setTextInteractionFlags(Qt::TextSelectableByMouse);
  ResultLines->addRow(QString::fromStdString(label) + ":", value);
}

void TReadOffsetForm::ShowReport() {
  StepText->hide();
  while (ResultLines->rowCount() > 0) ResultLines->removeRow(0);
  if (FReport.outcome == ReadOffsetReport::Outcome::Found || !FReport.problem.empty())
    for (const auto& [label, text] : FReport.Lines()) AddLine(label, text);
  SaveButton->setEnabled(FReport.outcome == ReadOffsetReport::Outcome::Found && !FReport.stored);
}
