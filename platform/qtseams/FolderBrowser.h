#pragma once
// The folder browser: lets the user pick a folder. Tests install a browser that answers for the user.

#include <QString>

class QWidget;

class FolderBrowser {
 public:
  virtual ~FolderBrowser() = default;
  // The chosen folder, or an empty text when the user cancelled. The browser opens at start, or at the
  // folder chosen last when start is empty.
  virtual QString Browse(QWidget* owner, const QString& title, const QString& start) = 0;
};

FolderBrowser& CurrentFolderBrowser();
void SetFolderBrowser(FolderBrowser* browser);  // nullptr restores the real one

// Asks for a folder with the title "Select a directory", opening at start (a folder box's text).
QString SelectDirectory(QWidget* owner, const QString& start);

// The folder the user chose or went to last in a folder browser or file dialog; empty before the first.
QString& LastFolder();
