#pragma once
// The open and save file dialogs. Tests install dialogs that answer for the user.

#include <QString>

class QWidget;

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen path, or an empty text when the user cancelled. filter is a Qt name filter such as
  // "*.wav (*.wav)". The open dialog also takes a name that does not exist; the save dialog does not ask
  // before a file is replaced.
  virtual QString OpenFile(QWidget* owner, const QString& filter) = 0;
  virtual QString SaveFile(QWidget* owner, const QString& filter) = 0;
};

FileDialogs& CurrentFileDialogs();
void SetFileDialogs(FileDialogs* dialogs);  // nullptr restores the real ones
