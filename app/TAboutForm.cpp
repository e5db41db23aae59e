#include "app/TAboutForm.h"

#include <QLabel>
#include <QPushButton>

#include "app/Links.h"
#include "platform/qtseams/Shell.h"

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFixedSize(356, 205);

  auto* picture = new QLabel(this);
  picture->setGeometry(0, 0, 356, 105);
  picture->setPixmap(QPixmap(":/about.jpg"));

  auto* name = new QLabel("Quillon", this);
  name->setGeometry(16, 110, 90, 22);
  QFont bold = name->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 3);
  name->setFont(bold);
  auto* version = new QLabel("V " QUILLON_VERSION " ", this);
  version->setGeometry(110, 112, 80, 20);

  LinkLabel = new QLabel("<a href=\"" + WebsiteUrl().toString() + "\">" + WebsiteUrl().host() + "</a>", this);
  LinkLabel->setGeometry(16, 134, 320, 18);
  LinkLabel->setCursor(Qt::PointingHandCursor);
  LinkLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  connect(LinkLabel, &QLabel::linkActivated, this, [] { OpenDocument(WebsiteUrl()); });

  auto* notice = new QLabel(
      "Copyright (C) 2026 The Quillon developers.\n"
      "GPL-3.0-or-later, without warranty of any kind.",
      this);
  // Beside the Close button rather than above it, with room for the two lines at any font size.
  notice->setGeometry(16, 154, 248, 46);
  notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  notice->setWordWrap(true);
  QFont small = notice->font();
  small.setPointSize(small.pointSize() - 1);
  notice->setFont(small);

  CloseButton = new QPushButton("&Close", this);
  CloseButton->setGeometry(270, 178, 75, 23);
  CloseButton->setDefault(true);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
}
