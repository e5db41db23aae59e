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
  QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
  buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
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
  const QString offered = name.left(std::max<qsizetype>(0, name.size() - cut));
  filename->setText(offered);
  filename->setFocus();
  // A name from a template may lead with folders: typing replaces the file's own name and keeps them.
  const qsizetype start = offered.lastIndexOf('/') + 1;
  filename->setSelection(static_cast<int>(start), static_cast<int>(offered.size() - start));
  FExtension = extension;
  if (exec() != QDialog::Accepted) return false;
  newName = FResult;
  return true;
}

// A name of blanks alone, or folders with no name after them, would make a hidden file such as ".mp3":
// the old name stays instead.
void Trename::OKClick() {
  if (filename->text().section('/', -1).trimmed().isEmpty()) {
    reject();
    return;
  }
  FResult = filename->text() + FExtension;
  accept();
}
