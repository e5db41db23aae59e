#include "app/Trename.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Trename::Trename(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Rename ");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  filename = new QLineEdit(this);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &Trename::OKClick);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(filename);
  layout->addWidget(buttons);
  setFixedSize(340, 100);
}

bool Trename::Execute(const QString& name, const QString& extension, QString& newName) {
  qsizetype cut = name.endsWith(extension, Qt::CaseInsensitive) ? extension.size() : 4;  // ".flac" has five
  filename->setText(name.left(std::max<qsizetype>(0, name.size() - cut)));
  filename->setFocus();
  FExtension = extension;
  if (exec() != QDialog::Accepted) return false;
  newName = FResult;
  return true;
}

// A name of blanks alone would make a hidden file such as ".mp3": the old name stays instead.
void Trename::OKClick() {
  if (filename->text().trimmed().isEmpty()) {
    reject();
    return;
  }
  FResult = filename->text() + FExtension;
  accept();
}
