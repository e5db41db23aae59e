#pragma once
// The about box: picture, name and version, the web page link, the legal notice.

#include <QDialog>

class QLabel;
class QPushButton;

class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* parent);

  QLabel* LinkLabel = nullptr;
  QPushButton* CloseButton = nullptr;
};
