#pragma once
// The folder browser: lets the user pick a folder. Tests install a browser that answers for the user.

#include <QString>

class QWidget;

class FolderBrowser {
 public:
  virtual ~FolderBrowser() = default;
  // The chosen folder, or an empty text when the user cancelled.
  virtual QString Browse(QWidget* owner, const QString& title) = 0;
};

FolderBrowser& CurrentFolderBrowser();
void SetFolderBrowser(FolderBrowser* browser);  // nullptr restores the real one

// Asks for a folder with the title "Select a directory".
QString SelectDirectory(QWidget* owner);
