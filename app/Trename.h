#pragma once
// The rename dialog: a new file name for the selected track, without its extension.

#include <QDialog>

class QLineEdit;

class Trename : public QDialog {
  Q_OBJECT

 public:
  explicit Trename(QWidget* parent);

  QLineEdit* filename = nullptr;

  // Offers the name without its last 4 characters; when the user presses OK, returns the text typed
  // with the extension appended. Returns false when the user cancels.
  bool Execute(const QString& name, const QString& extension, QString& newName);
  void OKClick();

 private:
  QString FExtension;
  QString FResult;
};
