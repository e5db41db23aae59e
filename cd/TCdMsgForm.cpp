#include "cd/TCdMsgForm.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
constexpr int kValueWidth = 300;  // wide enough for most titles; longer ones wrap
}

TCdMsgForm::TCdMsgForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("CD Information");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  auto* rows = new QFormLayout;
  rows->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
  rows->setRowWrapPolicy(QFormLayout::DontWrapRows);
  rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(rows);
  edDiscID = AddRow(rows, "ID");
  edArtist = AddRow(rows, "Artist");
  edTitle = AddRow(rows, "Title");
  edCategory = AddRow(rows, "Type");
  edYear = AddRow(rows, "Year");
  edGenre = AddRow(rows, "Genre");
  edDisc = AddRow(rows, "Disc");
  edRelease = AddRow(rows, "MusicBrainz ID");
  spSkinButton1 = new QPushButton("&Close", this);
  spSkinButton1->setDefault(true);
  connect(spSkinButton1, &QPushButton::clicked, this, &TCdMsgForm::spSkinButton1Click);
  layout->addWidget(spSkinButton1, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLabel* TCdMsgForm::AddRow(QFormLayout* rows, const char* caption) {
  auto* name = new QLabel(caption, this);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  auto* value = new QLabel(this);
  QFont underlined = value->font();
  underlined.setUnderline(true);
  value->setFont(underlined);
  value->setWordWrap(true);  // titles run to 80 characters
  value->setFixedWidth(kValueWidth);
  value->setTextFormat(Qt::PlainText);
  rows->addRow(name, value);
  return value;
}

// The lookup starts once the dialog is on the screen: it keeps the windows painted while it waits on the
// server, which a window not yet mapped cannot be. A window brought back from an icon is not shown anew.
void TCdMsgForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous() || !FLookupOnShow) return;
  FLookupPending = true;
  QMetaObject::invokeMethod(this, &TCdMsgForm::FormShow, Qt::QueuedConnection);
}

void TCdMsgForm::FormShow() {
  std::optional<CdInformation> information;
  if (Lookup && isVisible()) information = Lookup();  // none when closed before its lookup began
  FLookupPending = false;
  if (!information) return;
  edDiscID->setText(QString::fromStdString(information->discId));
  edArtist->setText(QString::fromStdString(information->artist));
  edTitle->setText(QString::fromStdString(information->title));
  edCategory->setText(QString::fromStdString(information->category));
}

void TCdMsgForm::ShowAlbum(const std::optional<DiscMetadata>& album) {
  if (album) {
    edDiscID->setText(QString::fromStdString(album->cddbId.empty() ? album->musicBrainzDiscId : album->cddbId));
    edArtist->setText(QString::fromStdString(album->artist));
    edTitle->setText(QString::fromStdString(album->album));
    edCategory->clear();
  }
  QString disc;
  if (album && album->discNumber > 0) disc = QString::number(album->discNumber);
  if (!disc.isEmpty() && album->discTotal > 0) disc += "/" + QString::number(album->discTotal);
  edYear->setText(album ? QString::fromStdString(album->year) : QString());
  edGenre->setText(album ? QString::fromStdString(album->genre) : QString());
  edDisc->setText(disc);
  edRelease->setText(album ? QString::fromStdString(album->musicBrainzReleaseId) : QString());
}

void TCdMsgForm::ShowWithoutLookup() {
  FLookupOnShow = false;
  exec();
  FLookupOnShow = true;
}

void TCdMsgForm::spSkinButton1Click() { accept(); }
