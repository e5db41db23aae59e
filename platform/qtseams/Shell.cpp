#include "platform/qtseams/Shell.h"

#include <QDesktopServices>

namespace {

class DesktopShell : public Shell {
 public:
  bool Open(const QUrl& target) override { return QDesktopServices::openUrl(target); }
};

Shell* gInstalled = nullptr;

}  // namespace

Shell& CurrentShell() {
  static DesktopShell real;
  return gInstalled != nullptr ? *gInstalled : real;
}

void SetShell(Shell* shell) { gInstalled = shell; }

bool OpenDocument(const QUrl& target) { return CurrentShell().Open(target); }
