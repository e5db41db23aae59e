#pragma once
// Windows are laid out for a 9-point desktop font. With a larger one (10 and 11 points are common), a
// window and every control it places itself grow by the ratio of the fonts' line heights, so no text is
// cut or runs into the next control; at 9 points and below nothing changes.

class QWidget;

// Call once the window has its controls and sizes; a window placed on the screen's centre stays there.
void GrowWithFont(QWidget* window);
