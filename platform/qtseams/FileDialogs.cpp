#include "platform/qtseams/FileDialogs.h"

#include <QFileDialog>

#include "platform/qtseams/FolderBrowser.h"

namespace {

class RealFileDialogs : public FileDialogs {
 public:
  QString OpenFile(QWidget* owner, const QString& filter) override {
    return Run(owner, filter, QFileDialog::AcceptOpen);
  }
  QString SaveFile(QWidget* owner, const QString& filter) override {
    return Run(owner, filter, QFileDialog::AcceptSave);
  }

 private:
  static QString Run(QWidget* owner, const QString& filter, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner, QString(), LastFolder(), filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    LastFolder() = dialog.directory().absolutePath();
    return dialog.selectedFiles().first();
  }
};

FileDialogs* gInstalled = nullptr;

}  // namespace

FileDialogs& CurrentFileDialogs() {
  static RealFileDialogs real;
  return gInstalled != nullptr ? *gInstalled : real;
}

void SetFileDialogs(FileDialogs* dialogs) { gInstalled = dialogs; }
