#include "platform/qtseams/GrowWithFont.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QTreeView>
#include <QWidget>

namespace {

// The font the windows were laid out for: 9 points at 96 dots per inch.
constexpr int kLayoutFontPixels = 12;

double FontGrowth(const QWidget* window) {
  QFont layoutFont = window->font();
  layoutFont.setPixelSize(kLayoutFontPixels);
  return QFontMetricsF(window->font()).height() / QFontMetricsF(layoutFont).height();
}

QSize Grown(QSize size, double growth) {
  return QSize(qRound(size.width() * growth), qRound(size.height() * growth));
}

bool PlacedByLayout(const QWidget* widget) {
  const QWidget* parent = widget->parentWidget();
  return parent != nullptr && parent->layout() != nullptr && parent->layout()->indexOf(widget) >= 0;
}

void Grow(QWidget* widget, double growth) {
  if (widget->minimumSize() == widget->maximumSize()) widget->setFixedSize(Grown(widget->minimumSize(), growth));
  if (!widget->isWindow() && !PlacedByLayout(widget))
    widget->setGeometry(QRect(qRound(widget->x() * growth), qRound(widget->y() * growth),
                              qRound(widget->width() * growth), qRound(widget->height() * growth)));
  if (auto* tree = qobject_cast<QTreeView*>(widget))
    for (int column = 0; column < tree->header()->count(); ++column)
      tree->setColumnWidth(column, qRound(tree->columnWidth(column) * growth));
}

}  // namespace

void GrowWithFont(QWidget* window) {
  double growth = FontGrowth(window);
  if (growth <= 1.02) return;  // rounding of the same font, not a larger one
  for (QWidget* child : window->findChildren<QWidget*>())
    if (child->window() == window) Grow(child, growth);  // the windows it owns grow by themselves
  if (qobject_cast<QMainWindow*>(window) != nullptr) {
    window->adjustSize();
    window->setFixedSize(window->sizeHint());
  } else {
    Grow(window, growth);
  }
  if (QScreen* screen = QGuiApplication::primaryScreen())
    window->move(screen->availableGeometry().center() - window->rect().center());
}
