#include "rip/TRipPropressForm.h"

#include <QProgressBar>
#include <QPushButton>

TRipPropressForm::TRipPropressForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Marrowby");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  setFixedSize(337, 79);
  Gauge1 = new QProgressBar(this);
  Gauge1->setGeometry(18, 12, 304, 19);
  Gauge1->setRange(0, 100);
  Gauge1->setValue(0);
  spSkinButtonStop = new QPushButton("Cancel", this);
  spSkinButtonStop->setGeometry(130, 42, 81, 25);
  connect(spSkinButtonStop, &QPushButton::clicked, this, &QDialog::reject);
}
