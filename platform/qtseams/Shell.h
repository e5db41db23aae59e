#pragma once
// Opens files, folders and addresses with the desktop's default program. Tests install a shell that
// only records what would have been opened.

#include <QUrl>

class Shell {
 public:
  virtual ~Shell() = default;
  virtual bool Open(const QUrl& target) = 0;
};

Shell& CurrentShell();
void SetShell(Shell* shell);  // nullptr restores the real one

// Opens the target; a failure is the caller's to ignore.
bool OpenDocument(const QUrl& target);
