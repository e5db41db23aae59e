#include "app/PlayerGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace {

constexpr int kCanvas = 32;  // the glyphs' own units; the pixmap has as many pixels times the ratio

// A bar and the play triangle: play again from where the player paused.
QPainterPath ResumePath() {
  QPainterPath path;
  path.addRect(QRectF(6, 7, 5, 19));
  path.moveTo(14, 7);
  path.lineTo(28, 16.5);
  path.lineTo(14, 26);
  path.closeSubpath();
  return path;
}

// The triangle over a bar of the eject key.
QPainterPath EjectPath() {
  QPainterPath path;
  path.moveTo(16, 6);
  path.lineTo(27, 18);
  path.lineTo(5, 18);
  path.closeSubpath();
  path.addRect(QRectF(5, 21, 22, 4));
  return path;
}

}  // namespace

QIcon PlayerGlyphIcon(PlayerGlyph glyph, const QPalette& palette, qreal devicePixelRatio) {
  QPixmap pixmap(qRound(kCanvas * devicePixelRatio), qRound(kCanvas * devicePixelRatio));
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(palette.color(QPalette::Active, QPalette::WindowText));
  painter.drawPath(glyph == PlayerGlyph::Resume ? ResumePath() : EjectPath());
  painter.end();
  return QIcon(pixmap);
}
