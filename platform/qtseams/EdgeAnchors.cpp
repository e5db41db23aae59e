#include "platform/qtseams/EdgeAnchors.h"

#include <algorithm>

#include <QEvent>
#include <QWidget>

EdgeAnchors::EdgeAnchors(QWidget* client) : QObject(client), FClient(client) { client->installEventFilter(this); }

void EdgeAnchors::Tie(QWidget* control, unsigned anchors) { FTied.push_back({control, anchors, control->geometry()}); }

void EdgeAnchors::TakePlaces() {
  for (Tied& tied : FTied) tied.place = tied.control->geometry();
  FFirstSize = FClient->size();
}

bool EdgeAnchors::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FClient && event->type() == QEvent::Resize && FFirstSize.isValid()) Place();
  return QObject::eventFilter(watched, event);
}

void EdgeAnchors::Place() {
  // A client smaller than its first layout keeps that layout: the window never shrinks below it.
  const int wider = std::max(0, FClient->width() - FFirstSize.width());
  const int taller = std::max(0, FClient->height() - FFirstSize.height());
  for (const Tied& tied : FTied) {
    QRect place = tied.place;
    if (tied.anchors & kMoveRight) place.translate(wider, 0);
    if (tied.anchors & kGrowWide) place.setWidth(place.width() + wider);
    if (tied.anchors & kMoveDown) place.translate(0, taller);
    if (tied.anchors & kGrowTall) place.setHeight(place.height() + taller);
    tied.control->setGeometry(place);
  }
  if (Stretched) Stretched(wider, taller);
}
