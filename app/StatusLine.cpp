#include "app/StatusLine.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace {

constexpr int kStepMilliseconds = 50;
constexpr int kStepPixels = 2;                       // 40 pixels a second: slow enough to read
constexpr int kRestSteps = 1500 / kStepMilliseconds;  // at the start and at the end

}  // namespace

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
  FTimer.setInterval(kStepMilliseconds);
  connect(&FTimer, &QTimer::timeout, this, &StatusLine::Step);
}

void StatusLine::ShowText(const QString& text) {
  if (text == this->text()) return;
  setText(text);
  Restart();
}

int StatusLine::Overflow() const {
  return fontMetrics().horizontalAdvance(text()) - contentsRect().width() + 2 * margin();
}

void StatusLine::Restart() {
  FOffset = 0;
  FRest = kRestSteps;
  if (Overflow() > 0 && isVisible())
    FTimer.start();
  else
    FTimer.stop();
  update();
}

void StatusLine::Step() {
  if (FRest > 0) {
    --FRest;
    return;
  }
  if (FOffset >= Overflow()) {  // the end has been read: back to the start after a rest
    FOffset = 0;
    FRest = kRestSteps;
  } else {
    FOffset = std::min(FOffset + kStepPixels, Overflow());
    if (FOffset == Overflow()) FRest = kRestSteps;
  }
  update();
}

void StatusLine::paintEvent(QPaintEvent* event) {
  if (Overflow() <= 0) return QLabel::paintEvent(event);
  QPainter painter(this);
  drawFrame(&painter);
  QRect line = contentsRect().adjusted(margin(), 0, -margin(), 0);
  painter.setClipRect(line);
  painter.drawText(line.translated(-FOffset, 0).adjusted(0, 0, FOffset + Overflow(), 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void StatusLine::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) Restart();
}

void StatusLine::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Restart();
}

void StatusLine::showEvent(QShowEvent* event) {
  QLabel::showEvent(event);
  Restart();
}

void StatusLine::hideEvent(QHideEvent* event) {
  QLabel::hideEvent(event);
  FTimer.stop();
}
