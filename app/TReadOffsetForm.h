#pragma once
// Detect Read Offset: reads the disc in the current drive, shows what it tells of the drive's read offset
// (beside AccurateRip's list of drives) and stores the offset found when the user asks.

#include <QDialog>
#include <functional>

#include "cd/ReadOffsetDetection.h"

class QFormLayout;
class QLabel;
class QPushButton;
class TIniFile;

class TReadOffsetForm : public QDialog {
  Q_OBJECT

 public:
  explicit TReadOffsetForm(QWidget* parent);

  // The main window's drive with its disc, and its settings, when the window is shown.
  std::function<ReadOffsetRequest()> Input;
  std::function<TIniFile*()> Settings;

  QLabel* StepText = nullptr;  // what is being read
  QFormLayout* ResultLines = nullptr;  // a line per finding, each text a label named after its line
  QPushButton* SaveButton = nullptr;
  QPushButton* CloseButton = nullptr;

  // Runs the detection; Escape stops it.
  void FormActivate();
  void SaveButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowReport();
  void AddLine(const std::string& label, const std::string& text);

  ReadOffsetReport FReport;
};
