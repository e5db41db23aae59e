#pragma once
// Tools > "Batch Rip…": several drives ripped unattended by the same batch as quillon-cli batch. The drives with
// a check box each, the format and the output folder, Start and Stop; a row per drive with its disc, state and
// progress, and below them a row per disc as it is finished.

#include <QDialog>
#include <functional>
#include <memory>
#include <thread>

#include "batch/Batch.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

class TBatchForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBatchForm(QWidget* parent);
  ~TBatchForm() override;

  // The settings file and the main window's drive list and output folder, when the window is shown.
  std::function<std::string()> SettingsPath;
  std::function<std::vector<std::string>()> DriveNames;
  std::function<QString()> OutputFolder;

  QListWidget* DriveList = nullptr;  // a checkable item per drive
  QComboBox* FormatBox = nullptr;
  QLineEdit* FolderEdit = nullptr;
  QPushButton* BrowseButton = nullptr;
  QCheckBox* LookupBox = nullptr;
  QPushButton* StartButton = nullptr;
  QPushButton* StopButton = nullptr;
  QTableWidget* DriveRows = nullptr;   // drive, disc, state, progress
  QTableWidget* ReportRows = nullptr;  // drive, album, state, reason, verdict, folder

  void StartButtonClick();
  void StopButtonClick();
  void BrowseButtonClick();
  // Called on the window's thread with what the batch's drives reported.
  void ShowDrive(const DriveProgress& progress);
  void ShowDisc(const QueuedDisc& disc);
  void ShowFailure(const QString& drive, const QString& text);
  void BatchEnded();
  bool Running() const { return FBatch != nullptr; }

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  class Observer;
  void StopAndWait();
  int DriveRow(const QString& drive);

  std::unique_ptr<Observer> FObserver;
  std::unique_ptr<Batch> FBatch;
  std::thread FThread;
};
