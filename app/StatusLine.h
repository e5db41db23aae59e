#pragma once
// The main window's status line: a one-line label whose text, when longer than the line (the message for a
// missing or broken disc is), scrolls through slowly and starts again, so that all of it can be read.

#include <QLabel>
#include <QTimer>

class StatusLine : public QLabel {
 public:
  explicit StatusLine(QWidget* parent);

  // A new text scrolls from its start; the same text again (the timer repeats it) goes on scrolling.
  void ShowText(const QString& text);

  // How far the text is scrolled, in pixels; 0 while it fits.
  int Offset() const { return FOffset; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  int Overflow() const;  // pixels of text beyond the line
  void Restart();
  void Step();

  QTimer FTimer;
  int FOffset = 0;
  int FRest = 0;  // steps still to wait at either end
};
