#pragma once
// The rip window: a progress gauge and one button. The rip job itself arrives with issue 5; until then
// the window only shows its controls and closes.

#include <QDialog>

class QProgressBar;
class QPushButton;

class TRipPropressForm : public QDialog {
  Q_OBJECT

 public:
  explicit TRipPropressForm(QWidget* parent);

  QProgressBar* Gauge1 = nullptr;
  QPushButton* spSkinButtonStop = nullptr;
};
