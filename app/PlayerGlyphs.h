#pragma once
// The player bar's glyphs that the style has none of, drawn in the theme's text colour so that they show
// as well on a dark theme as on a light one.

#include <QIcon>

class QPalette;

enum class PlayerGlyph { Resume, Eject };

QIcon PlayerGlyphIcon(PlayerGlyph glyph, const QPalette& palette, qreal devicePixelRatio);
