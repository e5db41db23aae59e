#include "platform/qtseams/FolderBrowser.h"

#include <QFileDialog>

namespace {

class RealFolderBrowser : public FolderBrowser {
 public:
  QString Browse(QWidget* owner, const QString& title) override {
    return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
  }
};

FolderBrowser* gInstalled = nullptr;

}  // namespace

FolderBrowser& CurrentFolderBrowser() {
  static RealFolderBrowser real;
  return gInstalled != nullptr ? *gInstalled : real;
}

void SetFolderBrowser(FolderBrowser* browser) { gInstalled = browser; }

QString SelectDirectory(QWidget* owner) { return CurrentFolderBrowser().Browse(owner, "Select a directory"); }
