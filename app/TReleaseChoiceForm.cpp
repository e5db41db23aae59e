#include "app/TReleaseChoiceForm.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

TReleaseChoiceForm::TReleaseChoiceForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Choose a Release");
  resize(640, 260);
  auto* layout = new QVBoxLayout(this);
  auto* question = new QLabel("MusicBrainz knows several &releases of this disc. Which one is yours?", this);
  layout->addWidget(question);
  ReleaseList = new QTreeWidget(this);
  question->setBuddy(ReleaseList);
  ReleaseList->setHeaderLabels({"Artist", "Title", "Date", "Country", "Label", "Format"});
  ReleaseList->setRootIsDecorated(false);
  ReleaseList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(ReleaseList);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(ReleaseList, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
}

int TReleaseChoiceForm::Choose(const std::vector<MusicBrainzRelease>& releases) {
  ReleaseList->clear();
  for (const MusicBrainzRelease& release : releases) {
    QStringList texts;
    for (const std::string* text : {&release.artist, &release.title, &release.date, &release.country, &release.label,
                                    &release.format})
      texts << QString::fromStdString(*text);
    new QTreeWidgetItem(ReleaseList, texts);
  }
  ReleaseList->setCurrentItem(ReleaseList->topLevelItem(0));
  if (exec() != QDialog::Accepted) return -1;
  return ReleaseList->indexOfTopLevelItem(ReleaseList->currentItem());
}
