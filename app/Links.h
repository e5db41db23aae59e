#pragma once
// Where the Help menu and the about box point.

#include <QUrl>

QUrl HelpFileUrl();      // Quillon.html in the program folder
QUrl WebsiteUrl();       // the product's web page
QUrl SupportMailUrl();   // a new e-mail to support
