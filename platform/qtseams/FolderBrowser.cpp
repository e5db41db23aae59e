#include "platform/qtseams/FolderBrowser.h"

#include <QFileDialog>

namespace {

class RealFolderBrowser : public FolderBrowser {
 public:
  QString Browse(QWidget* owner, const QString& title, const QString& start) override {
    QString chosen = QFileDialog::getExistingDirectory(owner, title, start.isEmpty() ? LastFolder() : start,
                                                       QFileDialog::ShowDirsOnly);
    if (!chosen.isEmpty()) LastFolder() = chosen;
    return chosen;
  }
};

FolderBrowser* gInstalled = nullptr;

}  // namespace

FolderBrowser& CurrentFolderBrowser() {
  static RealFolderBrowser real;
  return gInstalled != nullptr ? *gInstalled : real;
}

void SetFolderBrowser(FolderBrowser* browser) { gInstalled = browser; }

QString SelectDirectory(QWidget* owner, const QString& start) {
  return CurrentFolderBrowser().Browse(owner, "Select a directory", start);
}

QString& LastFolder() {
  static QString folder;
  return folder;
}
