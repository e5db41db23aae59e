#include "app/Links.h"

#include <QString>

#include "platform/ProgramFolder.h"

QUrl HelpFileUrl() { return QUrl::fromLocalFile(QString::fromStdString(HelpFile())); }

QUrl WebsiteUrl() { return QUrl("http://www.quillon-ripper.org/Quillon/"); }

QUrl SupportMailUrl() { return QUrl("mailto:support@quillon-ripper.org"); }
